// The sieve that spares --region the parse of pages without numbers: a table
// of pages it passes over or not, beside what the matcher finds in their
// whole text, and the fewest digits of a number it counts on, against every
// example number libphonenumber has.

#include "TestRegistry.h"
#include "core/html/NumberSieve.h"
#include "core/html/PageText.h"
#include "core/numbers/PhoneNumberReader.h"

#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumberutil.h>

#include <QTest>

#include <map>
#include <set>
#include <vector>

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

namespace {
std::size_t digitsIn(const std::string& text)
{
    return std::size_t(std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }));
}
} // namespace

class TestNumberSieve final : public QObject {
    Q_OBJECT
private slots:
    // Each page as --region reads it: what the matcher finds in its whole
    // text, and whether the sieve passes over it. It never passes over a
    // page where the matcher finds a number.
    void pages_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QString>("region");
        QTest::addColumn<QByteArray>("numbers"); // the matcher's, on the whole text
        QTest::addColumn<bool>("passedOver");
        const auto row = [](const char* name, const QByteArray& html, const char* region, const char* numbers,
                            bool passedOver) {
            QTest::newRow(name) << html << QString::fromLatin1(region) << QByteArray(numbers) << passedOver;
        };
        row("runs too short", "<p>Python 3.11.4, page 42 of 1,207</p>", "US", "", true);
        row("long runs that hold no number", "<p>Build 2024-0312-88 of 12 345 678 901 234</p>", "GB", "", true);
        row("split by markup", "<p>Tel <span>030</span> <b>123</b>4567</p><p>more</p>", "DE", "+49301234567", false);
        row("comments pass unseen", "<p>Tel 030<!-- 9 --> 1234567 ok", "DE", "+49301234567", false);
        row("a table's cells", "<td>Tel 030</td><td>1234567</td>", "DE", "", false);
        row("a block's start tag ends a line", "<tr><td>Tel 030 1234567<p>030 1234568</td>", "DE",
            "+49301234567 +49301234568", false);
        row("a plus sign as a reference", "Call &#43;44 20 7946 0958 now", "GB", "+442079460958", false);
        row("a plus sign as an HTML5 name", "Call &plus;44 20 7946 0958 now", "GB", "+442079460958", false);
        row("no region: international form only", "Tel 030 1234567, Tel +33 1 23 45 67 89", "ZZ", "+33123456789",
            false);
        row("a tel: link", "<a href=' tel:+4930123'>Call</a>", "DE", "", false);
        row("bytes that are no UTF-8", "<p>T\xe9l 030 1234567</p>", "DE", "+49301234567", false);
        row("an image's alt text", "<p>Tel <img alt='030 1234567'></p>", "DE", "+49301234567", false);
        row("markup libxml2 recovers from its own way", "<p a=b\"c>030 1234567</p>", "DE", "+49301234567", false);
        row("a script's digits", "<script>x = 0301234567;</script><p>none</p>", "DE", "", true);
        // Numbers written with letters are read after a phone label, and have too few digits for a run.
        row("a number written with letters", "<p>Call 1-800-FLOWERS today</p>", "US", "", false);
        row("capitals after digits that dial nothing", "<p>(c) 2024 ACME, open 10 AM</p>", "US", "", true);
    }

    void pages()
    {
        QFETCH(QByteArray, html);
        QFETCH(QString, region);
        QFETCH(QByteArray, numbers);
        QFETCH(bool, passedOver);
        const std::string_view bytes(html.constData(), std::size_t(html.size()));
        PhoneNumberReader alone(PhoneNumberReader::Judge::LibraryAlone, PhoneNumberReader::Feed::WholeText);
        QByteArrayList found;
        for (const FoundNumber& number : alone.read(extractPageText(bytes, "text/html"), region.toStdString()))
            found << QByteArray::fromStdString(number.e164);
        QCOMPARE(found.join(' '), numbers);
        PhoneNumberReader reader;
        QCOMPARE(!reader.mayHoldNumbers(bytes, "text/html", region.toStdString()), passedOver);
    }

    // Every example number of every region and type has at least the digits
    // the sieve requires in each region it may be written in: nationally
    // where the country code is shared, internationally anywhere, and after
    // the region's international prefix; and no region dials abroad with a
    // prefix of one digit.
    void shortestNumberHoldsForEveryExample()
    {
        const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
        std::set<std::string> regions;
        util.GetSupportedRegions(&regions);
        QVERIFY(regions.size() > 200);
        std::multimap<int, PhoneNumber> examples; // by country code
        for (const std::string& region : regions) {
            std::set<PhoneNumberUtil::PhoneNumberType> types;
            util.GetSupportedTypesForRegion(region, &types);
            for (PhoneNumberUtil::PhoneNumberType type : types) {
                PhoneNumber example;
                if (util.GetExampleNumberForType(region, type, &example))
                    examples.emplace(example.country_code(), example);
            }
        }
        std::vector<PhoneNumber> shortestAbroad; // the examples with the fewest digits
        for (const auto& [code, example] : examples) {
            std::string international;
            util.Format(example, PhoneNumberUtil::INTERNATIONAL, &international);
            if (digitsIn(international) <= 7)
                shortestAbroad.push_back(example);
        }
        QVERIFY(!shortestAbroad.empty());
        for (const std::string& region : regions) {
            const ShortestNumber shortest = shortestNumber(region);
            const auto [from, to] = examples.equal_range(util.GetCountryCodeForRegion(region));
            for (auto at = from; at != to; ++at) {
                std::string national;
                std::string international;
                util.Format(at->second, PhoneNumberUtil::NATIONAL, &national);
                util.Format(at->second, PhoneNumberUtil::INTERNATIONAL, &international);
                QVERIFY2(digitsIn(national) >= shortest.national, (region + " " + national).c_str());
                QVERIFY2(digitsIn(international) >= shortest.international, (region + " " + international).c_str());
            }
            for (const PhoneNumber& example : shortestAbroad) {
                std::string dialled;
                util.FormatOutOfCountryCallingNumber(example, region, &dialled);
                if (dialled.find('+') == std::string::npos)
                    QVERIFY2(digitsIn(dialled) >= shortest.national, (region + " " + dialled).c_str());
            }
            for (char prefix = '0'; prefix <= '9'; ++prefix) {
                PhoneNumber number;
                if (util.Parse(std::string(1, prefix) + "4930123456", region, &number) ==
                    PhoneNumberUtil::NO_PARSING_ERROR)
                    QVERIFY2(number.country_code_source() != PhoneNumber::FROM_NUMBER_WITH_IDD, region.c_str());
            }
        }
    }
};

VANDRELL_TEST(TestNumberSieve)
#include "test_number_sieve.moc"
