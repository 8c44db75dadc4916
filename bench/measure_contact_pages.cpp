// Labelled numbers found and false rows on the contact pages of
// contact_pages/, each written in one country's formats with the identifiers
// real pages carry beside their numbers: libphonenumber's matcher alone on the
// page's text, beside the reader --region runs. expected.tsv names, for each
// page, its region and every labelled telephone number on it in E.164.
// Usage: measure_contact_pages [DIR] [-v]; -v lists each page's rows.

#include "core/html/PageText.h"
#include "core/numbers/PhoneNumberReader.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

namespace {

struct Tally {
    int found = 0;
    int falseRows = 0;
};

void tally(const std::vector<FoundNumber>& rows, const std::set<std::string>& expected, Tally& into, bool verbose,
           const char* who)
{
    std::set<std::string> seen;
    for (const FoundNumber& row : rows) {
        if (expected.count(row.e164))
            seen.insert(row.e164);
        else
            ++into.falseRows;
        if (verbose)
            std::printf("  %-6s %s %-18s \"%s\"\n", who, expected.count(row.e164) ? "  " : "✗ ", row.e164.c_str(),
                        row.text.c_str());
    }
    into.found += int(seen.size());
    if (verbose)
        for (const std::string& number : expected)
            if (!seen.count(number))
                std::printf("  %-6s missed %s\n", who, number.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    const QByteArray dir = argc > 1 && argv[1][0] != '-' ? QByteArray(argv[1]) : QByteArray(VANDRELL_CONTACT_PAGES);
    const bool verbose = std::strcmp(argv[argc - 1], "-v") == 0;
    QFile list(QString::fromLocal8Bit(dir + "/expected.tsv"));
    if (!list.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s/expected.tsv\n", dir.constData());
        return 1;
    }
    PhoneNumberReader ours;
    PhoneNumberReader alone(PhoneNumberReader::Judge::LibraryAlone, PhoneNumberReader::Feed::WholeText);
    Tally oursTally, aloneTally;
    int labelled = 0, pages = 0;
    for (const QByteArray& line : list.readAll().split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split('\t');
        if (fields.size() < 3 || line.startsWith('#'))
            continue;
        QFile file(QString::fromLocal8Bit(dir + '/' + fields[0]));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", fields[0].constData());
            return 1;
        }
        const QByteArray html = file.readAll();
        const PageText text = extractPageText(std::string_view(html.constData(), std::size_t(html.size())));
        std::set<std::string> expected;
        for (const QByteArray& number : fields[2].split(' '))
            if (!number.isEmpty())
                expected.insert(number.toStdString());
        labelled += int(expected.size());
        ++pages;
        if (verbose)
            std::printf("%s (%s)\n", fields[0].constData(), fields[1].constData());
        tally(alone.read(text, fields[1].toStdString()), expected, aloneTally, verbose, "alone");
        // As --region reads a page: the sieve first (NumberSieve), then the text.
        const std::string region = fields[1].toStdString();
        const std::string_view bytes(html.constData(), std::size_t(html.size()));
        tally(ours.mayHoldNumbers(bytes, {}, region) ? ours.read(text, region) : std::vector<FoundNumber>{}, expected,
              oursTally, verbose, "ours");
    }
    std::printf("%d pages, %d labelled numbers\n", pages, labelled);
    std::printf("library alone: %d found, %d false rows\n", aloneTally.found, aloneTally.falseRows);
    std::printf("--region:      %d found, %d false rows\n", oursTally.found, oursTally.falseRows);
    return 0;
}
