#include "TestHttpServer.h"

#include <QTcpSocket>

#include <zlib.h>

namespace {
const QByteArray endlessChunk(64 * 1024, 'x');
}

TestHttpServer::Reply TestHttpServer::Reply::page(const QByteArray& body, const QByteArray& contentType)
{
    Reply reply;
    reply.body = body;
    reply.headers << qMakePair(QByteArrayLiteral("Content-Type"), contentType);
    return reply;
}

TestHttpServer::Reply TestHttpServer::Reply::redirect(const QByteArray& location)
{
    Reply reply;
    reply.status = 302;
    reply.reason = "Found";
    reply.headers << qMakePair(QByteArrayLiteral("Location"), location);
    return reply;
}

TestHttpServer::Reply TestHttpServer::Reply::error(int status, const QByteArray& reason)
{
    Reply reply = page("<html><body>error page 555-123-4567</body></html>");
    reply.status = status;
    reply.reason = reason;
    return reply;
}

TestHttpServer::Reply TestHttpServer::Reply::gzipped(const QByteArray& body)
{
    Reply reply = page(gzip(body));
    reply.headers << qMakePair(QByteArrayLiteral("Content-Encoding"), QByteArrayLiteral("gzip"));
    return reply;
}

QByteArray TestHttpServer::gzip(const QByteArray& data)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

TestHttpServer::TestHttpServer()
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::accept);
    m_server.listen(QHostAddress::LocalHost, 0);
}

TestHttpServer::~TestHttpServer() = default;

void TestHttpServer::route(const QString& path, const Reply& reply)
{
    m_routes.insert(path, reply);
}

QString TestHttpServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:") + QString::number(port()) + path;
}

void TestHttpServer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequests(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void TestHttpServer::readRequests(QTcpSocket* socket)
{
    QByteArray& buffer = m_pending[socket];
    buffer += socket->readAll();
    for (;;) {
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray head = buffer.left(end);
        buffer.remove(0, end + 4);
        const QList<QByteArray> lines = head.split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        for (const QByteArray& line : lines) {
            if (line.toLower().startsWith("user-agent:"))
                m_lastUserAgent = line.mid(11).trimmed();
        }
        respond(socket, QString::fromLatin1(requestLine.value(1)));
    }
}

void TestHttpServer::respond(QTcpSocket* socket, const QString& path)
{
    m_requests[path] += 1;
    const auto found = m_routes.constFind(path);
    const Reply reply = found != m_routes.constEnd() ? *found : Reply::error(404, "Not Found");
    if (reply.mode == Reply::Mode::Hang)
        return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reply.reason + "\r\n";
    for (const auto& [name, value] : reply.headers)
        head += name + ": " + value + "\r\n";
    if (reply.mode == Reply::Mode::Endless) {
        head += "Content-Type: text/html\r\nConnection: close\r\n\r\n";
        socket->write(head);
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { feedEndless(socket); });
        feedEndless(socket);
        return;
    }
    head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n\r\n";
    // One write per reply: a separate small header write would wait on
    // delayed acknowledgements.
    socket->write(head + reply.body);
}

void TestHttpServer::feedEndless(QTcpSocket* socket)
{
    if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 4 * endlessChunk.size())
        socket->write(endlessChunk);
}
