#include "core/web/RobotsTxt.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <tuple>

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

bool isUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

bool isReserved(unsigned char c)
{
    return c != 0 && std::string_view(":/?#[]@!$&'()*+,;=").find(char(c)) != std::string_view::npos;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

void appendEncoded(std::string& out, unsigned char c)
{
    constexpr char digits[] = "0123456789ABCDEF";
    out += '%';
    out += digits[c >> 4];
    out += digits[c & 15];
}

// The one form rule patterns and paths are compared in: "%XX" of an
// unreserved character decoded, other "%XX" kept with upper-case digits, and
// every octet a URL may not hold bare (controls, space, non-ASCII, a "%" that
// starts no "%XX") encoded. In a path, "*" and "$" are encoded too, since a
// pattern can name them only as "%2A" and "%24"; in a pattern a "*" stays the
// wildcard, and the caller has taken a final "$" away.
void appendNormalised(std::string& out, std::string_view text, bool pattern)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            const auto decoded = static_cast<unsigned char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            if (isUnreserved(decoded))
                out += char(decoded);
            else
                appendEncoded(out, decoded);
            i += 2;
        } else if (c == '*' && pattern) {
            out += '*';
        } else if (c == '*' || c == '$' || !(isUnreserved(c) || isReserved(c))) {
            appendEncoded(out, c);
        } else {
            out += char(c);
        }
    }
}

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// A user-agent line names a product token, "ExampleBot" of "ExampleBot/1.0"
// for instance: its leading letters, "_" and "-".
std::string_view productTokenOf(std::string_view agent)
{
    const auto isTokenChar = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '-';
    };
    return agent.substr(0, std::size_t(std::find_if_not(agent.begin(), agent.end(), isTokenChar) - agent.begin()));
}

// The part of the body that is read: the first maxParsedBytes less a line
// the limit cuts through, which read in part could say something else, and
// less a byte order mark.
std::string_view readablePart(std::string_view body)
{
    if (body.size() > RobotsTxt::maxParsedBytes) {
        const char next = body[RobotsTxt::maxParsedBytes];
        body = body.substr(0, RobotsTxt::maxParsedBytes);
        if (next != '\r' && next != '\n') {
            const std::size_t lastEnd = body.find_last_of("\r\n");
            body = body.substr(0, lastEnd == std::string_view::npos ? 0 : lastEnd + 1);
        }
    }
    if (body.substr(0, byteOrderMark.size()) == byteOrderMark)
        body.remove_prefix(byteOrderMark.size());
    return body;
}

// The first occurrence of needle in text at or after from, in linear time.
std::size_t findFrom(std::string_view text, std::size_t from, std::string_view needle)
{
    if (needle.empty())
        return from;
    const void* hit = memmem(text.data() + from, text.size() - from, needle.data(), needle.size());
    return hit ? std::size_t(static_cast<const char*>(hit) - text.data()) : std::string_view::npos;
}

// A Crawl-delay value: seconds, a whole or decimal number, at least 0.
std::optional<double> secondsIn(std::string_view value)
{
    double seconds = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (error != std::errc() || end != value.data() + value.size() || !std::isfinite(seconds) || seconds < 0)
        return std::nullopt;
    return seconds;
}

} // namespace

void RobotsTxt::addRule(std::vector<Rule>& rules, std::string_view value, bool allow)
{
    // An empty value matches nothing; a pattern starts with "/" or, as the
    // RFC's own example "*.gif$" does, with the wildcard.
    if (value.empty() || (value[0] != '/' && value[0] != '*') || rules.size() >= maxRules)
        return;
    Rule rule{{}, 0, 0, value.back() == '$', allow};
    if (rule.anchored)
        value.remove_suffix(1);
    appendNormalised(rule.pattern, value, true);
    rule.specificity = rule.pattern.size() + (rule.anchored ? 1 : 0);
    rule.literalOctets = rule.pattern.size() - std::size_t(std::count(rule.pattern.begin(), rule.pattern.end(), '*'));
    rules.push_back(std::move(rule));
}

RobotsTxt RobotsTxt::parse(std::string_view body, std::string_view productToken)
{
    std::vector<Rule> ours, anyone;
    std::optional<double> ourDelay, anyonesDelay;
    std::vector<std::string> sitemaps;
    bool oursNamed = false;     // some group names our product token, even one without rules
    bool readingAgents = false; // the last record read was a user-agent line
    bool groupIsOurs = false, groupIsAnyones = false;

    std::string_view rest = readablePart(body);
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find_first_of("\r\n"), rest.size());
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size())); // an empty line after a CR changes nothing
        line = line.substr(0, line.find('#'));
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view key = trimmed(line.substr(0, colon));
        const std::string_view value = trimmed(line.substr(colon + 1));

        if (equalsIgnoringCase(key, "user-agent")) {
            if (!readingAgents)
                groupIsOurs = groupIsAnyones = false; // the user-agent lines of a new group begin
            readingAgents = true;
            if (value == "*")
                groupIsAnyones = true;
            else if (!productToken.empty() && equalsIgnoringCase(productTokenOf(value), productToken))
                groupIsOurs = oursNamed = true;
        } else if (const bool allow = equalsIgnoringCase(key, "allow"); allow || equalsIgnoringCase(key, "disallow")) {
            readingAgents = false;
            if (groupIsOurs)
                addRule(ours, value, allow);
            if (groupIsAnyones)
                addRule(anyone, value, allow);
        } else if (equalsIgnoringCase(key, "crawl-delay")) {
            const std::optional<double> delay = secondsIn(value);
            if (groupIsOurs && delay)
                ourDelay = delay;
            if (groupIsAnyones && delay)
                anyonesDelay = delay;
        } else if (equalsIgnoringCase(key, "sitemap") && !value.empty() && sitemaps.size() < maxSitemaps) {
            // Sitemap lines belong to no group. The value was cut at '#'
            // above, which no sitemap URL holds but as a fragment.
            sitemaps.emplace_back(value);
        }
        // Other records neither end a group nor start one.
    }

    RobotsTxt robots;
    robots.m_rules = std::move(oursNamed ? ours : anyone);
    robots.m_crawlDelaySeconds = (oursNamed ? ourDelay : anyonesDelay).value_or(0.0);
    robots.m_sitemaps = std::move(sitemaps);
    robots.sortRules();
    return robots;
}

RobotsTxt RobotsTxt::allowAll()
{
    return RobotsTxt();
}

RobotsTxt RobotsTxt::disallowAll()
{
    RobotsTxt robots;
    addRule(robots.m_rules, "/", false);
    return robots;
}

void RobotsTxt::sortRules()
{
    const auto key = [](const Rule& r) { return std::tie(r.specificity, r.allow, r.anchored, r.pattern); };
    std::sort(m_rules.begin(), m_rules.end(), [&](const Rule& a, const Rule& b) { return key(a) > key(b); });
    m_rules.erase(
        std::unique(m_rules.begin(), m_rules.end(), [&](const Rule& a, const Rule& b) { return key(a) == key(b); }),
        m_rules.end());
}

// The pattern's literal pieces, cut at each "*", each placed at its first
// occurrence after the one before: the leftmost place leaves the most path
// for the pieces after it, so no other placement needs trying, and the path
// is searched once for each piece in linear time.
bool RobotsTxt::matches(const Rule& rule, std::string_view path)
{
    if (rule.literalOctets > path.size())
        return false;
    const std::string_view pattern = rule.pattern;
    std::size_t star = pattern.find('*');
    const std::string_view head = pattern.substr(0, star);
    if (path.substr(0, head.size()) != head)
        return false;
    if (star == std::string_view::npos)
        return !rule.anchored || path.size() == head.size();
    std::size_t at = head.size();
    for (;;) {
        const std::size_t from = star + 1;
        star = pattern.find('*', from);
        const std::string_view piece = pattern.substr(from, star == std::string_view::npos ? star : star - from);
        if (star == std::string_view::npos && rule.anchored)
            return path.size() - at >= piece.size() && path.ends_with(piece);
        const std::size_t found = findFrom(path, at, piece);
        if (found == std::string_view::npos)
            return false;
        if (star == std::string_view::npos)
            return true;
        at = found + piece.size();
    }
}

bool RobotsTxt::allows(std::string_view pathAndQuery) const
{
    std::string path;
    path.reserve(pathAndQuery.size() + 1);
    appendNormalised(path, pathAndQuery.empty() ? std::string_view("/") : pathAndQuery, false);
    if (path == "/robots.txt")
        return true;
    // The first match is the longest, and an Allow where an Allow and a Disallow are as long.
    for (const Rule& rule : m_rules) {
        if (matches(rule, path))
            return rule.allow;
    }
    return true;
}
