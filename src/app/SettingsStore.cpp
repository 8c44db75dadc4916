#include "SettingsStore.h"

#include "platform/AppError.h"

#include <QSettings>
#include <QStringList>

namespace {
const QString application = QStringLiteral("Korrim");
const QString section = QStringLiteral("Vandrell");

QString keyPath(const QString& key)
{
    return section + QLatin1Char('/') + key;
}
} // namespace

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, application, application))
{}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::read(const QString& key, const QString& defaultText) const
{
    const QVariant value = m_settings->value(keyPath(key));
    if (!value.isValid())
        return defaultText;
    // A hand-edited value with unquoted commas reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void SettingsStore::write(const QString& key, const QString& value)
{
    m_settings->setValue(keyPath(key), value);
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        throw AppError(QStringLiteral("The setting \"%1\" could not be saved to %2").arg(key, m_settings->fileName()));
}

QString SettingsStore::fileName() const
{
    return m_settings->fileName();
}
