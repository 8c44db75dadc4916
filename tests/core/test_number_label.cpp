// Tests for what the words before a number say it is, a table per language
// as people write their pages, and for the word table itself.

#include "TestRegistry.h"
#include "core/html/PageText.h"
#include "core/numbers/NumberLabel.h"

#include <QTest>

namespace {

QByteArray described(const NumberLabel& label)
{
    switch (label.kind) {
    case NumberLabel::Kind::None:
        return "none";
    case NumberLabel::Kind::Identifier:
        return label.direct ? "identifier, direct" : "identifier";
    case NumberLabel::Kind::Phone:
        break;
    }
    switch (label.word) {
    case LabelKind::Fax:
        return "fax";
    case LabelKind::Mobile:
        return "mobile";
    case LabelKind::Service:
        return "service";
    default:
        return "phone";
    }
}

} // namespace

class TestNumberLabel final : public QObject {
    Q_OBJECT
private slots:
    // The last run of digits on the page is the number read.
    void labels_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QByteArray>("label");
        const auto row = [](const char* name, const char* html, const char* label) {
            QTest::newRow(name) << QByteArray(html) << QByteArray(label);
        };
        // English
        row("en: customer service", "<p>Customer service: (415) 555-0132</p>", "service");
        row("en: customer no.", "<p>Customer no. 0412 555 013</p>", "identifier, direct");
        row("en: orders desk", "<p>Orders: (415) 555-0132</p>", "service");
        row("en: order #", "<p>Order # 4155550132</p>", "identifier, direct");
        row("en: tax alone says nothing", "<p>Tax 020 7946 0123</p>", "none");
        row("en: tax ID", "<p>Tax ID: 020 7946 0123</p>", "identifier, direct");
        row("en: meter number", "<p>Meter number 2065550125</p>", "identifier, direct");
        row("en: the number", "<p>The number - 0333 370 4000</p>", "phone");
        row("en: phone number", "<p>Phone number 0333 370 4000</p>", "phone");
        row("en: TTY number", "<p>Dial 311. For the hearing impaired, the TTY number is (212) 504-4115.</p>", "phone");
        row("en: fax and a time between", "<p>Fax (24h): 020 7946 0123</p>", "fax");
        row("en: television is no telephone", "<p>Television 2079460123</p>", "none");
        // German
        row("de: Kundenservice", "<p>Kundenservice: 030 1234567</p>", "service");
        row("de: Kundenhotline", "<p>Kundenhotline 030 1234567</p>", "service");
        row("de: Kundennummer", "<p>Kundennummer 030 1234567</p>", "identifier, direct");
        row("de: USt-IdNr.", "<p>USt-IdNr.: 123456789</p>", "identifier, direct");
        row("de: unter der Nummer", "<p>unter der Nummer 07309 84-0</p>", "phone");
        row("de: Handy", "<p>Handy: 0171 1234567</p>", "mobile");
        row("de: Konto alone", "<p>Konto 1234567890</p>", "none");
        row("de: Notruf", "<p>Notruf 030 1234567</p>", "service");
        // French
        row("fr: N° TVA", "<p>N° TVA 0123456789</p>", "identifier, direct");
        row("fr-BE: BCE", "<p>BCE 0476 123 456</p>", "identifier, direct");
        row("fr: N° de commande", "<p>N° de commande 0123456789</p>", "identifier, direct");
        row("fr: numéro de sinistre", "<p>Numéro de sinistre : 06459787-85</p>", "identifier, direct");
        row("fr: numéro vert", "<p>Numéro vert 0 800 78 69 38</p>", "service");
        row("fr: télécopie", "<p>Télécopie : 01 23 45 67 89</p>", "fax");
        // Italian, Spanish, Swedish, Dutch, Japanese
        row("it: numero verde", "<p>numero verde 800123456</p>", "service");
        row("it: chiamare il numero", "<p>chiamare il numero 061234567</p>", "phone");
        row("it: il numero è", "<p>Il numero è 800125850</p>", "phone");
        row("it: numero pratica", "<p>Numero pratica: 055 5380 987</p>", "identifier, direct");
        row("es: atención al cliente", "<p>Atención al cliente 912 345 678</p>", "service");
        row("es: nº de expediente", "<p>Su nº de expediente es el 9631198-72</p>", "identifier");
        row("sv: Kontor is an office", "<p>Kontor 08-123 456 78</p>", "service");
        row("sv: OCR-nummer", "<p>OCR-nummer 040 6280 916</p>", "identifier, direct");
        row("nl: debiteurnummer", "<p>Uw debiteurnummer is 010 6154 337</p>", "identifier");
        row("ja: 電話", "<p>お電話 03-1234-5678</p>", "phone");
        row("ja: フリーダイヤル", "<p>フリーダイヤル:0120-123-456</p>", "service");
        row("ja: ＦＡＸ in full width", "<p>ＦＡＸ：03-1234-5678</p>", "fax");
        row("nl: mobiel", "<p>Mobiel: 06 12345678</p>", "mobile");
        row("pl: faks", "<p>faks: 85 7439 231</p>", "fax");
        row("pl: tel. kom.", "<p>tel. kom. 600 123 456</p>", "mobile");
        row("pt: telemóvel", "<p>Telemóvel: 912 345 678</p>", "mobile");
        row("en: FreeCall", "<p>Customer Relations: FreeCALL 1800 050 004</p>", "service");
        // Signs written for the word
        row("a telephone sign", "<p>\u260E 030 1234567</p>", "phone");
        row("a mobile sign", "<p>\U0001F4F10171 1234567</p>", "mobile");
        // Where a label stands
        row("the block before says nothing", "<p>Tax</p><p>020 7946 0123</p>", "none");
        row("a label line above, past a <br>", "<p>Telefon:<br>030 1234567</p>", "phone");
        row("a line above with a number of its own", "<p>Tel 030 1<br>12345678</p>", "none");
        row("a row's first cell heads it", "<table><tr><th>Fax</th><td>x</td><td>030 1234567</td></tr></table>", "fax");
        row("a term heads its description", "<dl><dt>IBAN</dt><dd>3704 0044 0532</dd></dl>", "identifier, direct");
        row("an identifier before another number is that one's", "<p>Vertragsnummer 015593997, unter 0316 75 75 62</p>",
            "none");
        QTest::newRow("a label of many words is read near the number only")
            << "<p>Tel " + QByteArray(10000 * 5, 'w').replace("wwwww", "word ") + "0316 75 75 62</p>"
            << QByteArray("none");
    }
    void labels()
    {
        QFETCH(QByteArray, html);
        const PageText page = extractPageText(html.toStdString(), "text/html; charset=utf-8");
        std::size_t at = page.text.find_last_of("0123456789");
        while (at > 0 && std::string_view(" 0123456789()-+").find(page.text[at - 1]) != std::string_view::npos)
            --at;
        while (page.text[at] == ' ')
            ++at;
        QFETCH(QByteArray, label);
        QCOMPARE(described(labelBefore(page, at)), label);
    }

    // Each word matches one entry at most: a beginning such as "konto" would
    // also take "Kontor".
    void noEntryShadowsAnother()
    {
        QStringList shadowed;
        for (const ShadowedEntry& pair : shadowingLabelEntries())
            shadowed << QString::fromStdU16String(std::u16string(pair.by->text)) + QStringLiteral(" takes ") +
                            QString::fromStdU16String(std::u16string(pair.shadowed->text));
        QVERIFY2(shadowed.isEmpty(), qPrintable(shadowed.join(u", ")));
    }
};

VANDRELL_TEST(TestNumberLabel)
#include "test_number_label.moc"
