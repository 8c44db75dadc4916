#include "core/html/HtmlEntities.h"

#include "core/html/HtmlEntityTable.h"

#include <algorithm>

std::string_view namedCharacters(std::string_view name)
{
    const HtmlEntity* end = kHtmlEntities + kHtmlEntityCount;
    const HtmlEntity* found =
        std::lower_bound(kHtmlEntities, end, name, [](const HtmlEntity& e, std::string_view n) { return e.name < n; });
    return found != end && found->name == name ? found->characters : std::string_view();
}
