#include "ChildReaper.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>

namespace {
// The kernel keeps a process's name to its first 15 bytes.
constexpr qsizetype nameLength = 15;

QSet<QByteArray> programNames(const QString& folder)
{
    QSet<QByteArray> names;
    for (const QString& file : QDir(folder).entryList(QDir::Files | QDir::Executable))
        names.insert(QFile::encodeName(file).left(nameLength));
    return names;
}

// Children are listed per thread: an orphan may be handed to any of ours.
QList<pid_t> children()
{
    QList<pid_t> pids;
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(QStringLiteral("/proc/self/task/%1/children").arg(task));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& pid : file.readAll().split(' '))
            if (const int value = pid.trimmed().toInt(); value > 0)
                pids << pid_t(value);
    }
    return pids;
}

// The name in /proc/PID/stat, which a zombie keeps too.
QByteArray processName(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = file.read(512);
    const qsizetype open = stat.indexOf('('), close = stat.lastIndexOf(')');
    return open < 0 || close < open ? QByteArray() : stat.mid(open + 1, close - open - 1);
}

QList<pid_t> browserChildren(const QSet<QByteArray>& names)
{
    QList<pid_t> found;
    for (const pid_t pid : children())
        if (names.contains(processName(pid)))
            found << pid;
    return found;
}
} // namespace

void ChildReaper::becomeSubreaper()
{
    prctl(PR_SET_CHILD_SUBREAPER, 1);
}

void ChildReaper::reap(const QString& folder, std::chrono::milliseconds grace)
{
    const QSet<QByteArray> names = programNames(folder);
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const QList<pid_t> left = browserChildren(names);
        if (left.isEmpty())
            return;
        const bool late = clock.elapsed() > grace.count();
        for (const pid_t pid : left) {
            if (late)
                ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, late ? 0 : WNOHANG);
        }
        if (!late)
            QThread::msleep(10);
    }
}
