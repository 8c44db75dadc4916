#pragma once
// Helpers the results tests share: filling the results list, reading and
// writing whole files, and running an action inside a command's next yield.

#include "TestFiles.h"
#include "app/Form1.h"
#include "app/RowListModel.h"
#include "core/Yield.h"

#include <QFile>
#include <QMetaObject>
#include <QThread>

#include <functional>

inline RowListModel& addResults(Form1& form, const QStringList& texts, const QList<int>& tickedRows = {})
{
    RowListModel& rows = *form.resultRows();
    for (const QString& text : texts)
        rows.append(text);
    for (int row : tickedRows)
        rows.setTicked(row, true);
    rows.flushAppends();
    return rows;
}

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Yields are time-sliced: after a pause longer than a slice, the command's
// first yield runs the events queued before it, so the action lands in the
// middle of the command, as a click of the user's would.
inline void duringNextYield(QObject* context, const std::function<void()>& action)
{
    Yield::now();
    QMetaObject::invokeMethod(context, action, Qt::QueuedConnection);
    QThread::msleep(30);
}
