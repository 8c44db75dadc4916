#include "core/numbers/NumberLabel.h"

#include <QString>
#include <QStringView>

#include <algorithm>
#include <iterator>

namespace {

constexpr std::size_t kWindowBytes = 64;
constexpr int kWordsLooked = 4;

// Whole words that name a telephone, and beginnings of words that do.
constexpr std::u16string_view kPhoneWords[] = {u"tel",   u"tél",    u"telf",  u"tlf",   u"tfn",  u"fon",  u"fax",
                                               u"mob",   u"gsm",    u"puh",   u"cel",   u"call", u"ring", u"ruf",
                                               u"phone", u"mobile", u"mobil", u"handy", u"cell", u"ph",   u"tf"};
constexpr std::u16string_view kPhoneStarts[] = {
    u"tele",     u"télé",     u"telé",    u"phone", u"mobil",   u"móvil",    u"movil",      u"cellul", u"celular",
    u"portable", u"whatsapp", u"hotline", u"anruf", u"puhelin", u"mobiel",   u"fax",        u"тел",    u"моб",
    u"電話",     u"电话",     u"携帯",    u"전화",  u"τηλ",     u"zentrale", u"switchboard"};

constexpr std::u16string_view kIdentifierWords[] = {
    u"ust",  u"idnr", u"ustid", u"stnr", u"iban",  u"bic",   u"swift", u"kto", u"blz", u"inv", u"vat",   u"tax",
    u"tva",  u"iva",  u"piva",  u"mwst", u"siret", u"siren", u"rcs",   u"ape", u"naf", u"cif", u"nif",   u"nie",
    u"cnpj", u"cpf",  u"cep",   u"kvk",  u"btw",   u"hrb",   u"hra",   u"abn", u"acn", u"gst", u"gstin", u"ein",
    u"ssn",  u"sn",   u"ref",   u"sku",  u"ean",   u"isbn",  u"plz",   u"zip", u"cap", u"nip", u"regon", u"krs"};
constexpr std::u16string_view kIdentifierStarts[] = {
    u"steuer",   u"konto",    u"account",  u"rechnung", u"invoic",   u"factur",  u"fattur",   u"order",
    u"bestell",  u"auftrag",  u"commande", u"pedido",   u"ordine",   u"kunden",  u"customer", u"handelsreg",
    u"register", u"registro", u"registr",  u"serial",   u"serien",   u"referen", u"référen",  u"riferim",
    u"artikel",  u"article",  u"tracking", u"sendung",  u"postcode", u"postal",  u"price",    u"preis",
    u"prix",     u"prezzo",   u"precio",   u"datum",    u"date",     u"fecha",   u"orgn",     u"organisationsn"};

template <std::size_t N> bool isWord(QStringView word, const std::u16string_view (&words)[N])
{
    return std::any_of(std::begin(words), std::end(words),
                       [&](std::u16string_view w) { return word == QStringView(w); });
}

template <std::size_t N> bool startsWithOne(QStringView word, const std::u16string_view (&starts)[N])
{
    return std::any_of(std::begin(starts), std::end(starts),
                       [&](std::u16string_view s) { return word.startsWith(QStringView(s)); });
}

NumberLabel labelOf(QStringView word)
{
    // "Nr" on its own only counts with another word: "Tel.-Nr." but "Rechnungs-Nr.".
    if (word == u"nr" || word == u"no" || word == u"nº" || word == u"n")
        return NumberLabel::None;
    if (isWord(word, kPhoneWords) || startsWithOne(word, kPhoneStarts))
        return NumberLabel::Phone;
    if (isWord(word, kIdentifierWords) || startsWithOne(word, kIdentifierStarts))
        return NumberLabel::Identifier;
    return NumberLabel::None;
}

} // namespace

NumberLabel labelBefore(std::string_view text, std::size_t position)
{
    position = std::min(position, text.size());
    std::size_t from = position > kWindowBytes ? position - kWindowBytes : 0;
    // Its own line and the one before: "Telefon" may head the line of the number.
    const std::string_view before = text.substr(from, position - from);
    const std::size_t lastBreak = before.rfind('\n');
    if (lastBreak != std::string_view::npos && lastBreak > 0) {
        const std::size_t previous = before.rfind('\n', lastBreak - 1);
        if (previous != std::string_view::npos)
            from += previous + 1;
    }
    // Cutting the window may have split a character; QString makes it U+FFFD.
    const QString window = QString::fromUtf8(text.data() + from, qsizetype(position - from)).toLower();
    int words = 0;
    qsizetype end = window.size();
    while (end > 0 && words < kWordsLooked) {
        while (end > 0 && !window.at(end - 1).isLetter())
            --end;
        qsizetype start = end;
        while (start > 0 && window.at(start - 1).isLetter())
            --start;
        if (start == end)
            break;
        // A word cut by the window's start is not read.
        if (start == 0 && from > 0 && text[from - 1] != ' ' && text[from - 1] != '\n')
            break;
        const NumberLabel label = labelOf(QStringView(window).mid(start, end - start));
        if (label != NumberLabel::None)
            return label;
        ++words;
        end = start;
    }
    return NumberLabel::None;
}
