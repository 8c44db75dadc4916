#pragma once
// One page's way from its bytes to its results rows: the scan, then a row
// for every candidate whose digit count is accepted, with the page's URL in
// front when asked. The window takes the rows candidate by candidate, since
// it yields and reads its options again between them; the harvester takes a
// page's rows at once. Both get the same rows from the same code.

#include "core/ResultsFormat.h"
#include "core/numbers/AcceptedLengths.h"
#include "core/numbers/PhoneScanner.h"

#include <QByteArray>

#include <optional>
#include <string_view>

struct RowChoice {
    AcceptedLengths lengths;
    bool withUrl = false;
};

// One row: the page's URL when shown, and the candidate's digits. Valid
// until the step scans again.
struct PageRow {
    bool withUrl;
    std::string_view url;
    std::string_view digits;

    void appendTo(QByteArray& out) const { ResultsFormat::appendRow(out, withUrl, url, digits); }
};

class PageStep final {
public:
    // Cuts the page into candidates; the page's bytes may go afterwards.
    // url is the page's URL as the rows show it and must outlive the rows.
    void scan(std::string_view url, std::string_view page);
    // Forgets the last page, keeping the buffers for the next.
    void clear();

    std::size_t candidateCount() const { return m_candidates.size(); }
    // Candidate j's row, or none when its digit count is not accepted.
    std::optional<PageRow> row(std::size_t j, const RowChoice& choice) const
    {
        if (!choice.lengths.accepts(m_candidates.digitCount(j)))
            return std::nullopt;
        return PageRow{choice.withUrl, m_url, m_candidates.digits(j)};
    }
    // Every row of the page in order.
    template <typename OnRow> void forEachRow(const RowChoice& choice, OnRow&& onRow) const
    {
        for (std::size_t j = 0; j < m_candidates.size(); ++j)
            if (const std::optional<PageRow> accepted = row(j, choice))
                onRow(*accepted);
    }

private:
    std::string_view m_url;
    CandidateList m_candidates;
};
