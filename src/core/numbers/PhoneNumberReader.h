#pragma once
// The telephone numbers of one page's text, validated by libphonenumber and
// written in E.164. The phone-number scanner's SIMD pass first finds whether
// the text holds digits at all and which of its lines do; only those lines
// (cut to a bounded length) with a run of digits long enough for a number in
// the region (ShortestNumber) go to libphonenumber's PhoneNumberMatcher, at
// leniency VALID. Its matches are then weighed with the page's own signals:
// a tel: link, a label before the number (NumberLabel), the international
// form, a shape no telephone number has (NumberShape). Numbers of tel: links
// whose text does not show them are read too, and numbers written with
// letters ("1-800-FLOWERS") where a label says they are telephones.

#include "core/html/PageText.h"
#include "core/html/PlainMarkup.h"
#include "core/numbers/PhoneScanner.h"
#include "core/numbers/ShortestNumber.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct FoundNumber {
    std::size_t position = 0; // where it starts in the page's text
    std::string e164;         // "+493012345678"
    std::string text;         // as written on the page
    std::string region;       // the region it belongs to, "DE"
    std::string type;         // "fixed_line", "mobile", ...
    std::string label;        // "phone", "fax" or "mobile", as its label says; empty without one
};

class PhoneNumberReader final {
public:
    // Signals: the matches weighed as above. LibraryAlone: every match the
    // library makes on the text, for comparison.
    enum class Judge { Signals, LibraryAlone };
    // Stretches: the matcher reads only the lines holding digits. WholeText:
    // it reads the whole text at once, for comparison.
    enum class Feed { Stretches, WholeText };

    explicit PhoneNumberReader(Judge judge = Judge::Signals, Feed feed = Feed::Stretches);

    // region: an ISO 3166-1 code in capitals for numbers written without a
    // country code, or empty to take only numbers in international form.
    std::vector<FoundNumber> read(const PageText& page, const std::string& region);

    // False when the page's bytes alone show that read() would find nothing
    // in its text (NumberSieve): its runs of digits are too short for a
    // number, or the matcher finds none in them. Costs a small part of what
    // parsing the page does. markupAlsoTold, if any, is told the markup the
    // sieve walks (sievePage).
    bool mayHoldNumbers(std::string_view html, std::string_view contentType, const std::string& region,
                        PlainMarkup::Visitor* markupAlsoTold = nullptr);

    // Whether libphonenumber knows the region (capitals: "DE", "GB").
    static bool isKnownRegion(std::string_view code);

private:
    void setRegion(const std::string& region);
    // What the matcher finds in the text's stretches that may hold a number.
    void findMatches(std::string_view text, const std::string& region, std::vector<FoundNumber>& matches);
    void matchStretch(std::string_view text, std::size_t offset, const std::string& region,
                      std::vector<FoundNumber>& found);

    Judge m_judge;
    Feed m_feed;
    CandidateList m_digits; // the scanner's output, kept for its buffers
    // The pages of a site repeat their header, menu and footer: what the
    // matcher made of a stretch, by region and text, positions from the
    // stretch's start. Emptied when its keys pass a bound.
    std::unordered_map<std::string, std::vector<FoundNumber>> m_stretches;
    std::size_t m_stretchBytes = 0;
    // Windows of pages (NumberSieve), by region, that held no number.
    std::unordered_set<std::string> m_emptyWindows;
    std::size_t m_emptyWindowBytes = 0;
    // The fewest digits of a number in the region last read for.
    std::string m_shortestRegion;
    ShortestNumber m_shortest;
};
