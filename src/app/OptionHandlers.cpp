// The option boxes store their value the moment it changes.

#include "Form1.h"
#include "ValueCheckBox.h"
#include "core/AppError.h"
#include "platform/Dialogs.h"

void Form1::Check1_Click(int index)
{
    storeOption(SettingsKeys::phoneLength(index), Check1[std::size_t(index)]->value());
}

void Form1::Check2_Click()
{
    storeOption(SettingsKeys::check2, Check2->value());
}

void Form1::storeOption(const QString& key, int value)
{
    try {
        m_settings.write(key, QString::number(value));
    } catch (const AppError& error) {
        // The box keeps its new state for this session; say it will not last.
        dialogs().msgBox(error.description());
    }
}
