#pragma once
// What the words just before a number on a page say it is: a telephone
// (Tel, Phone, Fax, Mobil, Téléphone, 電話, ...) or an identifier (invoice,
// order, tax, account, register, postcode, date, ...), in the languages of
// the regions pages are most often harvested in. The nearest such word wins;
// other words are passed over, a few at most.

#include <cstddef>
#include <string_view>

enum class NumberLabel { None, Phone, Identifier };

// The label of the number that starts at `position` in a page's text (UTF-8,
// lines ended by '\n'): looked for on its own line and the one before.
NumberLabel labelBefore(std::string_view text, std::size_t position);
