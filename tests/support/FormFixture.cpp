#include "FormFixture.h"

#include "platform/AppError.h"
#include "platform/PageFetcher.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace {
class RefusingFetcher final : public PageFetcher {
public:
    QByteArray OpenURL(const QString& url) override { throw AppError(QStringLiteral("No fetch in this test: ") + url); }
};

QTemporaryDir& pingDir()
{
    static QTemporaryDir dir;
    return dir;
}
} // namespace

void FormFixture::setPing(Ping ping)
{
    const QString path = pingDir().filePath(QStringLiteral("ping"));
    QFile script(path);
    script.open(QIODevice::WriteOnly | QIODevice::Truncate);
    script.write(ping == Ping::Replies ? "#!/bin/sh\necho '64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.05 ms'\n"
                                       : "#!/bin/sh\necho 'ping: unknown host' >&2\nexit 2\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path0 = qgetenv("PATH");
    if (!path0.startsWith(QFile::encodeName(pingDir().path())))
        qputenv("PATH", QFile::encodeName(pingDir().path()) + ':' + path0);
}

FormFixture::FormFixture(PageFetcher* fetcher, Ping ping) : m_fetcher(fetcher)
{
    if (!m_fetcher) {
        m_ownFetcher = std::make_unique<RefusingFetcher>();
        m_fetcher = m_ownFetcher.get();
    }
    setPing(ping);
    restart();
}

FormFixture::~FormFixture() = default;

Form1& FormFixture::restart()
{
    form.reset();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settingsDir.path());
    form = std::make_unique<Form1>(
        Platform{dialogs, fileDialogs, clipboard, *m_fetcher, m_programDir.path(), [this] { ++endProgramCalls; }});
    return *form;
}

Form1& FormFixture::loaded()
{
    restart();
    form->Form_Load();
    return *form;
}

QString FormFixture::settingsFile() const
{
    return form->settings().fileName();
}
