#pragma once
// The window's side of AcceptedLengths: the lengths whose boxes are ticked,
// read from the boxes' captions as a user sees them.

#include "core/numbers/AcceptedLengths.h"

#include <array>

class ValueCheckBox;

AcceptedLengths tickedLengths(const std::array<ValueCheckBox*, 16>& boxes);
