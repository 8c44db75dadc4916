#pragma once
// Real message and input boxes.

#include "Dialogs.h"

class QWidget;

class QtDialogs final : public Dialogs {
public:
    // Messages shown before the parent exists (start-up) are parentless.
    void setParentWidget(QWidget* parent) { m_parent = parent; }

    // CR, LF and CR LF each become one line break.
    static QString displayText(const QString& text);

protected:
    int showMessage(const QString& text, int style, const QString& title) override;
    QString askText(const QString& prompt, const QString& title, const QString& defaultText) override;

private:
    QWidget* m_parent = nullptr;
};
