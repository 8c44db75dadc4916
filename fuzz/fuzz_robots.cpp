// Fuzzes the robots.txt reader and matcher, which read bytes from any server.
// The input is a body and a path, split at the last NUL: both parsings of the
// body must answer alike, twice, for that path. The same bytes, spelt as two
// patterns and a path over "/ab*", must also get the answer that a plain
// table of which pattern prefix matches which path prefix gives.

#include "core/web/RobotsTxt.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

// Whether pattern ("*" any run of octets, "$" at its end the end) matches
// the start of path: matched[i][j] says pattern[0, i) matches path[0, j).
bool referenceMatch(std::string_view pattern, std::string_view path)
{
    const bool anchored = !pattern.empty() && pattern.back() == '$';
    if (anchored)
        pattern.remove_suffix(1);
    std::vector<std::vector<char>> matched(pattern.size() + 1, std::vector<char>(path.size() + 1, 0));
    matched[0][0] = 1;
    for (std::size_t i = 1; i <= pattern.size(); ++i) {
        for (std::size_t j = 0; j <= path.size(); ++j) {
            if (pattern[i - 1] == '*')
                matched[i][j] = matched[i - 1][j] || (j > 0 && matched[i][j - 1]);
            else
                matched[i][j] = j > 0 && matched[i - 1][j - 1] && pattern[i - 1] == path[j - 1];
        }
    }
    const std::vector<char>& full = matched[pattern.size()];
    return anchored ? full.back() : std::find(full.begin(), full.end(), 1) != full.end();
}

// Octets spelt over an alphabet every normal form keeps as it is.
std::string spelt(std::string_view bytes, std::string_view alphabet)
{
    std::string text = "/";
    for (const char c : bytes)
        text += alphabet[static_cast<unsigned char>(c) % alphabet.size()];
    return text;
}

void checkAgainstReference(std::string_view bytes)
{
    const std::size_t third = std::min<std::size_t>(bytes.size() / 3, 24);
    std::string allow = spelt(bytes.substr(0, third), "/ab*");
    std::string disallow = spelt(bytes.substr(third, third), "/ab*");
    const std::string path = spelt(bytes.substr(2 * third, 48), "/ab");
    if (third > 0 && (bytes[0] & 0x80))
        allow += '$';
    if (third > 0 && (bytes[third] & 0x80))
        disallow += '$';
    const RobotsTxt robots = RobotsTxt::parse("User-agent: *\nAllow: " + allow + "\nDisallow: " + disallow + "\n");
    const bool disallowWins =
        referenceMatch(disallow, path) && (!referenceMatch(allow, path) || disallow.size() > allow.size());
    require(robots.allows(path) == !disallowWins, "the longest match differs from the reference");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t split = bytes.rfind('\0');
    const std::string_view body = split == std::string_view::npos ? bytes : bytes.substr(0, split);
    const std::string path(split == std::string_view::npos ? std::string_view("/") : bytes.substr(split + 1));

    const RobotsTxt robots = RobotsTxt::parse(body);
    const RobotsTxt again = RobotsTxt::parse(std::string(body));
    const bool allowed = robots.allows(path);
    require(robots.allows(std::string(path)) == allowed && again.allows(path) == allowed,
            "allows() answered differently for the same body and path");
    require(robots.allows("/robots.txt"), "/robots.txt refused");

    checkAgainstReference(bytes);
    return 0;
}
