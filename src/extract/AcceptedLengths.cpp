#include "AcceptedLengths.h"

#include "app/ValueCheckBox.h"
#include "app/ValueConversion.h"

AcceptedLengths AcceptedLengths::fromBoxes(const std::array<ValueCheckBox*, 16>& boxes)
{
    AcceptedLengths lengths;
    for (const ValueCheckBox* box : boxes) {
        if (box->value() != 1)
            continue;
        const double caption = numericValue(box->text());
        if (caption >= 0 && caption < 64 && caption == double(int(caption)))
            lengths.m_bits |= std::uint64_t(1) << int(caption);
    }
    return lengths;
}
