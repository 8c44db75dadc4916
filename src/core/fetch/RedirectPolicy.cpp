#include "core/fetch/RedirectPolicy.h"

RedirectHop checkRedirect(const PageUrl& from, const char* target)
{
    if (!target || !*target)
        return {{}, QStringLiteral("Redirect refused: the server gave no target that can be followed")};
    QString why;
    std::optional<PageUrl> next = PageUrl::fromAbsolute(target, &why);
    if (!next)
        return {{}, QStringLiteral("Redirect refused: ") + why};
    if (!next->isHttps() && from.isHttps())
        return {{}, QStringLiteral("Redirect from https to http refused")};
    return {std::move(*next), {}};
}
