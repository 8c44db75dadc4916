// URLs pasted into the URL list (Ctrl+V, Shift+Insert) or dropped on it.
// Links, a browser's text/uri-list among them, give one row each; a file
// (dropped from a file manager, or copied there and pasted) is loaded as
// "Load List Of URLs From Text File" loads it. Plain text is cut into lines as
// a URL file is, at CR, LF or CR LF; since pasted text so often comes with
// stray blanks and blank lines around it, each line is trimmed and the empty
// ones skipped. A failure is reported in the Application Error box, as the
// button's would be.

#include "UrlFileLoader.h"
#include "app/ErrorTrap.h"
#include "app/Form1.h"
#include "app/RowListModel.h"
#include "core/UrlLineSplitter.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {
void appendTextLines(RowListModel& rows, const QString& text)
{
    for (const QByteArray& line : splitUrlLines(text.toUtf8())) {
        const QString url = QString::fromUtf8(line).trimmed();
        if (!url.isEmpty())
            rows.append(url);
    }
}

void appendLinksOrText(Form1& form, ErrorTrap& trap, const QList<QUrl>& links, const QString& text)
{
    for (const QUrl& link : links) {
        if (link.isLocalFile())
            trap.at(102, [&] { LoadUrlFile(*form.urlRows(), link.toLocalFile(), form.dialogs()); });
        else
            trap.at(104, [&] { form.urlRows()->append(link.toString(QUrl::FullyEncoded)); });
    }
    if (links.isEmpty())
        trap.at(106, [&] { appendTextLines(*form.urlRows(), text); });
}
} // namespace

void Form1::ListView1_Paste()
{
    ErrorTrap trap(dialogs(), QStringLiteral("Form1.ListView1_Paste"));
    QList<QUrl> links;
    QString text;
    trap.at(100, [&] {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (!data)
            return;
        links = data->urls();
        text = data->text();
    });
    appendLinksOrText(*this, trap, links, text);
}

void Form1::ListView1_OLEDragDrop(const QList<QUrl>& links, const QString& text)
{
    ErrorTrap trap(dialogs(), QStringLiteral("Form1.ListView1_OLEDragDrop"));
    appendLinksOrText(*this, trap, links, text);
}
