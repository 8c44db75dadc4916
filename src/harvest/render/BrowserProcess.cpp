#include "BrowserProcess.h"

#include "ChildReaper.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcessEnvironment>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr qsizetype errorTailBytes = 4096;
constexpr int startMs = 30'000;
constexpr int closeMs = 5'000;
constexpr int endedMs = 1'000;
constexpr std::chrono::milliseconds leftoverGrace{3'000};
constexpr rlim_t processDataBytes = rlim_t(1) << 30;

struct Account {
    uid_t uid = 0;
    gid_t gid = 0;
};

// Root runs the browser as nobody: the sandbox then works, and a page that
// got out of it would find an account that owns nothing.
std::optional<Account> unprivilegedAccount()
{
    if (::geteuid() != 0)
        return std::nullopt;
    const passwd* entry = ::getpwnam("nobody");
    if (!entry)
        return Account{65534, 65534};
    return Account{entry->pw_uid, entry->pw_gid};
}

// A loopback port bound and never listened on: connections to it are
// refused at once, and no other program can take it while it is held.
int bindDeadPort(quint16& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

// Whether another user can reach a folder: every folder above it searchable
// by all (a TMPDIR in root's home is not).
bool reachableByOthers(const QString& folder)
{
    for (QDir dir(QFileInfo(folder).absolutePath()); !dir.isRoot(); dir.cdUp())
        if (!(QFileInfo(dir.path()).permissions() & QFileDevice::ExeOther))
            return false;
    return true;
}

// The last line of what it wrote on standard error that says why it stopped.
// Not any ERROR line: it logs them all the time (D-Bus it has no use for,
// its zygote gone), and they would be taken for the reason.
QString lastWords(const QByteArray& tail)
{
    const QList<QByteArray> lines = tail.split('\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line)
        if (line->contains(":FATAL:") || line->contains("sandbox"))
            return QString::fromUtf8(line->mid(line->indexOf(']') + 1).trimmed().left(300));
    return {};
}
} // namespace

BrowserProcess::BrowserProcess(Settings settings) : m_settings(std::move(settings))
{
    connect(&m_channel, &QLocalSocket::readyRead, this, &BrowserProcess::readMessages);
    connect(&m_channel, &QLocalSocket::disconnected, this, &BrowserProcess::onEnded);
    connect(&m_process, &QProcess::finished, this, &BrowserProcess::onEnded);
    connect(&m_process, &QProcess::readyReadStandardError, this, [this] {
        m_errorTail += m_process.readAllStandardError();
        if (m_errorTail.size() > errorTailBytes)
            m_errorTail.remove(0, m_errorTail.size() - errorTailBytes);
    });
}

BrowserProcess::~BrowserProcess()
{
    stop();
}

QString BrowserProcess::defaultProgram()
{
    const QString chosen = qEnvironmentVariable("VANDRELL_CHROMIUM");
    return chosen.isEmpty() ? QStringLiteral("/usr/lib/chromium/chromium") : chosen;
}

QString BrowserProcess::missing(const QString& program)
{
    const QFileInfo file(program);
    if (file.isFile() && file.isExecutable())
        return {};
    return QStringLiteral("--render needs Chromium, and %1 is not there: install the package chromium "
                          "(apt install chromium)")
        .arg(program);
}

QStringList BrowserProcess::arguments() const
{
    QStringList arguments{
        QStringLiteral("--headless"),
        QStringLiteral("--remote-debugging-pipe"),
        QStringLiteral("--user-data-dir=") + m_profile->path(),
        QStringLiteral("--no-first-run"),
        QStringLiteral("--no-default-browser-check"),
        QStringLiteral("--password-store=basic"),
        // Nothing of its own on the network: no name look-ups, and whatever
        // its tabs do not hand to the harvester goes to a port that refuses
        // it, WebRTC's UDP included.
        QStringLiteral("--host-resolver-rules=MAP * ~NOTFOUND"),
        QStringLiteral("--proxy-server=http://127.0.0.1:%1").arg(m_deadProxyPort),
        QStringLiteral("--proxy-bypass-list=<-loopback>"),
        QStringLiteral("--force-webrtc-ip-handling-policy=disable_non_proxied_udp"),
        QStringLiteral("--disable-background-networking"),
        QStringLiteral("--disable-component-update"),
        QStringLiteral("--disable-sync"),
        QStringLiteral("--disable-default-apps"),
        QStringLiteral("--disable-extensions"),
        QStringLiteral("--disable-domain-reliability"),
        QStringLiteral("--disable-client-side-phishing-detection"),
        QStringLiteral("--disable-breakpad"),
        QStringLiteral("--no-pings"),
        QStringLiteral("--deny-permission-prompts"),
        QStringLiteral("--mute-audio"),
        QStringLiteral("--disable-gpu"),
        // Every tab is in the background, and its timers must run on time.
        QStringLiteral("--disable-background-timer-throttling"),
        QStringLiteral("--disable-renderer-backgrounding"),
        QStringLiteral("--disable-backgrounding-occluded-windows"),
        // Frames of other sites stay in their page's process, where the
        // page's request interception sees their requests too; a page left
        // is not kept for going back to.
        QStringLiteral("--disable-site-isolation-trials"),
        QStringLiteral("--disable-features=IsolateOrigins,site-per-process,Translate,MediaRouter,BackForwardCache"),
        // A page's script heap is bounded: one that allocates without end
        // ends its own tab.
        QStringLiteral("--js-flags=--max-old-space-size=512"),
    };
    if (!m_settings.sandbox)
        arguments << QStringLiteral("--no-sandbox");
    return arguments;
}

QString BrowserProcess::start()
{
    if (const QString why = missing(m_settings.program); !why.isEmpty())
        return why;
    ChildReaper::becomeSubreaper();
    const std::optional<Account> account = unprivilegedAccount();
    m_profile = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vandrell-render-XXXXXX"));
    if (!m_profile->isValid())
        return QStringLiteral("No folder for the browser's profile: ") + m_profile->errorString();
    if (account && ::chown(QFile::encodeName(m_profile->path()).constData(), account->uid, account->gid) != 0)
        return QStringLiteral("The browser's profile cannot be given to nobody: ") +
               QString::fromLocal8Bit(std::strerror(errno));
    if (account && !reachableByOthers(m_profile->path()))
        return QStringLiteral("The browser runs as nobody, who cannot reach its profile in %1: set TMPDIR to a "
                              "folder all users can reach, such as /tmp")
            .arg(QDir::tempPath());
    m_deadProxy = bindDeadPort(m_deadProxyPort);
    if (m_deadProxy < 0)
        return QStringLiteral("No loopback port to keep the browser off the network: ") +
               QString::fromLocal8Bit(std::strerror(errno));
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return QStringLiteral("No channel to the browser: ") + QString::fromLocal8Bit(std::strerror(errno));
    const int browserEnd = ends[1];

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The proxy, and any password in it, is the harvester's business.
    for (const char* name : {"http_proxy", "https_proxy", "all_proxy", "no_proxy", "ftp_proxy"}) {
        environment.remove(QString::fromLatin1(name));
        environment.remove(QString::fromLatin1(name).toUpper());
    }
    environment.insert(QStringLiteral("HOME"), m_profile->path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_profile->path());
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), m_profile->path());
    m_process.setProcessEnvironment(environment);
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setChildProcessModifier([browserEnd, account] {
        // Descriptors 3 and 4 are the browser's channel. Moved out of the
        // way first, so that neither is closed by the other's dup2.
        const int channel = ::fcntl(browserEnd, F_DUPFD, 10);
        if (channel < 0 || ::dup2(channel, 3) < 0 || ::dup2(channel, 4) < 0)
            ::_exit(127);
        ::close(channel);
        ::setsid();
        if (account && (::setgroups(0, nullptr) != 0 || ::setgid(account->gid) != 0 || ::setuid(account->uid) != 0))
            ::_exit(127);
        // Set after the change of user, which clears it.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // Each of its processes may hold so much memory of its own, and no
        // more: a page's typed arrays, which the script heap's bound does not
        // count, then fail to allocate instead of filling the machine.
        const rlimit data{processDataBytes, processDataBytes};
        ::setrlimit(RLIMIT_DATA, &data);
    });
    m_process.start(m_settings.program, arguments());
    const bool started = m_process.waitForStarted(startMs);
    ::close(browserEnd);
    if (!started) {
        ::close(ends[0]);
        return QStringLiteral("Chromium could not be started: ") + m_process.errorString();
    }
    m_channel.setSocketDescriptor(ends[0]);
    return {};
}

void BrowserProcess::send(const QJsonObject& message)
{
    m_channel.write(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\0');
}

void BrowserProcess::readMessages()
{
    const qsizetype searched = m_input.size();
    m_input += m_channel.readAll();
    qsizetype start = 0;
    for (qsizetype end = m_input.indexOf('\0', searched); end >= 0; end = m_input.indexOf('\0', start)) {
        const QJsonDocument message =
            QJsonDocument::fromJson(QByteArray::fromRawData(m_input.constData() + start, end - start));
        start = end + 1;
        if (message.isObject())
            emit received(message.object());
    }
    m_input.remove(0, start);
}

void BrowserProcess::onEnded()
{
    if (m_stopping || m_endReported)
        return;
    m_endReported = true;
    // Its channel closes as it goes, before it has been waited for.
    if (m_process.state() != QProcess::NotRunning)
        m_process.waitForFinished(endedMs);
    QString reason;
    if (m_process.state() != QProcess::NotRunning)
        reason = QStringLiteral("Chromium closed its channel");
    else if (const int code = m_process.exitCode(); m_process.exitStatus() == QProcess::CrashExit)
        reason =
            QStringLiteral("Chromium ended on signal %1 (%2)").arg(code).arg(QString::fromLocal8Bit(strsignal(code)));
    else
        reason = QStringLiteral("Chromium stopped with exit status %1").arg(code);
    if (const QString words = lastWords(m_errorTail); !words.isEmpty())
        reason += QStringLiteral(" (") + words + u')';
    emit ended(reason);
}

void BrowserProcess::stop()
{
    m_stopping = true;
    if (m_process.state() != QProcess::NotRunning) {
        if (m_channel.state() == QLocalSocket::ConnectedState) {
            send(QJsonObject{{QStringLiteral("id"), 0}, {QStringLiteral("method"), QStringLiteral("Browser.close")}});
            m_channel.flush();
        }
        if (!m_process.waitForFinished(closeMs)) {
            // Its session's leader: the whole process group goes.
            ::kill(-pid_t(m_process.processId()), SIGKILL);
            m_process.waitForFinished(closeMs);
        }
    }
    m_channel.abort();
    if (m_profile) {
        ChildReaper::reap(QFileInfo(m_settings.program).absolutePath(), leftoverGrace);
        m_profile.reset();
    }
    if (m_deadProxy >= 0)
        ::close(m_deadProxy);
    m_deadProxy = -1;
}
