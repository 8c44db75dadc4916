#pragma once
// The error trap every command handler runs under. A failing numbered step is
// reported in the Application Error box and the handler goes on with the next
// step; a condition that fails while being tested counts as true.
//
//     ErrorTrap trap(dialogs, "Form1.PushButton6_Click");
//     trap.at(106, [&] { CommonDialog1.FileName.clear(); });
//     if (trap.test(120, [&] { return FileExists(path); })) { ... }

#include "core/AppError.h"

#include <QString>

#include <exception>
#include <new>

class Dialogs;

class ErrorTrap final {
public:
    ErrorTrap(Dialogs& dialogs, QString location) : m_dialogs(dialogs), m_location(std::move(location)) {}

    template <typename Step> void at(int line, Step&& step)
    {
        try {
            step();
        } catch (...) {
            reportCurrent(line);
        }
    }

    template <typename Condition> bool test(int line, Condition&& condition)
    {
        try {
            return condition();
        } catch (...) {
            reportCurrent(line);
            return true;
        }
    }

    // The text of the Application Error box, piece by piece as users quote it.
    static QString reportText(const QString& description, const QString& location, int line);
    static const QString& supportAddress();

private:
    void reportCurrent(int line);

    Dialogs& m_dialogs;
    QString m_location;
};
