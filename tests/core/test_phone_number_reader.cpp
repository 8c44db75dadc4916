// Tests for the numbers --region reads from a page's text: what the
// library's matcher finds, weighed with the page's labels, tel: links, the
// international form and the shapes of other things written with digits.

#include "TestRegistry.h"
#include "core/html/PageText.h"
#include "core/numbers/PhoneNumberReader.h"

#include <QTest>

namespace {

// Each row as "+E164 label", the label "-" when there is none.
QByteArray rows(const QByteArray& html, const std::string& region)
{
    PhoneNumberReader reader;
    QByteArrayList found;
    for (const FoundNumber& number :
         reader.read(extractPageText(html.toStdString(), "text/html; charset=utf-8"), region))
        found << QByteArray::fromStdString(number.e164 + ' ' + (number.label.empty() ? "-" : number.label));
    return found.join(", ");
}

} // namespace

class TestPhoneNumberReader final : public QObject {
    Q_OBJECT
private slots:
    void rows_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QString>("region");
        QTest::addColumn<QByteArray>("rows");
        const auto row = [](const char* name, const char* html, const char* region, const char* rows) {
            QTest::newRow(name) << QByteArray(html) << QString::fromLatin1(region) << QByteArray(rows);
        };
        // Shapes of other things: left out, unless a phone label says otherwise.
        row("a reference with a slash", "<p>Az. 2019/123456</p><p>Ref 2019/1234567</p>", "DE", "");
        row("an area code before a slash", "<p>Stadt 07309/84-0</p>", "DE", "+497309840 -");
        row("a signed decimal", "<p>Lat -49.123456</p><p>+49.1234567</p>", "DE", "");
        row("a dotted date and time", "<p>am 12.03.2024 14:30</p>", "DE", "");
        row("hours", "<p>Fredag 16.00–01.30</p>", "SE", "");
        row("hours after a phone label", "<p>Telefonisch bereikbaar van 09.00-17.00 uur</p>", "NL", "");
        row("a label's colon is no time", "<p>Infoline:030 1234567</p><p>T:+49 30 1234568</p>", "DE",
            "+49301234567 -, +49301234568 -");
        row("an IP address", "<p>Server 192.168.100.200</p>", "DE", "");
        row("a version", "<p>Release v10.2.3.4567</p>", "DE", "");
        row("a phone label keeps a slash", "<p>Tel. 06/681621</p>", "IT", "+3906681621 phone");
        // Evidence against a bare word.
        row("international form after a far identifier", "<p>Customer no. (for mail) +44 20 7946 0123</p>", "GB",
            "+442079460123 -");
        row("a tel: link named an identifier directly",
            "<p>Customer no. <a href='tel:+442079460123'>+44 20 7946 0123</a></p>", "GB", "");
        row("a tel: link", "<p><a href='tel:+442079460123'>Call us</a></p>", "GB", "+442079460123 -");
        row("&plus; is a plus sign", "<p>Zentrale &plus;49 30 1234567</p>", "", "+49301234567 phone");
        // What the label says the number is for.
        row("fax, mobile, service", "<p>Fax 030 1234567</p><p>Mobil 0171 1234567</p><p>Hotline 030 7654321</p>", "DE",
            "+49301234567 fax, +491711234567 mobile, +49307654321 phone");
        // Letters, where a phone label stands.
        row("letters with a label", "<p>Call 1-800-FLOWERS today</p>", "US", "+18003569377 phone");
        row("letters without one", "<p>Model 1-800-FLOWERS</p>", "US", "");
        row("letters after other figures", "<p>Dial 311 (212-NEW-YORK)</p>", "US", "+12126399675 phone");
    }
    void rows()
    {
        QFETCH(QByteArray, html);
        QFETCH(QString, region);
        QFETCH(QByteArray, rows);
        QCOMPARE(::rows(html, region.toStdString()), rows);
    }

    void lettersKeptAsWritten()
    {
        PhoneNumberReader reader;
        const std::vector<FoundNumber> found = reader.read(extractPageText("<p>Tel: (800) GOT-JUNK</p>"), "US");
        QCOMPARE(found.size(), std::size_t(1));
        QCOMPARE(QByteArray::fromStdString(found[0].text), QByteArray("(800) GOT-JUNK"));
        QCOMPARE(QByteArray::fromStdString(found[0].e164), QByteArray("+18004685865"));
    }

    // Bounded in what they cost, whatever the page's author wrote.
    void hostilePages()
    {
        QByteArray letters;
        for (int i = 0; i < 64 * 1024 / 8; ++i)
            letters += "1-AB2-CD";
        QByteArray cells = "<table><tr>";
        for (int i = 0; i < 100000; ++i)
            cells += "<td>Tel 030 " + QByteArray::number(1000000 + i % 10) + "</td>";
        QByteArray nested = "<p>Tel ";
        for (int i = 0; i < 400; ++i)
            nested += "<b>";
        nested += "030 1234567";
        QCOMPARE(::rows("<p>Tel " + letters + "</p>", "US"), QByteArray());
        QCOMPARE(::rows(cells, "DE").count("+4930100000"), 100000);
        QCOMPARE(::rows(nested, "DE"), QByteArray("+49301234567 phone"));
        QCOMPARE(::rows("<p>" + QByteArray("Kundenservice Telefon ").repeated(5000) + "030 1234567</p>", "DE"),
                 QByteArray("+49301234567 phone"));
    }
};

VANDRELL_TEST(TestPhoneNumberReader)
#include "test_phone_number_reader.moc"
