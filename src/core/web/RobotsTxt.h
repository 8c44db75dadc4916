#pragma once
// A site's robots.txt (RFC 9309), read for one crawler and asked about paths.
// Parsing keeps only the rules that bind us: those of every group naming our
// product token (merged), else those of the "*" groups, else none, which
// allows everything. A path is allowed unless the longest matching rule, by
// octets of its pattern, is a Disallow; an Allow wins a tie. Rule patterns
// and paths are compared in one normal form of percent-encoding, so "~" and
// "%7e", or "ツ" and "%E3%83%84", are the same octets. The file is hostile
// input from any server: only its first maxParsedBytes are read, the rules
// kept are capped, and matching a "*" pattern is linear in the path.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class RobotsTxt final {
public:
    static constexpr std::size_t maxParsedBytes = 500 * 1024; // bytes beyond this are ignored
    // More rules than any real site writes for one crawler; later ones are ignored.
    static constexpr std::size_t maxRules = 10000;
    // Sitemap lines kept, in the order written; later ones are ignored.
    static constexpr std::size_t maxSitemaps = 100;

    // The rules of the group for productToken (matched case-insensitively against user-agent lines,
    // per RFC 9309: the product token of the crawler), else of the "*" group, else allow everything.
    static RobotsTxt parse(std::string_view body, std::string_view productToken = "Vandrell");
    // For a robots.txt that does not exist (a 4xx answer).
    static RobotsTxt allowAll();
    // For one that could not be read (a 5xx answer, no answer): only /robots.txt itself is allowed.
    static RobotsTxt disallowAll();
    // pathAndQuery: the URL's path plus "?query" if any, as sent on the wire (percent-encoded), e.g. "/a/b?c=1".
    bool allows(std::string_view pathAndQuery) const;
    // Crawl-delay of the group whose rules bind us, in seconds, as written
    // (a value that is no finite number at least 0 is ignored); 0 when none.
    double crawlDelaySeconds() const { return m_crawlDelaySeconds; }
    // The Sitemap lines' URLs, which stand outside the groups, as written.
    const std::vector<std::string>& sitemaps() const { return m_sitemaps; }

private:
    struct Rule {
        std::string pattern;       // normal form; '*' is the wildcard
        std::size_t specificity;   // octets of the pattern in normal form, "*" and "$" included
        std::size_t literalOctets; // octets a matching path must at least have
        bool anchored;             // ended by "$": the match must reach the end of the path
        bool allow;
    };

    static void addRule(std::vector<Rule>& rules, std::string_view value, bool allow);
    static bool matches(const Rule& rule, std::string_view path);
    void sortRules();

    std::vector<Rule> m_rules; // most specific first, an Allow before a Disallow of the same length
    double m_crawlDelaySeconds = 0;
    std::vector<std::string> m_sitemaps;
};
