#pragma once
// The window's commands by keyboard. Return presses the focused push button,
// as Space already does. Ctrl+O loads a URL file, Ctrl+S saves the results as
// text and F5 starts extracting: each presses its button, so the same trapped
// handler runs under the same guards as for a click. No other keys are taken,
// so the lists keep all of theirs.

#include <QObject>

class Form1;

class KeyboardCommands final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyboardCommands)
public:
    explicit KeyboardCommands(Form1& form);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
