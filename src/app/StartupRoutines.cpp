#include "StartupRoutines.h"

#include "platform/AppTitle.h"

#include <QDateTime>
#include <QFileInfo>

bool FileExists(const QString& path)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

QString sideFilePath(const QString& programFolder, const QString& backslashName)
{
    QString name = backslashName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return programFolder + name;
}

QString appTitleFor(const QString& productName)
{
    constexpr qsizetype longest = 40;
    QString title = productName;
    do {
        const qsizetype lastSpace = title.lastIndexOf(QLatin1Char(' '));
        if (lastSpace < 0)
            break;
        title.truncate(lastSpace);
    } while (title.size() > longest);
    return title;
}

void SetAppTitle(const QString& productName)
{
    setAppTitle(appTitleFor(productName));
}
