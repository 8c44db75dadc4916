#pragma once
// The user's stored options and start counter: text values under application
// "Korrim", section "Vandrell". Every write goes to disk at once, so nothing
// is lost if the program ends abruptly; nothing is written at exit.

#include <QString>

#include <memory>

class QSettings;

namespace SettingsKeys {
inline QString phoneLength(int index)
{
    return QStringLiteral("Phone Length") + QString::number(index);
}
inline const QString check2 = QStringLiteral("Check2");
inline const QString loads = QStringLiteral("Loads");
} // namespace SettingsKeys

class SettingsStore final {
public:
    SettingsStore();
    ~SettingsStore();

    // The stored text, or defaultText when the key is absent. An unreadable
    // store reads as empty.
    QString read(const QString& key, const QString& defaultText) const;
    // Throws AppError when the value cannot be stored.
    void write(const QString& key, const QString& value);

    QString fileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};
