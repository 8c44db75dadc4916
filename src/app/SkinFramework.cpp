#include "SkinFramework.h"

#include "core/AppError.h"

#include <QApplication>
#include <QFile>
#include <QStringDecoder>
#include <QWidget>

namespace {
// A style sheet is small; anything larger is not a skin.
constexpr qint64 maximumSkinBytes = 4 * 1024 * 1024;
} // namespace

void SkinFramework::LoadSkin(const QString& path, const QString& section)
{
    m_calls << QStringLiteral("LoadSkin");
    Q_UNUSED(section);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("The skin file could not be loaded: ") + path + QStringLiteral(" (") +
                       file.errorString() + QLatin1Char(')'));
    if (file.size() > maximumSkinBytes)
        throw AppError(QStringLiteral("The skin file is too large: ") + path);
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString sheet = decoder(bytes);
    if (decoder.hasError() || bytes.contains('\0'))
        throw AppError(QStringLiteral("The skin file is not a text style sheet: ") + path);
    m_styleSheet = sheet;
    m_loaded = true;
}

void SkinFramework::setOptions(std::uint32_t options)
{
    m_calls << QStringLiteral("Options");
    m_options = options;
}

void SkinFramework::setApplyToDialogs(bool on)
{
    m_calls << QStringLiteral("ApplyToDialogs");
    m_applyToDialogs = on;
}

void SkinFramework::setAutoApplyNewWindows(bool on)
{
    m_calls << QStringLiteral("AutoApplyNewWindows");
    m_autoApplyNewWindows = on;
}

void SkinFramework::ApplyWindow(QWidget* window)
{
    m_calls << QStringLiteral("ApplyWindow");
    if (!m_loaded)
        throw AppError(QStringLiteral("No skin has been loaded"));
    // Message boxes and dialogs take the skin too when asked to.
    if (m_applyToDialogs || m_autoApplyNewWindows)
        qApp->setStyleSheet(m_styleSheet);
    else
        window->setStyleSheet(m_styleSheet);
}
