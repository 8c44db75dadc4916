#pragma once
// The words that say what a number written after them is: one table of
// entries, each a word (or a few, "numero verde"), how it matches, what it
// names and its language. NumberLabel reads the words before a number with it.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

enum class LabelKind : std::uint8_t {
    Phone,          // "Tel", "Telefon", "call"
    Fax,            // "Fax", "télécopie"
    Mobile,         // "Mobil", "Handy", "cell"
    Service,        // a desk or line people call: "hotline", "reception", "Zentrale"
    Identifier,     // names an identifier, a date, a price or a postcode on its own: "IBAN", "Datum"
    IdentifierWord, // names one only with a number word: "customer" in "customer no."
    NumberWord,     // abbreviated or a code: "No.", "Nr", "#", "código"; alone it names an identifier
    NumberName,     // written out: "number", "Nummer", "numéro"; alone, in running text, a telephone's
    Connector,      // may stand between a number word and what it numbers: "de", "the", "is"
};

enum class LabelMatch : std::uint8_t {
    Word,   // the whole word
    Start,  // the beginning of a word: "telefon" in "Telefonnummer"
    Within, // anywhere in a word, for scripts written without spaces: "電話"
    Dotted, // the whole word with a full stop or sign after it: "No." but not Spanish "no"
};

struct LabelEntry {
    std::u16string_view text; // lower case; words apart by one space
    LabelMatch match;
    LabelKind kind;
    std::string_view language; // ISO 639-1, or "*" where many share it

    // A number word of French, Italian, Spanish or Portuguese numbers the
    // word after it ("numéro de dossier"); one of other languages the word
    // before it ("claim number", "OCR-nummer").
    bool numbersWordAfter() const
    {
        return language == "fr" || language == "it" || language == "es" || language == "pt";
    }
};

std::span<const LabelEntry> labelEntries();

// The entry a word (in lower case) matches on its own, or null; `dotted`:
// a full stop or sign follows it. No two entries match one word (see
// shadowingLabelEntries).
const LabelEntry* labelEntryFor(std::u16string_view word, bool dotted);

// An entry of more than one word ("numero verde", "front desk") that the
// words match, nearest first: words[0] is its last word, words[1] the one
// before, ...; or null. Returns how many words it took.
const LabelEntry* labelPhraseEnding(std::span<const std::u16string_view> nearestFirst, std::size_t& taken);

// Pairs of entries where one matches a word the other names: "konto" as a
// beginning would take "kontor". Empty for a sound table.
struct ShadowedEntry {
    const LabelEntry* by;
    const LabelEntry* shadowed;
};
std::vector<ShadowedEntry> shadowingLabelEntries();
