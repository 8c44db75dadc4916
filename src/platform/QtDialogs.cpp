#include "QtDialogs.h"

#include "MessageStyle.h"

#include <QInputDialog>
#include <QMessageBox>

namespace {
QMessageBox::Icon iconFor(int style)
{
    switch (style & MessageStyle::IconMask) {
    case MessageStyle::Critical:
        return QMessageBox::Critical;
    case MessageStyle::Question:
        return QMessageBox::Question;
    case MessageStyle::Exclamation:
        return QMessageBox::Warning;
    case MessageStyle::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

struct ButtonAnswer {
    QMessageBox::StandardButton button;
    int answer;
};

QList<ButtonAnswer> buttonsFor(int style)
{
    using B = QMessageBox;
    namespace A = MessageAnswer;
    switch (style & MessageStyle::ButtonsMask) {
    case MessageStyle::OkCancel:
        return {{B::Ok, A::Ok}, {B::Cancel, A::Cancel}};
    case MessageStyle::AbortRetryIgnore:
        return {{B::Abort, A::Abort}, {B::Retry, A::Retry}, {B::Ignore, A::Ignore}};
    case MessageStyle::YesNoCancel:
        return {{B::Yes, A::Yes}, {B::No, A::No}, {B::Cancel, A::Cancel}};
    case MessageStyle::YesNo:
        return {{B::Yes, A::Yes}, {B::No, A::No}};
    case MessageStyle::RetryCancel:
        return {{B::Retry, A::Retry}, {B::Cancel, A::Cancel}};
    default:
        return {{B::Ok, A::Ok}};
    }
}
} // namespace

QString QtDialogs::displayText(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

int QtDialogs::showMessage(const QString& text, int style, const QString& title)
{
    QMessageBox box(iconFor(style), title, displayText(text), QMessageBox::NoButton, m_parent);
    box.setTextFormat(Qt::PlainText);
    const auto buttons = buttonsFor(style);
    for (const ButtonAnswer& b : buttons)
        box.addButton(b.button);
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const ButtonAnswer& b : buttons) {
        if (b.button == clicked)
            return b.answer;
    }
    // Closed by Escape or the close box: the box's cancel-like answer.
    if ((style & MessageStyle::ButtonsMask) == MessageStyle::YesNo)
        return MessageAnswer::No;
    return buttons.size() > 1 ? int(MessageAnswer::Cancel) : int(MessageAnswer::Ok);
}

QString QtDialogs::askText(const QString& prompt, const QString& title, const QString& defaultText)
{
    bool ok = false;
    QString text = QInputDialog::getText(m_parent, title, displayText(prompt), QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}
