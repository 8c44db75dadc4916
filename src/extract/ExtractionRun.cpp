// "Start Extracting Phone Numbers": fetch every URL of the list in order,
// scan each page and append a results row for every candidate whose digit
// count is a ticked length, with the page's URL in front when asked.
//
// The pages of the next URLs are requested while the current one is awaited,
// so pages are always on their way. The run yields to the event loop once per URL
// and, time-sliced, between candidates, so the window repaints and the user can change options, edit
// the lists or close the window. Options are read again after every yield,
// so a change applies from the next candidate on.

#include "TickedLengths.h"
#include "app/ErrorTrap.h"
#include "app/Form1.h"
#include "app/ProgressBar.h"
#include "app/RowListModel.h"
#include "app/ValueCheckBox.h"
#include "core/PageStep.h"
#include "core/Yield.h"
#include "core/fetch/FetchWindow.h"
#include "core/fetch/PageFetcher.h"
#include "core/fetch/SystemProxy.h"
#include "platform/Dialogs.h"

#include <optional>

namespace {
constexpr int busyPointer = 11;
} // namespace

void Form1::PushButton7_Click()
{
    ErrorTrap trap(dialogs(), QStringLiteral("Form1.PushButton7_Click"));
    PageStep step;
    bool appending = true; // rows are added until one cannot be

    trap.at(100, [&] { step.clear(); });
    if (trap.test(102, [&] { return m_running; }))
        return;
    trap.at(104, [&] { m_running = true; });

    if (trap.test(106, [&] { return urlRows()->count() == 0; })) {
        trap.at(158, [&] { dialogs().msgBox(QStringLiteral("No URLs added.")); });
        trap.at(160, [&] { m_running = false; });
        return;
    }

    int total = 0;
    trap.at(108, [&] {
        total = urlRows()->count();
        // A proxy variable libcurl cannot use would fail every page alike:
        // it is reported once, and no page is fetched.
        const QString unusableProxy = SystemProxy::malformed();
        if (!unusableProxy.isEmpty()) {
            total = 0;
            throw AppError(unusableProxy);
        }
    });
    FetchWindow ahead(Inet1);
    // Rows past the count read at the start are never visited, so never fetched.
    const FetchWindow::UrlAt urlAt = [&](qint64 row) -> std::optional<QString> {
        if (row < 1 || row > total || row > urlRows()->count())
            return std::nullopt;
        return urlRows()->text(int(row));
    };
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
        trap.at(116, [&] {
            // Requests whose row changed meanwhile are cancelled at once.
            if (Yield::sliced())
                ahead.prune(urlAt);
        });
        trap.at(118, [&] { setMousePointer(busyPointer); });

        // A URL that could not be read, or a page that could not be fetched,
        // has nothing to scan: its candidates are none rather than the last
        // page's again. The next URLs' pages are requested before this one is
        // awaited, so they travel while this one is scanned.
        bool fetched = false;
        QByteArray page;
        if (haveUrl) {
            trap.at(120, [&] {
                page = ahead.fetch(i, url, urlAt);
                fetched = true;
                ahead.prune(urlAt); // the list may have changed while the page was awaited
            });
        }
        const QByteArray urlUtf8 = url.toUtf8();
        step.clear();
        if (fetched)
            trap.at(122, [&] {
                step.scan(std::string_view(urlUtf8.constData(), std::size_t(urlUtf8.size())),
                          std::string_view(page.constData(), std::size_t(page.size())));
            });
        page = QByteArray();
        trap.at(124, [&] { setMousePointer(busyPointer); });

        RowChoice choice{tickedLengths(Check1), Check2->value() == 1};
        ListRows::Prefix urlPrefix; // the page's rows keep its URL once
        const std::size_t candidateCount = step.candidateCount();
        for (std::size_t j = 0; j < candidateCount && appending; ++j) {
            trap.at(128, [&] { setMousePointer(busyPointer); });
            if (Yield::sliced()) {
                // The user may have ticked boxes or emptied the lists meanwhile.
                ahead.prune(urlAt);
                choice = RowChoice{tickedLengths(Check1), Check2->value() == 1};
            }
            const std::optional<PageRow> row = step.row(j, choice);
            if (!row)
                continue;
            // A row that cannot be added (memory exhausted) is reported once;
            // the run then adds no more rows but still goes to its end.
            appending = false;
            if (row->withUrl)
                trap.at(140, [&] {
                    if (!resultRows()->holds(urlPrefix))
                        urlPrefix = resultRows()->sharePrefix(row->url, ResultsFormat::urlSeparator);
                    resultRows()->appendShared(urlPrefix, row->digits);
                    appending = true;
                });
            else
                trap.at(142, [&] {
                    resultRows()->appendUtf8(row->digits);
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
