#pragma once
// A check box holding the program's own values: 0 unticked, 1 ticked,
// 2 greyed. setValue refuses anything else. valueChanged fires whenever the
// value changes, from code or from a click, and never when it stays the same.
// A click ticks an unticked or greyed box and unticks a ticked one; greyed
// only ever comes from code.

#include <QCheckBox>

class ValueCheckBox final : public QCheckBox {
    Q_OBJECT
public:
    explicit ValueCheckBox(const QString& text, QWidget* parent = nullptr);

    int value() const { return m_value; }
    // Throws AppError("Invalid property value") for values other than 0, 1, 2.
    void setValue(int value);

signals:
    void valueChanged(int value);

protected:
    void nextCheckState() override;

private:
    int m_value = 0;
};
