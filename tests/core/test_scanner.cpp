// Tests for the phone-number scanner: the worked examples, and every kernel
// this processor runs compared with a plain reading of the rules on
// exhaustive, adversarial and random pages.

#include "ReferenceScanner.h"
#include "TestRegistry.h"
#include "core/numbers/PhoneScanner.h"
#include "core/numbers/PhoneScannerKernels.h"

#include <QTest>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using reference::Candidates;

Candidates toCandidates(const CandidateList& list)
{
    Candidates result;
    for (std::size_t i = 0; i < list.size(); ++i)
        result.emplace_back(list.digits(i));
    return result;
}

std::vector<phonescan::Kernel> availableKernels()
{
    std::vector<phonescan::Kernel> kernels;
    for (auto kernel : phonescan::kAllKernels) {
        if (phonescan::kernelAvailable(kernel))
            kernels.push_back(kernel);
    }
    return kernels;
}

QString describe(std::string_view text)
{
    QString shown;
    for (std::size_t i = 0; i < text.size() && i < 160; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x21 && c < 0x7F && c != '\\')
            shown += QLatin1Char(static_cast<char>(c));
        else
            shown += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
    }
    if (text.size() > 160)
        shown += QStringLiteral("... (%1 bytes)").arg(text.size());
    return shown;
}

QString describe(const Candidates& candidates)
{
    QStringList shown;
    for (std::size_t i = 0; i < candidates.size() && i < 12; ++i)
        shown << QLatin1Char('"') + QString::fromLatin1(candidates[i]) + QLatin1Char('"');
    if (candidates.size() > 12)
        shown << QStringLiteral("... (%1 candidates)").arg(candidates.size());
    return QLatin1Char('[') + shown.join(QLatin1String(", ")) + QLatin1Char(']');
}

// The list's accessors must agree with one another.
std::optional<QString> checkConsistent(const CandidateList& list)
{
    std::string joined;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string_view digits = list.digits(i);
        if (list.digitCount(i) != digits.size())
            return QStringLiteral("digitCount(%1) is %2 but digits() has %3")
                .arg(i)
                .arg(list.digitCount(i))
                .arg(digits.size());
        if (list.text(i) != QString::fromLatin1(digits.data(), static_cast<qsizetype>(digits.size())))
            return QStringLiteral("text(%1) differs from digits()").arg(i);
        joined += digits;
    }
    if (joined != list.allDigits())
        return QStringLiteral("allDigits() is not the candidates joined");
    if (list.empty() != (list.size() == 0))
        return QStringLiteral("empty() disagrees with size()");
    return std::nullopt;
}

// Scans `text` with every kernel and the public entry point, reusing the
// lists as a caller would, and returns what went wrong, if anything.
class Differential {
public:
    Differential() : m_kernels(availableKernels()), m_lists(m_kernels.size()) {}

    std::optional<QString> check(std::string_view text)
    {
        const Candidates expected = reference::scan(text);
        for (std::size_t k = 0; k < m_kernels.size(); ++k) {
            phonescan::scanWith(m_kernels[k], text, m_lists[k]);
            const Candidates actual = toCandidates(m_lists[k]);
            if (actual != expected) {
                return QStringLiteral("kernel %1 on \"%2\": got %3, expected %4")
                    .arg(QLatin1String(phonescan::kernelName(m_kernels[k])), describe(text), describe(actual),
                         describe(expected));
            }
        }
        ScanPhoneNumbers(text, m_public);
        if (toCandidates(m_public) != expected)
            return QStringLiteral("ScanPhoneNumbers on \"%1\" disagrees").arg(describe(text));
        if (auto problem = checkConsistent(m_public))
            return *problem + QStringLiteral(" on \"%1\"").arg(describe(text));
        return std::nullopt;
    }

private:
    std::vector<phonescan::Kernel> m_kernels;
    std::vector<CandidateList> m_lists;
    CandidateList m_public;
};

#define CHECK_SCAN(differential, text)                                                                                 \
    do {                                                                                                               \
        if (const auto problem = (differential).check(text))                                                           \
            QFAIL(qPrintable(*problem));                                                                               \
    } while (false)

std::string_view bytesOf(const QByteArray& data)
{
    return {data.constData(), static_cast<std::size_t>(data.size())};
}

} // namespace

class TestScanner : public QObject {
    Q_OBJECT

private slots:
    void examples_data();
    void examples();
    void exhaustiveShortInputs();
    void everyBytePair();
    void runsAcrossBlockEdges();
    void spacesInsideRuns();
    void misalignedStarts();
    void randomPages();
    void largePagesGrowBuffers();
    void reusedListHoldsOnlyNewScan();
    void qstringMatchesBytes();
    void copiesAndMoves();
    void offsetsPastFourGiB();
};

void TestScanner::examples_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("no digits") << QByteArray("No digits here") << QStringList();
    QTest::newRow("parentheses and hyphen")
        << QByteArray("Call (555) 123-4567 now") << QStringList{QStringLiteral("5551234567")};
    QTest::newRow("comma and full stop end runs") << QByteArray("Tel: 555.1234, fax 555-9876.")
                                                  << QStringList{QStringLiteral("5551234"), QStringLiteral("5559876")};
    QTest::newRow("leading plus is not a number character")
        << QByteArray("+1 800 555 1212") << QStringList{QStringLiteral("18005551212")};
    QTest::newRow("newline ends a run") << QByteArray("555-1234\n555-9876")
                                        << QStringList{QStringLiteral("5551234"), QStringLiteral("5559876")};
    QTest::newRow("punctuation alone gives an empty candidate")
        << QByteArray("version 1.2 or a-b") << QStringList{QStringLiteral("12"), QString()};
    QTest::newRow("square brackets end runs")
        << QByteArray("{0}[1]") << QStringList{QStringLiteral("0"), QStringLiteral("1")};
    QTest::newRow("decimal") << QByteArray("1.5") << QStringList{QStringLiteral("15")};
    QTest::newRow("duplicates kept") << QByteArray("call 555-1234 or 555-1234")
                                     << QStringList{QStringLiteral("5551234"), QStringLiteral("5551234")};

    // Only the space is squeezed out; other blanks end a run.
    QTest::newRow("tab") << QByteArray("12\t34") << QStringList{QStringLiteral("12"), QStringLiteral("34")};
    QTest::newRow("carriage return") << QByteArray("12\r\n34")
                                     << QStringList{QStringLiteral("12"), QStringLiteral("34")};
    QTest::newRow("no-break space") << QByteArray("12\xC2\xA0"
                                                  "34")
                                    << QStringList{QStringLiteral("12"), QStringLiteral("34")};
    QTest::newRow("spaces join") << QByteArray("12 345") << QStringList{QStringLiteral("12345")};
    QTest::newRow("NUL") << QByteArray("1\0"
                                       "2",
                                       3)
                         << QStringList{QStringLiteral("1"), QStringLiteral("2")};
    QTest::newRow("slash") << QByteArray("12/34") << QStringList{QStringLiteral("12"), QStringLiteral("34")};
    QTest::newRow("en dash") << QByteArray("12\xE2\x80\x93"
                                           "34")
                             << QStringList{QStringLiteral("12"), QStringLiteral("34")};
    QTest::newRow("fullwidth digits") << QByteArray("\xEF\xBC\x91\xEF\xBC\x92") << QStringList();
    QTest::newRow("arabic-indic digits") << QByteArray("\xD9\xA1\xD9\xA2") << QStringList();
    QTest::newRow("only punctuation") << QByteArray("() - {}") << QStringList{QString()};
    QTest::newRow("run open at the end") << QByteArray("x 1-2 ") << QStringList{QStringLiteral("12")};
    QTest::newRow("only spaces") << QByteArray("     ") << QStringList();
    QTest::newRow("break after spaces") << QByteArray("7   x") << QStringList{QStringLiteral("7")};
}

void TestScanner::examples()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, expected);

    QCOMPARE(ScanPhoneNumbers(bytesOf(input)).toStringList(), expected);
    for (auto kernel : availableKernels()) {
        CandidateList list;
        phonescan::scanWith(kernel, bytesOf(input), list);
        QVERIFY2(list.toStringList() == expected, phonescan::kernelName(kernel));
    }
    const QString text = QString::fromUtf8(input);
    if (text.toUtf8() == input)
        QCOMPARE(ScanPhoneNumbers(text).toStringList(), expected);
}

void TestScanner::exhaustiveShortInputs()
{
    // Digit, punctuation, space and break: every arrangement up to 8 long.
    static constexpr char alphabet[] = {'1', '-', ' ', 'x'};
    Differential differential;
    std::string text;
    for (std::size_t length = 0; length <= 8; ++length) {
        std::size_t combinations = std::size_t{1} << (2 * length);
        for (std::size_t n = 0; n < combinations; ++n) {
            text.resize(length);
            for (std::size_t i = 0; i < length; ++i)
                text[i] = alphabet[(n >> (2 * i)) & 3];
            CHECK_SCAN(differential, text);
        }
    }
}

void TestScanner::everyBytePair()
{
    // Classifies every byte value, alone and next to every other.
    Differential differential;
    for (int first = 0; first < 256; ++first) {
        const char one[] = {static_cast<char>(first)};
        CHECK_SCAN(differential, std::string_view(one, 1));
        for (int second = 0; second < 256; ++second) {
            const char two[] = {static_cast<char>(first), static_cast<char>(second)};
            CHECK_SCAN(differential, std::string_view(two, 2));
        }
    }
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    CHECK_SCAN(differential, all);
    CHECK_SCAN(differential, all + all + all);
}

void TestScanner::runsAcrossBlockEdges()
{
    // Every run start and length around the 16-, 32- and 64-byte edges,
    // with breaks or spaces around it, ending the page or not.
    static constexpr std::string_view run = "12-3 4(5)6  78.9{0}5 55-12 12  34.--";
    Differential differential;
    std::string body;
    for (char filler : {'x', ' ', '\n'}) {
        for (std::size_t start = 0; start <= 136; ++start) {
            for (std::size_t length = 1; length <= 136; ++length) {
                body.assign(start, filler);
                for (std::size_t i = 0; i < length; ++i)
                    body += run[i % run.size()];
                CHECK_SCAN(differential, body);
                body.append(200 - start - length % 64, filler);
                body += 'y';
                CHECK_SCAN(differential, body);
            }
        }
    }
}

void TestScanner::spacesInsideRuns()
{
    // A stretch of spaces keeps a run open wherever it falls, and a break
    // after it still ends the run.
    for (std::size_t at = 0; at <= 130; ++at) {
        for (std::size_t spaces = 0; spaces <= 130; ++spaces) {
            const std::string text = std::string(at, 'x') + '7' + std::string(spaces, ' ') + "8x" +
                                     std::string(spaces, ' ') + '-' + std::string(spaces, ' ');
            const Candidates expected{"78", ""};
            for (auto kernel : availableKernels()) {
                CandidateList list;
                phonescan::scanWith(kernel, text, list);
                QVERIFY2(toCandidates(list) == expected,
                         qPrintable(QStringLiteral("%1 at %2 with %3 spaces")
                                        .arg(QLatin1String(phonescan::kernelName(kernel)))
                                        .arg(at)
                                        .arg(spaces)));
            }
        }
    }
}

void TestScanner::misalignedStarts()
{
    std::mt19937 random(7);
    static constexpr std::string_view pool = "0123456789.-(){} \tx\n";
    std::string buffer(400, ' ');
    for (char& c : buffer)
        c = pool[random() % pool.size()];
    Differential differential;
    for (std::size_t offset = 0; offset < 64; ++offset) {
        for (std::size_t length : {0, 1, 15, 16, 17, 31, 32, 33, 63, 64, 65, 127, 128, 129, 200, 300})
            CHECK_SCAN(differential, std::string_view(buffer).substr(offset, length));
    }
}

void TestScanner::randomPages()
{
    // Several byte mixes: anything at all, dense numbers with spaces, mostly
    // spaces, and markup-like text.
    static const std::string_view pools[] = {
        "",
        "0123456789.-(){}      x",
        "                 1-x",
        "<div class=\"a\">Tel: +44 (0)20 7946-0958</div>\n\t",
        "0123456789 ",
    };
    std::mt19937 random(20240611);
    Differential differential;
    std::string text;
    for (int round = 0; round < 4000; ++round) {
        const std::size_t length = random() % (round < 3500 ? 300 : 5000);
        const std::string_view pool = pools[random() % std::size(pools)];
        text.resize(length);
        for (char& c : text)
            c = pool.empty() ? static_cast<char>(random()) : pool[random() % pool.size()];
        CHECK_SCAN(differential, text);
    }
}

void TestScanner::largePagesGrowBuffers()
{
    Differential differential;
    std::string alternating;
    for (int i = 0; i < 300000; ++i)
        alternating += "1x";
    CHECK_SCAN(differential, alternating);
    QCOMPARE(ScanPhoneNumbers(alternating).size(), std::size_t{300000});

    std::string emptyRuns;
    for (int i = 0; i < 300000; ++i)
        emptyRuns += "-x";
    CHECK_SCAN(differential, emptyRuns);
    const CandidateList empties = ScanPhoneNumbers(emptyRuns);
    QCOMPARE(empties.size(), std::size_t{300000});
    QCOMPARE(empties.digitCount(299999), std::size_t{0});

    const std::string longRun = std::string(1 << 20, '5') + " 1";
    CHECK_SCAN(differential, longRun);
    const CandidateList one = ScanPhoneNumbers(longRun);
    QCOMPARE(one.size(), std::size_t{1});
    QCOMPARE(one.digitCount(0), std::size_t{(1 << 20) + 1});

    std::mt19937 random(99);
    std::string page(3 << 20, ' ');
    static constexpr std::string_view pool = "0123456789.-(){}   abc<>=\"/\n";
    for (char& c : page)
        c = pool[random() % pool.size()];
    CHECK_SCAN(differential, page);
}

void TestScanner::reusedListHoldsOnlyNewScan()
{
    CandidateList list;
    ScanPhoneNumbers(std::string(100000, '7') + "x1-2x3", list);
    QCOMPARE(list.size(), std::size_t{3});
    ScanPhoneNumbers("a 4-5 b", list);
    QCOMPARE(list.toStringList(), QStringList{QStringLiteral("45")});
    QVERIFY(list == ScanPhoneNumbers("a 4-5 b"));
    ScanPhoneNumbers("nothing", list);
    QVERIFY(list.empty());
    QVERIFY(list.allDigits().empty());

    ScanPhoneNumbers("1 2 3", list);
    list.clear();
    QVERIFY(list.empty());
    QCOMPARE(list.size(), std::size_t{0});
}

void TestScanner::qstringMatchesBytes()
{
    // Non-ASCII digits, dashes and blanks must not count, whatever their
    // UTF-8 bytes look like.
    static const char16_t pool[] = {u'1',   u'9',   u'-',   u'(',   u'}',   u' ',   u'x',   0x00A0,
                                    0x0660, 0x0661, 0x06F5, 0x0966, 0xFF10, 0xFF19, 0x2013, 0x2212,
                                    0x3000, 0x2009, 0xD83D, 0xDE00, 0x0000, 0x0130};
    std::mt19937 random(5);
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int length = static_cast<int>(random() % 80);
        for (int i = 0; i < length; ++i)
            text += QChar(pool[random() % std::size(pool)]);
        const QByteArray utf8 = text.toUtf8();
        const CandidateList fromText = ScanPhoneNumbers(text);
        QVERIFY(fromText == ScanPhoneNumbers(bytesOf(utf8)));
        QVERIFY2(toCandidates(fromText) == reference::scan(bytesOf(utf8)), qPrintable(describe(bytesOf(utf8))));
    }
    QCOMPARE(ScanPhoneNumbers(QStringLiteral("\u0661\u0662 3\u00A04 \uFF15")).toStringList(),
             (QStringList{QStringLiteral("3"), QStringLiteral("4")}));
}

void TestScanner::copiesAndMoves()
{
    const CandidateList original = ScanPhoneNumbers("call 555-1234 or (0)8 or -");
    const QStringList expected{QStringLiteral("5551234"), QStringLiteral("08"), QString()};
    QCOMPARE(original.toStringList(), expected);

    CandidateList copy(original);
    QVERIFY(copy == original);
    CandidateList assigned = ScanPhoneNumbers("9");
    assigned = original;
    QCOMPARE(assigned.toStringList(), expected);

    CandidateList moved(std::move(copy));
    QCOMPARE(moved.toStringList(), expected);
    CandidateList moveAssigned;
    moveAssigned = std::move(moved);
    QCOMPARE(moveAssigned.toStringList(), expected);

    // The same digits split differently are different lists.
    QVERIFY(!(ScanPhoneNumbers("12") == ScanPhoneNumbers("1x2")));
    QVERIFY(!(ScanPhoneNumbers("1") == ScanPhoneNumbers("1x-")));
}

void TestScanner::offsetsPastFourGiB()
{
    if constexpr (sizeof(std::size_t) < 8) {
        QSKIP("pages over 4 GiB need 64-bit sizes");
    } else {
        // A page that big is too slow for a unit test, so the ends are
        // recorded directly; digitCount never looks at the digit bytes.
        constexpr std::size_t gib4 = std::size_t{1} << 32;
        const std::size_t ends[] = {3, gib4 + 5, gib4 + 5, 3 * gib4 + 1, 3 * gib4 + 2, 4 * gib4};
        CandidateList list;
        phonescan::CandidateWriter writer(list, 0);
        phonescan::Cursor at = writer.cursor();
        writer.ensureRoom(at);
        QVERIFY(!writer.mayCarry(100));
        for (std::size_t end : ends)
            writer.pushEnd(at, end);
        QVERIFY(writer.mayCarry(4 * gib4 + 10) == false);
        QVERIFY(writer.mayCarry(5 * gib4 - 10));
        writer.finish(at);

        QCOMPARE(list.size(), std::size(ends));
        std::size_t previous = 0;
        for (std::size_t i = 0; i < std::size(ends); ++i) {
            QCOMPARE(list.digitCount(i), ends[i] - previous);
            previous = ends[i];
        }
    }
}

VANDRELL_TEST(TestScanner)
#include "test_scanner.moc"
