#include "ValueCheckBox.h"

#include "core/AppError.h"

ValueCheckBox::ValueCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

void ValueCheckBox::setValue(int value)
{
    if (value < 0 || value > 2)
        throw AppError::invalidPropertyValue();
    if (value == m_value)
        return;
    m_value = value;
    setCheckState(value == 0 ? Qt::Unchecked : value == 1 ? Qt::Checked : Qt::PartiallyChecked);
    emit valueChanged(value);
}

void ValueCheckBox::nextCheckState()
{
    setValue(m_value == 1 ? 0 : 1);
}
