#pragma once
// squid from Debian as a child process on 127.0.0.1, from a configuration
// written for the occasion: a port open to every request, a port that wants
// Digest credentials (user alice, password S3cret-pw) and nothing else, and
// an https port whose certificate is the one given.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class SquidProxy final {
public:
    enum class Port { Open, Digest, Tls };
    static constexpr const char* password = "S3cret-pw";

    SquidProxy(const QString& certificate, const QString& key);
    ~SquidProxy();

    bool ready() const { return m_ready; }
    // host:port of one of its ports.
    QString address(Port port) const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_ports[3] = {};
    bool m_ready = false;
};
