#include "FormFixture.h"

#include "PingStandIn.h"

#include "core/AppError.h"
#include "core/fetch/PageFetcher.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace {
class RefusingFetcher final : public PageFetcher {
public:
    using PageFetcher::start;
    std::unique_ptr<PendingPage> start(const PageUrl&, const QString& subject, RedirectCheck, Body) override
    {
        throw AppError(QStringLiteral("No fetch in this test: ") + subject);
    }
};

} // namespace

void FormFixture::setPing(Ping ping)
{
    const QByteArray folder =
        QFile::encodeName(pingStandInFolder(ping == Ping::Replies ? PingAnswer::Replies : PingAnswer::Silent));
    const QByteArray path = qgetenv("PATH");
    if (!path.startsWith(folder))
        qputenv("PATH", folder + ':' + path);
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
