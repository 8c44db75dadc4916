#include "SquidProxy.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {
quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

bool write(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}
} // namespace

SquidProxy::SquidProxy(const QString& certificate, const QString& key)
{
    // Run as root, squid and its helpers drop to another user, who must read these.
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                            QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    const QString dir = m_dir.path();
    for (quint16& port : m_ports)
        port = freePort();
    const QByteArray realm = "vandrell";
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray("alice:" + realm + ':' + password), QCryptographicHash::Md5).toHex();
    const QString configuration = QStringLiteral(R"(http_port 127.0.0.1:%1 name=open
http_port 127.0.0.1:%2 name=digest
https_port 127.0.0.1:%3 name=tls tls-cert=%4/cert.pem tls-key=%4/key.pem
pid_filename %4/squid.pid
cache_log %4/cache.log
access_log none
coredump_dir %4
cache deny all
cache_mem 4 MB
pinger_enable off
shutdown_lifetime 0 seconds
auth_param digest program /usr/lib/squid/digest_file_auth -c %4/digest
auth_param digest realm %5
acl open myportname open tls
acl users proxy_auth REQUIRED
http_access allow open
http_access allow users
http_access deny all
)")
                                      .arg(m_ports[0])
                                      .arg(m_ports[1])
                                      .arg(m_ports[2])
                                      .arg(dir, QString::fromLatin1(realm));
    const bool written = write(dir + QStringLiteral("/squid.conf"), configuration.toUtf8()) &&
                         write(dir + QStringLiteral("/digest"), "alice:" + realm + ':' + hash + '\n') &&
                         QFile::copy(certificate, dir + QStringLiteral("/cert.pem")) &&
                         QFile::copy(key, dir + QStringLiteral("/key.pem"));
    if (!written || !m_ports[0] || !m_ports[1] || !m_ports[2])
        return;
    for (const char* name : {"/digest", "/cert.pem", "/key.pem"})
        QFile::setPermissions(dir + QLatin1String(name), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    // Its log is cache.log in its folder.
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start(QStringLiteral("squid"),
                    {QStringLiteral("-N"), QStringLiteral("-f"), dir + QStringLiteral("/squid.conf")});
    if (!m_process.waitForStarted())
        return;
    // Ready once its last port takes connections.
    for (int tries = 0; tries < 200 && !m_ready && m_process.state() == QProcess::Running; ++tries) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_ports[2]);
        m_ready = socket.waitForConnected(100);
        if (!m_ready)
            QTest::qWait(50);
    }
}

SquidProxy::~SquidProxy()
{
    m_process.terminate();
    if (!m_process.waitForFinished(10'000))
        m_process.kill();
    m_process.waitForFinished();
}

QString SquidProxy::address(Port port) const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_ports[int(port)]);
}
