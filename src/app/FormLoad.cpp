// Start-up of the window: skin, online check, custom pointer, start counter,
// caption and title, list columns, and the stored options.

#include "ApplySkin.h"
#include "ErrorTrap.h"
#include "Form1.h"
#include "OnlineCheck.h"
#include "ReportListView.h"
#include "RowListModel.h"
#include "StartupRoutines.h"
#include "Twips.h"
#include "ValueCheckBox.h"
#include "ValueConversion.h"
#include "platform/AppIcon.h"

#include <QApplication>
#include <QFile>

namespace {
constexpr int listColumnTwips = 7000;
}

void Form1::Form_Load()
{
    ErrorTrap trap(dialogs(), QStringLiteral("Form1.Form_Load"));

    trap.at(100, [&] { ApplySkin(*this); });
    trap.at(102, [&] { CheckOnline(dialogs()); });

    const QString cursorPath = sideFilePath(programFolder(), QStringLiteral("\\HAND-M.CUR"));
    if (trap.test(106, [&] { return FileExists(cursorPath); }))
        trap.at(108, [&] { loadMouseIcon(cursorPath); });

    trap.at(116, [&] {
        const double loads = toDouble(m_settings.read(SettingsKeys::loads, QStringLiteral("0"))) + 1;
        m_settings.write(SettingsKeys::loads, plainNumberText(loads));
    });

    trap.at(128, [&] { setWindowTitle(productName); });
    trap.at(128, [&] {
        const QIcon icon = appIcon();
        if (icon.isNull())
            throw AppError(QStringLiteral("The application icon is missing"));
        setWindowIcon(icon);
    });
    trap.at(128, [&] { SetAppTitle(productName); });

    const int columnPixels = twipsToPixels(listColumnTwips, logicalDpiX());
    trap.at(130, [&] { urlRows()->addColumn(QStringLiteral("URL(s)")); });
    trap.at(132, [&] { ListView1->setColumnWidth(0, columnPixels); });
    trap.at(134, [&] { resultRows()->addColumn(QStringLiteral("Result(s)")); });
    trap.at(136, [&] { ListView2->setColumnWidth(0, columnPixels); });

    trap.at(138, [&] { Check2->setValue(toInteger(m_settings.read(SettingsKeys::check2, QStringLiteral("0")))); });

    const bool firstStart =
        trap.test(140, [&] { return toDouble(m_settings.read(SettingsKeys::loads, QStringLiteral("0"))) == 1; });
    if (firstStart) {
        trap.at(142, [&] { Check1[5]->setValue(1); });
        trap.at(144, [&] { Check1[6]->setValue(1); });
        return;
    }
    for (int i = 0; i <= 15; ++i) {
        trap.at(148, [&] {
            const QString stored = m_settings.read(SettingsKeys::phoneLength(i), QString());
            Check1[std::size_t(i)]->setValue(toInteger(numericValue(stored)));
        });
    }
}

void Form1::loadMouseIcon(const QString& path)
{
    QImage image;
    if (!image.load(path))
        throw AppError(QStringLiteral("Invalid picture: ") + path);
    // The cursor file names its hot spot; the image reader does not pass it on.
    int hotX = 0;
    int hotY = 0;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray header = file.read(14);
        if (header.size() == 14 && header[2] == 2) {
            hotX = quint8(header[10]) | quint8(header[11]) << 8;
            hotY = quint8(header[12]) | quint8(header[13]) << 8;
        }
    }
    m_mouseIcon = QCursor(QPixmap::fromImage(image), qMin(hotX, image.width() - 1), qMin(hotY, image.height() - 1));
}
