#pragma once
// What the words just before a number on a page say it is: a telephone
// ("Tel", "Customer service", "Fax", "Mobil", "電話", ...) or an identifier
// ("IBAN", "customer no.", "Kundennummer", "N° TVA", a date, a price, ...),
// read with the table of LabelWords. A word that names an identifier only
// with a number word ("customer", "order", "tax", "account") says nothing
// alone. Only the block that holds the number is read: its paragraph, list
// item, heading or table cell, up to its line and the line before when that
// holds no digits (a label over its number, past a <br>), and else a table
// row's first cell or a description's term. The nearest label wins; a few
// words are looked at, at most.

#include "core/numbers/LabelWords.h"

#include <cstddef>

struct PageText;

struct NumberLabel {
    enum class Kind : std::uint8_t { None, Phone, Identifier };
    Kind kind = Kind::None;
    // For a phone: Phone, Fax, Mobile, or Service for a desk or line.
    LabelKind word = LabelKind::Phone;
    // For an identifier: it stands just before the number, or heads its
    // table row, with nothing but punctuation between.
    bool direct = false;
};

// The label of the number that starts at `position` in the page's text.
NumberLabel labelBefore(const PageText& page, std::size_t position);
