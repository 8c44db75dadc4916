#include "PingStandIn.h"

#include <QFile>
#include <QTemporaryDir>

QString pingStandInFolder(PingAnswer answer)
{
    static QTemporaryDir folder;
    QFile script(folder.filePath(QStringLiteral("ping")));
    script.open(QIODevice::WriteOnly | QIODevice::Truncate);
    script.write(answer == PingAnswer::Replies
                     ? "#!/bin/sh\necho '64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.05 ms'\n"
                     : "#!/bin/sh\necho 'ping: unknown host' >&2\nexit 2\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return folder.path();
}
