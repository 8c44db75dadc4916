#pragma once
// The charset an answer's Content-Type names, as libxml2's decoder: shared by
// the readers of a page's links and text, so both decode a page alike.

#include <libxml/encoding.h>

#include <string_view>

// Null for none, or when the page starts with a byte-order mark, which wins.
xmlCharEncodingHandlerPtr headerEncoding(std::string_view html, std::string_view contentType);
