#pragma once
// The links of a page as libxml2's SAX start-element events come in, for
// extractPageLinks.

#include "core/PageLinks.h"

#include <libxml/xmlstring.h>

#include <string_view>

struct PageLinkSax {
    PageLinks links;
    bool baseSeen = false; // only the first <base href> counts, even an empty one

    // tag in lower case, attributes as libxml2 hands them over.
    void startElement(std::string_view tag, const xmlChar** attributes);
};
