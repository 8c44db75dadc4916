#include "KeyboardCommands.h"

#include "Form1.h"

#include <QKeyEvent>
#include <QPushButton>

KeyboardCommands::KeyboardCommands(Form1& form) : QObject(&form)
{
    for (QPushButton* button : form.findChildren<QPushButton*>())
        button->installEventFilter(this);
    // The buttons' own shortcuts: screen readers name them with the button.
    form.PushButton13->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    form.PushButton6->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    form.PushButton7->setShortcut(QKeySequence(Qt::Key_F5));
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
