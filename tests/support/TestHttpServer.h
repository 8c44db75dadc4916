#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for tests and benchmarks, with full
// control over misbehaviour: replies with any status and headers, replies
// that never come, bodies that never end, compressed bodies, redirects.
// Connections are kept alive between requests, as real servers do.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

class TestHttpServer final : public QObject {
    Q_OBJECT
public:
    struct Reply {
        enum class Mode { Normal, Hang, Endless };
        int status = 200;
        QByteArray reason = "OK";
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        Mode mode = Mode::Normal;

        static Reply page(const QByteArray& body, const QByteArray& contentType = "text/html; charset=utf-8");
        static Reply redirect(const QByteArray& location);
        static Reply error(int status, const QByteArray& reason);
        // The body gzip-compressed, with its Content-Encoding header.
        static Reply gzipped(const QByteArray& body);
    };

    TestHttpServer();
    ~TestHttpServer() override;

    void route(const QString& path, const Reply& reply);
    QString url(const QString& path) const;
    quint16 port() const { return m_server.serverPort(); }
    int requestCount(const QString& path) const { return m_requests.value(path); }
    QByteArray lastUserAgent() const { return m_lastUserAgent; }

    static QByteArray gzip(const QByteArray& data);

private:
    void accept();
    void readRequests(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const QString& path);
    void feedEndless(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QString, Reply> m_routes;
    QHash<QString, int> m_requests;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QByteArray m_lastUserAgent;
};
