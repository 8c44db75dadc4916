#include "TickedLengths.h"

#include "app/ValueCheckBox.h"
#include "app/ValueConversion.h"

AcceptedLengths tickedLengths(const std::array<ValueCheckBox*, 16>& boxes)
{
    AcceptedLengths lengths;
    for (const ValueCheckBox* box : boxes) {
        if (box->value() == 1)
            lengths.add(numericValue(box->text()));
    }
    return lengths;
}
