#include "KeyboardCommands.h"

#include "Form1.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>

KeyboardCommands::KeyboardCommands(Form1& form) : QObject(&form)
{
    for (QPushButton* button : form.findChildren<QPushButton*>())
        button->installEventFilter(this);
    const std::pair<QKeySequence, QPushButton*> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_O), form.PushButton13},
        {QKeySequence(Qt::CTRL | Qt::Key_S), form.PushButton6},
        {QKeySequence(Qt::Key_F5), form.PushButton7},
    };
    for (const auto& [sequence, button] : keys) {
        auto* shortcut = new QShortcut(sequence, &form);
        shortcut->setAutoRepeat(false);
        connect(shortcut, &QShortcut::activated, button, &QPushButton::click);
    }
}

bool KeyboardCommands::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    // A held key presses once, as a held Space does.
    if (!key->isAutoRepeat())
        static_cast<QPushButton*>(watched)->click();
    return true;
}
