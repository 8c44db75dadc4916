#include "OnlineCheck.h"

#include "CommandCapture.h"
#include "platform/Dialogs.h"

namespace {
// ping itself gives up after 3 s; the deadline is the backstop for a stuck
// name lookup. With the second the capture allows a killed command, start-up
// never waits more than 5 s.
constexpr std::chrono::milliseconds checkDeadline{3800};
} // namespace

bool showsPingReply(const QString& output)
{
    return output.contains(QLatin1String("bytes="), Qt::CaseInsensitive) ||
           output.contains(QLatin1String("bytes from"), Qt::CaseInsensitive);
}

void CheckOnline(Dialogs& dialogs)
{
    const QString commandLine = QStringLiteral("ping -c 1 -W 3 ") + onlineCheckHost;
    const QString output = CaptureCommandOutput(commandLine, true, false, true, checkDeadline);
    if (!showsPingReply(output))
        dialogs.msgBox(offlineWarning);
}
