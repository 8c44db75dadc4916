#pragma once
// The page server of page_server.py as a child process: friendly and hostile
// pages on 127.0.0.1 to 127.0.0.N, a TLS port with a certificate made for the
// occasion (for 127.0.0.1 and the name pages.invalid, which the server also
// answers for as a proxy), optionally nghttpx in front of it offering HTTP/2,
// and a record of every request and of every client that left before its
// answer was complete.

#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class PageServer final {
public:
    struct Options {
        int hosts = 1;
        bool tls = false;
        QString corpus; // served as /corpus/0 ... /corpus/pages-1
        int pages = 0;
        bool h2FrontEnd = false; // needs tls
        int jitterMs = 0;        // routed answers wait a random time up to this
    };
    struct Event {
        QString kind; // "request" or "aborted"
        QString host;
        QString path;
        int active = 0;       // requests being answered, this one included
        int activeOnHost = 0; // the same on this one host
        int open = 0;         // connections open
        int openOnHost = 0;
        QByteArray userAgent; // of a request
        QString scheme;       // of the connection: "http" or "https"
        double atMs = 0;      // since the server started
    };

    PageServer() : PageServer(Options{}) {}
    explicit PageServer(const Options& options);
    ~PageServer();

    bool ready() const { return m_port != 0; }
    QString url(const QString& path, int host = 1) const;
    QString tlsUrl(const QString& path) const;
    QString stuckUrl() const; // connecting never completes
    // The pages through the HTTP/2-capable front end, and the protocol each
    // request to it was made in ("h2", "http/1.1"), in order.
    QString frontUrl(const QString& path) const;
    QStringList frontProtocols() const;
    QString certificate() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    quint16 port() const { return m_port; }

    // Serves `answer`, a whole HTTP answer (head and body), for this request
    // target (path and query), from now on: on host 127.0.0.`host`, or on
    // every host for 0; with `cookie`, only to requests that send that
    // Cookie header.
    void route(const QString& target, const QByteArray& answer, int host = 0, const QByteArray& cookie = {});
    // Answers to route: each in turn, the last one again after that.
    static QByteArray inTurn(const QList<QByteArray>& answers) { return answers.join(QByteArray("\0next\0\n", 7)); }
    static QByteArray resetAnswer() { return QByteArray("\0reset", 6); }
    static QByteArray emptyAnswer() { return QByteArray("\0empty", 6); }
    static QByteArray hangingAnswer() { return QByteArray("\0hang", 5); }
    // Answers to route.
    static QByteArray page(const QByteArray& body, const QByteArray& contentType = "text/html; charset=utf-8");
    static QByteArray gzipped(const QByteArray& body); // the page gzip-compressed, with its Content-Encoding
    static QByteArray redirect(const QByteArray& location);
    static QByteArray gzip(const QByteArray& data);

    // Everything recorded so far, once the server has had its say.
    QList<Event> events();
    int requestsFor(const QString& path);
    QByteArray lastUserAgent();

private:
    bool startFront();

    QTemporaryDir m_dir;
    QProcess m_process;
    QProcess m_front;
    quint16 m_frontPort = 0;
    quint16 m_port = 0;
    quint16 m_tlsPort = 0;
    quint16 m_stuckPort = 0;
    QByteArray m_output;
};
