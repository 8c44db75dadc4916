#include "PageServer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

#include <zlib.h>

PageServer::PageServer(const Options& options)
{
    QStringList arguments{QStringLiteral(VANDRELL_PAGE_SERVER), QStringLiteral("--hosts"),
                          QString::number(options.hosts)};
    if (options.tls) {
        QProcess openssl;
        openssl.setStandardErrorFile(QProcess::nullDevice());
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                       QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                       QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:pages.invalid"),
                       QStringLiteral("-keyout"), m_dir.filePath(QStringLiteral("key.pem")), QStringLiteral("-out"),
                       certificate()});
        const bool made = openssl.waitForFinished(30'000) && openssl.exitCode() == 0;
        if (!made)
            return;
        arguments << QStringLiteral("--cert") << certificate() << QStringLiteral("--key")
                  << m_dir.filePath(QStringLiteral("key.pem"));
    }
    if (!options.corpus.isEmpty())
        arguments << QStringLiteral("--corpus") << options.corpus << QStringLiteral("--pages")
                  << QString::number(options.pages);
    QDir(m_dir.path()).mkdir(QStringLiteral("site"));
    arguments << QStringLiteral("--site") << m_dir.filePath(QStringLiteral("site")) << QStringLiteral("--jitter")
              << QString::number(options.jitterMs);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("python3"), arguments);
    // Generous: cutting a large corpus takes a moment.
    while (!m_output.contains('\n') && m_process.waitForReadyRead(60'000))
        m_output += m_process.readAllStandardOutput();
    const qsizetype end = m_output.indexOf('\n');
    if (end < 0)
        return;
    const QJsonObject ports = QJsonDocument::fromJson(m_output.left(end)).object();
    m_output.remove(0, end + 1);
    m_port = quint16(ports.value(QStringLiteral("port")).toInt());
    m_tlsPort = quint16(ports.value(QStringLiteral("tls_port")).toInt());
    m_stuckPort = quint16(ports.value(QStringLiteral("stuck_port")).toInt());
    if (options.h2FrontEnd && !startFront())
        m_port = 0;
}

bool PageServer::startFront()
{
    QTcpServer probe; // a free port for it
    if (!probe.listen(QHostAddress::LocalHost))
        return false;
    m_frontPort = probe.serverPort();
    probe.close();
    m_front.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // It goes with the test, also when the test crashes.
    m_front.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_front.start(QStringLiteral("nghttpx"),
                  {QStringLiteral("--frontend=127.0.0.1,%1").arg(m_frontPort),
                   QStringLiteral("--backend=127.0.0.1,%1").arg(m_port), QStringLiteral("--workers=1"),
                   QStringLiteral("--conf=/dev/null"), QStringLiteral("--no-ocsp"),
                   QStringLiteral("--frontend-write-timeout=300s"),
                   QStringLiteral("--accesslog-file=") + m_dir.filePath(QStringLiteral("front.log")),
                   QStringLiteral("--accesslog-format=$alpn $request"), m_dir.filePath(QStringLiteral("key.pem")),
                   certificate()});
    for (int attempt = 0; attempt < 100 && m_front.state() != QProcess::NotRunning; ++attempt) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_frontPort);
        if (socket.waitForConnected(100))
            return true;
        QThread::msleep(50);
    }
    return false;
}

QString PageServer::frontUrl(const QString& path) const
{
    return QStringLiteral("https://127.0.0.1:%1%2").arg(m_frontPort).arg(path);
}

QStringList PageServer::frontProtocols() const
{
    QFile log(m_dir.filePath(QStringLiteral("front.log")));
    QStringList protocols;
    if (log.open(QIODevice::ReadOnly))
        for (const QByteArray& line : log.readAll().split('\n'))
            if (!line.isEmpty())
                protocols << QString::fromLatin1(line.split(' ').value(0));
    return protocols;
}

PageServer::~PageServer()
{
    if (m_front.state() != QProcess::NotRunning) {
        m_front.terminate();
        m_front.waitForFinished(2000);
    }
    m_process.closeWriteChannel(); // the server ends with its input
    if (!m_process.waitForFinished(2000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

QString PageServer::url(const QString& path, int host) const
{
    return QStringLiteral("http://127.0.0.%1:%2%3").arg(host).arg(m_port).arg(path);
}

QString PageServer::tlsUrl(const QString& path) const
{
    return QStringLiteral("https://127.0.0.1:%1%2").arg(m_tlsPort).arg(path);
}

QString PageServer::stuckUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(m_stuckPort);
}

QList<PageServer::Event> PageServer::events()
{
    while (m_process.waitForReadyRead(100))
        m_output += m_process.readAllStandardOutput();
    m_output += m_process.readAllStandardOutput();
    QList<Event> events;
    for (const QByteArray& line : m_output.split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() < 3)
            continue;
        Event event;
        event.kind = QString::fromLatin1(words[0]);
        event.host = QString::fromLatin1(words[1]);
        event.path = QString::fromLatin1(words[2]);
        if (words.size() >= 7) {
            event.active = words[3].toInt();
            event.activeOnHost = words[4].toInt();
            event.open = words[5].toInt();
            event.openOnHost = words[6].toInt();
        }
        event.scheme = QString::fromLatin1(words.value(7));
        if (words.size() >= 9 && words[8] != "-")
            event.userAgent = QByteArray::fromPercentEncoding(words[8]);
        event.atMs = words.value(9).toDouble();
        events << event;
    }
    return events;
}

int PageServer::requestsFor(const QString& path)
{
    int count = 0;
    for (const Event& event : events())
        count += event.kind == QLatin1String("request") && event.path == path;
    return count;
}

QByteArray PageServer::lastUserAgent()
{
    const QList<Event> all = events();
    for (auto event = all.crbegin(); event != all.crend(); ++event)
        if (event->kind == QLatin1String("request"))
            return event->userAgent;
    return {};
}

void PageServer::route(const QString& target, const QByteArray& answer, int host, const QByteArray& cookie)
{
    QString key = host == 0 ? target : QStringLiteral("127.0.0.%1 %2").arg(host).arg(target);
    if (!cookie.isEmpty())
        key = target + QStringLiteral(" cookie=") + QString::fromLatin1(cookie);
    const QByteArray name = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex();
    QFile file(m_dir.filePath(QStringLiteral("site/") + QString::fromLatin1(name)));
    if (file.open(QIODevice::WriteOnly))
        file.write(answer);
}

QByteArray PageServer::page(const QByteArray& body, const QByteArray& contentType)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray PageServer::gzipped(const QByteArray& body)
{
    const QByteArray packed = gzip(body);
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\nContent-Length: " +
           QByteArray::number(packed.size()) + "\r\n\r\n" + packed;
}

QByteArray PageServer::redirect(const QByteArray& location)
{
    return "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n";
}

QByteArray PageServer::gzip(const QByteArray& data)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}
