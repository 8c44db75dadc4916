#pragma once
// Conversions of stored texts to numbers, with the rules users' settings
// files have always been read by:
// - numericValue: lenient; the longest leading number, blanks ignored, 0 when
//   there is none ("1abc" is 1, "abc" is 0).
// - toDouble / toInteger: strict; the whole text must be a number, otherwise
//   "Type mismatch". Integers are 16-bit, rounded half to even, "Overflow"
//   outside that range.

#include <QStringView>

#include <cstdint>

double numericValue(QStringView text);
double toDouble(QStringView text);
std::int16_t toInteger(double value);
std::int16_t toInteger(QStringView text);
// A count as plain decimal text ("1", "2", ...), no exponent for whole numbers.
QString plainNumberText(double value);
