#include "CommonDialog.h"

#include <QDir>
#include <QFileInfo>

QStringList CommonDialog::qtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QString patterns = parts[i + 1];
        // "*.*" means every file; on this platform names need not hold a dot.
        patterns.replace(QLatin1String("*.*"), QLatin1String("*"));
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        description.replace(QLatin1String("(*.*)"), QLatin1String("(*)"));
        if (!description.contains(QLatin1Char('(')))
            description += QLatin1String(" (") + patterns + QLatin1Char(')');
        filters << description;
    }
    return filters;
}

void CommonDialog::ShowOpen()
{
    show(FileDialogRequest::Mode::Open);
}

void CommonDialog::ShowSave()
{
    show(FileDialogRequest::Mode::Save);
}

void CommonDialog::show(FileDialogRequest::Mode mode)
{
    FileDialogRequest request;
    request.mode = mode;
    request.title = DialogTitle;
    request.nameFilters = qtNameFilters(Filter);
    request.allowMultiple = mode == FileDialogRequest::Mode::Open && (Flags & AllowMultiSelect);
    request.mustExist = Flags & FileMustExist;
    request.confirmOverwrite = Flags & OverwritePrompt;
    const QStringList chosen = m_prompt.choose(request);
    if (chosen.isEmpty())
        return;
    if (chosen.size() == 1) {
        FileName = QDir::toNativeSeparators(chosen.front());
        return;
    }
    // Several files come back as their folder and the bare names, NUL-separated.
    QStringList parts{QDir::toNativeSeparators(QFileInfo(chosen.front()).absolutePath())};
    for (const QString& path : chosen)
        parts << QFileInfo(path).fileName();
    FileName = parts.join(QChar(0));
}
