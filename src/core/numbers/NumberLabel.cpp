#include "core/numbers/NumberLabel.h"

#include "core/html/PageText.h"

#include <QString>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// The bytes before a number that its label may stand in, and the words read
// there: a label of ten thousand words costs what one of a few does.
constexpr std::size_t kWindowBytes = 96;
constexpr std::size_t kWordsLooked = 6;
// How far back a table row's first cell is looked for.
constexpr std::size_t kRowBytes = 4096;
// A word of a label written into a longer one ("Kundenservice",
// "Infotelefon") is at least this long; shorter ones ("ring", "care") are
// parts of too many other words.
constexpr std::size_t kShortestInnerWord = 5;

constexpr std::size_t kNone = std::string_view::npos;

struct Word {
    std::u16string text; // in lower case
    bool dotted;         // a full stop or sign follows it: "No."
    bool digitsAfter;    // digits stand between it and the number, or the word after it
};

bool isWordCharacter(QChar c)
{
    return c.isLetter() || c.isMark();
}

// How many UTF-16 units a sign that stands for a word takes when it ends at
// `end`, or 0: "#", and the signs pages write for "Tel", "Mobile" and "Fax"
// (☎ ☏ ℡ 📞 📱 📠).
qsizetype signBefore(const QString& text, qsizetype end)
{
    const char16_t last = text.at(end - 1).unicode();
    if (last == u'#' || last == u'\u260E' || last == u'\u260F' || last == u'\u2121')
        return 1;
    if (end >= 2 && QChar::isLowSurrogate(last) && text.at(end - 2).isHighSurrogate()) {
        const char32_t sign = QChar::surrogateToUcs4(text.at(end - 2), text.at(end - 1));
        if (sign == U'\U0001F4DE' || sign == U'\U0001F4F1' || sign == U'\U0001F4E0')
            return 2;
    }
    return 0;
}

// The words of `segment`, nearest to its end first. A word the segment's
// start cuts through is not read.
std::vector<Word> wordsBefore(std::string_view segment, bool cutAtStart)
{
    // Cutting may have split a character; QString makes it U+FFFD.
    QString lowered = QString::fromUtf8(segment.data(), qsizetype(segment.size())).toLower();
    // Full-width letters ("ＴＥＬ", on Japanese pages) read as the letters.
    for (QChar& c : lowered) {
        if (c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E)
            c = QChar(char16_t(c.unicode() - 0xFEE0));
    }
    std::vector<Word> words;
    bool digits = false;
    qsizetype end = lowered.size();
    while (end > 0 && words.size() < kWordsLooked) {
        while (end > 0 && !isWordCharacter(lowered.at(end - 1)) && signBefore(lowered, end) == 0) {
            digits = digits || lowered.at(end - 1).isDigit();
            --end;
        }
        if (end == 0)
            break;
        const qsizetype sign = signBefore(lowered, end);
        qsizetype start = end - (sign > 0 ? sign : 1);
        if (sign == 0) {
            while (start > 0 && isWordCharacter(lowered.at(start - 1)))
                --start;
        }
        if (start == 0 && cutAtStart)
            break;
        const bool dotted = end < lowered.size() &&
                            (lowered.at(end) == u'.' || lowered.at(end) == u':' || lowered.at(end) == u'\u00B0');
        words.push_back(
            {std::u16string(reinterpret_cast<const char16_t*>(lowered.utf16()) + start, std::size_t(end - start)),
             dotted, digits});
        digits = false;
        end = start;
    }
    return words;
}

bool callsOrServes(LabelKind kind)
{
    return kind == LabelKind::Phone || kind == LabelKind::Fax || kind == LabelKind::Mobile ||
           kind == LabelKind::Service;
}

// A label word written inside a longer word: "Kundenservice", "Servicetelefon".
std::optional<LabelKind> innerCallWord(std::u16string_view word)
{
    for (const LabelEntry& entry : labelEntries()) {
        if (callsOrServes(entry.kind) && entry.text.size() >= kShortestInnerWord &&
            entry.text.find(u' ') == std::u16string_view::npos && word.find(entry.text) != std::u16string_view::npos)
            return entry.kind;
    }
    return std::nullopt;
}

// "Kundennummer", "Zählernummer", "Kontonr": a word that ends in a number word
// numbers something, unless it names a telephone.
bool isIdentifierCompound(std::u16string_view word)
{
    const auto entries = labelEntries();
    return std::any_of(entries.begin(), entries.end(), [&](const LabelEntry& entry) {
        const bool ending = entry.kind == LabelKind::NumberName || entry.text == u"nr";
        return ending && word.size() > entry.text.size() + 1 && word.ends_with(entry.text);
    });
}

std::optional<LabelKind> kindOf(const Word& word)
{
    const LabelEntry* entry = labelEntryFor(word.text, word.dotted);
    if (entry && entry->kind != LabelKind::IdentifierWord)
        return entry->kind;
    if (const std::optional<LabelKind> inner = innerCallWord(word.text))
        return inner;
    if (isIdentifierCompound(word.text))
        return LabelKind::Identifier;
    return entry ? std::optional(entry->kind) : std::nullopt;
}

bool isNumberWord(std::optional<LabelKind> kind)
{
    return kind == LabelKind::NumberWord || kind == LabelKind::NumberName;
}

// The nearest number word beside the identifier word at `at`, up to two
// words either way past connectors ("customer no.", "N° de commande"), or
// kNone.
std::size_t numberWordBeside(const std::vector<std::optional<LabelKind>>& kinds, std::size_t at)
{
    std::size_t found = kNone;
    for (const int step : {-1, 1}) {
        for (std::size_t distance = 1; distance <= 2; ++distance) {
            const std::ptrdiff_t index = std::ptrdiff_t(at) + step * std::ptrdiff_t(distance);
            if (index < 0 || std::size_t(index) >= kinds.size())
                break;
            const std::optional<LabelKind> kind = kinds[std::size_t(index)];
            if (isNumberWord(kind)) {
                found = std::min(found, std::size_t(index));
                break;
            }
            if (kind != LabelKind::Connector)
                break;
        }
    }
    return found;
}

// The word a number word at `at` numbers, past connectors: in French,
// Italian, Spanish and Portuguese the word after it ("numéro de dossier",
// "numero pratica"), which is nearer the number; elsewhere the word before
// it, with nothing between ("meter number", "OCR-nummer"). kNone if none.
std::size_t wordNumbered(const std::vector<const LabelEntry*>& entries,
                         const std::vector<std::optional<LabelKind>>& kinds, std::size_t at)
{
    if (entries[at] && entries[at]->numbersWordAfter()) {
        for (std::size_t index = at; index-- > 0;) {
            if (kinds[index] != LabelKind::Connector)
                return index;
        }
        return kNone;
    }
    // Written together, with no word between: "unter der Nummer" numbers nothing.
    return at + 1 < kinds.size() && kinds[at + 1] != LabelKind::Connector ? at + 1 : kNone;
}

// What the words (nearest first) say of the number after them. `heading`:
// they head the number's row or term rather than stand before it.
NumberLabel readWords(const std::vector<Word>& words, bool heading)
{
    std::vector<std::u16string_view> texts;
    std::vector<const LabelEntry*> entries;
    std::vector<std::optional<LabelKind>> kinds;
    for (const Word& word : words) {
        texts.push_back(word.text);
        entries.push_back(labelEntryFor(word.text, word.dotted));
        kinds.push_back(kindOf(word));
    }
    const auto direct = [&](std::size_t nearest) { return heading || (nearest == 0 && !words[0].digitsAfter); };
    const auto identifier = [&](std::size_t nearest) {
        return NumberLabel{NumberLabel::Kind::Identifier, LabelKind::Identifier, direct(nearest)};
    };
    // A number word with nothing it numbers: "No. 1234567" is an
    // identifier, "unter der Nummer 07309 84-0" a telephone.
    std::optional<LabelKind> bare;
    bool digitsBetween = false;
    for (std::size_t at = 0; at < words.size(); ++at) {
        // An identifier label before another number is that number's.
        digitsBetween = digitsBetween || words[at].digitsAfter;
        std::size_t taken = 1;
        std::optional<LabelKind> kind = kinds[at];
        if (const LabelEntry* phrase = labelPhraseEnding(std::span(texts).subspan(at), taken))
            kind = phrase->kind;
        if (!kind)
            continue;
        if (callsOrServes(*kind))
            return {NumberLabel::Kind::Phone, *kind, false};
        if (digitsBetween)
            continue;
        if (*kind == LabelKind::Identifier)
            return identifier(at);
        if (*kind == LabelKind::IdentifierWord) {
            const std::size_t numberWord = numberWordBeside(kinds, at);
            if (numberWord != kNone)
                return identifier(std::min(at, numberWord));
        }
        if (isNumberWord(kind) && !bare) {
            // "Phone number", "Tel. No.": the telephone word is read next.
            const std::size_t numbered = wordNumbered(entries, kinds, at);
            if (numbered == kNone)
                bare = kind;
            else if (!kinds[numbered] || !callsOrServes(*kinds[numbered]))
                return identifier(std::min(at, numbered));
        }
        at += taken - 1;
    }
    if (bare == LabelKind::NumberWord)
        return identifier(0);
    if (bare == LabelKind::NumberName)
        return {NumberLabel::Kind::Phone, LabelKind::Phone, false};
    return {};
}

bool holdsDigits(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether the segment [from, to) of text starts inside a word.
bool cutsWord(std::string_view text, std::size_t from, std::size_t lineStart)
{
    return from > lineStart && text[from - 1] != ' ' && text[from - 1] != '\t' && text[from - 1] != '\n';
}

// Where the line that holds text[end - 1] starts, or `floor` if further back.
std::size_t lineStartAfter(std::string_view text, std::size_t floor, std::size_t end)
{
    if (end <= floor)
        return floor;
    const std::size_t lineBreak = text.substr(floor, end - floor).rfind('\n');
    return lineBreak == kNone ? floor : floor + lineBreak + 1;
}

} // namespace

NumberLabel labelBefore(const PageText& page, std::size_t position)
{
    const std::string_view text = page.text;
    position = std::min(position, text.size());
    const std::size_t windowStart = position > kWindowBytes ? position - kWindowBytes : 0;
    const std::size_t rowStart = position > kRowBytes ? position - kRowBytes : 0;
    const std::string_view row = text.substr(rowStart, position - rowStart);

    const std::size_t lineBreak = row.rfind('\n');
    // kNone where the line starts further back than a row is looked for.
    const std::size_t lineStart = lineBreak != kNone ? rowStart + lineBreak + 1 : rowStart == 0 ? 0 : kNone;
    const std::size_t tab = row.rfind('\t');
    const std::size_t cellStart = tab != kNone && (lineBreak == kNone || tab > lineBreak) ? rowStart + tab + 1
                                  : lineStart != kNone                                    ? lineStart
                                                                                          : windowStart;
    std::size_t from = std::max(cellStart, windowStart);
    // A label on the line above, past a <br> or a term's end, when that line
    // holds no number of its own.
    if (from == lineStart && lineStart > 0 && !page.endsBlock(lineStart - 1)) {
        const std::size_t labelFrom = lineStartAfter(text, windowStart, lineStart - 1);
        if (!holdsDigits(text.substr(labelFrom, lineStart - labelFrom)))
            from = labelFrom;
    }
    const NumberLabel own =
        readWords(wordsBefore(text.substr(from, position - from), cutsWord(text, from, cellStart)), false);
    if (own.kind != NumberLabel::Kind::None || lineStart == kNone || cellStart == lineStart)
        return own;
    // A table row's first cell heads the others.
    const std::size_t firstTab = text.find('\t', lineStart);
    const std::size_t headerFrom = std::max(lineStart, firstTab > kWindowBytes ? firstTab - kWindowBytes : 0);
    return readWords(wordsBefore(text.substr(headerFrom, firstTab - headerFrom), cutsWord(text, headerFrom, lineStart)),
                     true);
}
