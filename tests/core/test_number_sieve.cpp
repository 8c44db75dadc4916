// The sieve that spares --region the parse of pages without numbers: the
// windows it finds in a table of pages, and the fewest digits of a number it
// counts on, against every example number libphonenumber has.

#include "TestRegistry.h"
#include "core/html/NumberSieve.h"

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
    void windows_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QString>("region");
        QTest::addColumn<QByteArrayList>("windows"); // {"*"}: read the page whole
        const QByteArrayList whole{"*"};
        QTest::newRow("runs too short") << QByteArray("<p>Python 3.11.4, page 42 of 1,207</p>") << "US"
                                        << QByteArrayList{};
        QTest::newRow("split by markup, up to letters no match holds")
            << QByteArray("<p>Tel <span>030</span> <b>123</b>4567</p><p>more</p>") << "DE"
            << QByteArrayList{" <span>030</span> <b>123</b>4567"};
        QTest::newRow("comments pass unseen")
            << QByteArray("<p>Tel 030<!-- 9 --> 1234567 ok") << "DE" << QByteArrayList{" 030<!-- 9 --> 1234567 o"};
        QTest::newRow("a table's cells, which libxml2 places by what surrounds them")
            << QByteArray("<td>Tel 030</td><td>1234567</td>") << "DE" << whole;
        QTest::newRow("a block's start tag ends a window, table and all")
            << QByteArray("<tr><td>Tel 030 1234567<p>030 1234568</td>") << "DE"
            << QByteArrayList{" 030 1234567", "030 1234568"};
        // Letters of extension labels ("ext", "anexo") may stand in a match.
        QTest::newRow("a plus sign as a reference, up to a letter of no label")
            << QByteArray("Call &#43;44 20 7946 0958 now") << "GB" << QByteArrayList{" &#43;44 20 7946 0958 no"};
        QTest::newRow("no region: international form only")
            << QByteArray("Tel 030 1234567, Tel +33 1 23 45 67 89") << "ZZ" << QByteArrayList{" +33 1 23 45 67 89"};
        QTest::newRow("tel: link") << QByteArray("<a href=' tel:+4930123'>Call</a>") << "DE" << whole;
        QTest::newRow("bytes that are no UTF-8") << QByteArray("<p>T\xe9l 030 1234567</p>") << "DE" << whole;
        QTest::newRow("an image's alt text, read where the tag stands")
            << QByteArray("<p>Tel <img alt='030 1234567'></p>") << "DE" << QByteArrayList{" <img alt='030 1234567'>"};
        QTest::newRow("markup libxml2 recovers from its own way")
            << QByteArray("<p a=b\"c>030 1234567</p>") << "DE" << whole;
    }

    void windows()
    {
        QFETCH(QByteArray, html);
        QFETCH(QString, region);
        QFETCH(QByteArrayList, windows);
        const SievedPage sieved = sievePage(std::string_view(html.constData(), std::size_t(html.size())), "text/html",
                                            shortestNumber(region.toStdString()));
        QByteArrayList found;
        if (sieved.readWhole)
            found << "*";
        for (const SieveWindow& window : sieved.windows)
            found << QByteArray(window.bytes.data(), qsizetype(window.bytes.size()));
        QCOMPARE(found, windows);
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
