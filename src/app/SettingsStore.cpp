#include "SettingsStore.h"

#include "core/AppError.h"

#include <QFile>
#include <QSettings>
#include <QStringList>

#include <sys/stat.h>

namespace {
const QString application = QStringLiteral("Korrim");
const QString section = QStringLiteral("Vandrell");

QString keyPath(const QString& key)
{
    return section + QLatin1Char('/') + key;
}

// The file's identity on disk, 0 when there is none.
ino_t fileIdentity(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}
} // namespace

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, application, application))
{
    // Every save writes a new file and renames it over the old one, or fails.
    m_settings->setAtomicSyncRequired(true);
}

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
    // QSettings keeps its first error for good (one stray line read, one
    // failed save), so its status says nothing about this write. A save that
    // worked has put a new file in place of the old one: that is the judge.
    const QString path = keyPath(key);
    const QVariant before = m_settings->value(path); // as on disk: no value that failed is kept
    const ino_t oldFile = fileIdentity(m_settings->fileName());
    m_settings->setValue(path, value);
    m_settings->sync();
    const ino_t newFile = fileIdentity(m_settings->fileName());
    if (newFile != 0 && newFile != oldFile)
        return;
    // Not on disk, so not to be read back either, now or by a later start.
    if (before.isValid())
        m_settings->setValue(path, before);
    else
        m_settings->remove(path);
    throw AppError(QStringLiteral("The setting \"%1\" could not be saved to %2").arg(key, m_settings->fileName()));
}

QString SettingsStore::fileName() const
{
    return m_settings->fileName();
}
