// "Start Extracting Phone Numbers": fetch every URL of the list in order,
// scan each page and append a results row for every candidate whose digit
// count is a ticked length, with the page's URL in front when asked.
//
// The next URL's page is requested while the current one is awaited, so a
// page is always on its way. The run yields to the event loop once per URL
// and, time-sliced, between candidates, so the window repaints and the user can change options, edit
// the lists or close the window. Options are read again after every yield,
// so a change applies from the next candidate on.

#include "AcceptedLengths.h"
#include "PhoneScanner.h"
#include "app/ErrorTrap.h"
#include "app/Form1.h"
#include "app/ProgressBar.h"
#include "app/RowListModel.h"
#include "app/ValueCheckBox.h"
#include "platform/AppError.h"
#include "platform/Dialogs.h"
#include "platform/PageFetcher.h"
#include "platform/Yield.h"

#include <algorithm>
#include <deque>

namespace {
constexpr int busyPointer = 11;
const std::string_view urlSeparator = " - ";

// Pages of the URLs after the current one, already requested, so that the
// network never waits on the scanning. A page is used only if its row still
// holds the same URL when the run gets there.
class PagesAhead final {
public:
    static constexpr int depth = 3;

    // Requests the pages of rows after `row` up to `depth` ahead, within `last`.
    void requestAfter(PageFetcher& fetcher, int row, int last, const RowListModel& urls)
    {
        int next = m_pages.empty() ? row + 1 : m_pages.back().row + 1;
        for (; next <= std::min({row + depth, last, urls.count()}); ++next) {
            Ahead ahead{next, urls.text(next), nullptr};
            try {
                ahead.page = fetcher.start(ahead.url);
            } catch (const AppError&) {
                // A refused URL is reported in its own turn.
            }
            m_pages.push_back(std::move(ahead));
        }
    }

    std::unique_ptr<PendingPage> takeFor(int row, const QString& url)
    {
        while (!m_pages.empty() && m_pages.front().row < row)
            m_pages.pop_front();
        if (m_pages.empty() || m_pages.front().row != row || m_pages.front().url != url) {
            m_pages.clear(); // the list has changed under the run
            return nullptr;
        }
        std::unique_ptr<PendingPage> page = std::move(m_pages.front().page);
        m_pages.pop_front();
        return page;
    }

private:
    struct Ahead {
        int row;
        QString url;
        std::unique_ptr<PendingPage> page;
    };
    std::deque<Ahead> m_pages;
};
} // namespace

void Form1::PushButton7_Click()
{
    ErrorTrap trap(dialogs(), QStringLiteral("Form1.PushButton7_Click"));
    CandidateList candidates;
    bool appending = true; // rows are added until one cannot be

    trap.at(100, [&] { candidates.clear(); });
    if (trap.test(102, [&] { return m_running; }))
        return;
    trap.at(104, [&] { m_running = true; });

    if (trap.test(106, [&] { return urlRows()->count() == 0; })) {
        trap.at(158, [&] { dialogs().msgBox(QStringLiteral("No URLs added.")); });
        trap.at(160, [&] { m_running = false; });
        return;
    }

    int total = 0;
    trap.at(108, [&] { total = urlRows()->count(); });
    PagesAhead ahead;
    for (int i = 1; i <= total; ++i) {
        QString url;
        bool haveUrl = false;
        trap.at(110, [&] {
            url = urlRows()->text(i);
            haveUrl = true;
        });
        trap.at(112, [&] {
            const int count = urlRows()->count();
            const double percent = count == 0 ? 0.0 : double(i) / count * 100.0;
            ProgressBar1->setProgress(qRound(percent));
        });
        trap.at(114, [&] {
            setProgressText(QStringLiteral("Please wait.. looking at URL: ") + QString::number(i) +
                            QStringLiteral(" of ") + QString::number(urlRows()->count()));
        });
        trap.at(116, [&] { Yield::sliced(); });
        trap.at(118, [&] { setMousePointer(busyPointer); });

        // A URL that could not be read, or a page that could not be fetched,
        // has nothing to scan: its candidates are none rather than the last
        // page's again. The next URL's page is requested before this one is
        // awaited, so it travels while this one is scanned.
        bool fetched = false;
        QByteArray page;
        if (haveUrl) {
            trap.at(120, [&] {
                std::unique_ptr<PendingPage> pending = ahead.takeFor(i, url);
                if (!pending)
                    pending = Inet1.start(url);
                ahead.requestAfter(Inet1, i, total, *urlRows());
                page = pending->take();
                fetched = true;
            });
        }
        candidates.clear();
        if (fetched)
            trap.at(122, [&] {
                ScanPhoneNumbers(std::string_view(page.constData(), std::size_t(page.size())), candidates);
            });
        page = QByteArray();
        trap.at(124, [&] { setMousePointer(busyPointer); });

        const QByteArray urlUtf8 = url.toUtf8();
        const std::string_view urlBytes(urlUtf8.constData(), std::size_t(urlUtf8.size()));
        AcceptedLengths accepted = AcceptedLengths::fromBoxes(Check1);
        bool withUrl = Check2->value() == 1;
        ListRows::Prefix urlPrefix; // the page's rows keep its URL once
        const std::size_t candidateCount = candidates.size();
        for (std::size_t j = 0; j < candidateCount && appending; ++j) {
            trap.at(128, [&] { setMousePointer(busyPointer); });
            if (Yield::sliced()) {
                // The user may have ticked boxes or emptied the lists meanwhile.
                accepted = AcceptedLengths::fromBoxes(Check1);
                withUrl = Check2->value() == 1;
            }
            if (!accepted.accepts(candidates.digitCount(j)))
                continue;
            // A row that cannot be added (memory exhausted) is reported once;
            // the run then adds no more rows but still goes to its end.
            appending = false;
            if (withUrl)
                trap.at(140, [&] {
                    if (!resultRows()->holds(urlPrefix))
                        urlPrefix = resultRows()->sharePrefix(urlBytes, urlSeparator);
                    resultRows()->appendShared(urlPrefix, candidates.digits(j));
                    appending = true;
                });
            else
                trap.at(142, [&] {
                    resultRows()->appendUtf8(candidates.digits(j));
                    appending = true;
                });
        }
    }

    trap.at(150, [&] { setMousePointer(0); });
    trap.at(152, [&] { ProgressBar1->setProgress(0); });
    trap.at(154, [&] { setProgressText(QStringLiteral("Progress Bar")); });
    trap.at(156, [&] { dialogs().msgBox(QStringLiteral("Done.")); });
    trap.at(160, [&] { m_running = false; });
}
