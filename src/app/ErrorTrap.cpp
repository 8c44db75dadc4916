#include "ErrorTrap.h"

#include "platform/Dialogs.h"
#include "platform/MessageStyle.h"

QString ErrorTrap::reportText(const QString& description, const QString& location, int line)
{
    return description + QLatin1String("\r\n") + QLatin1String("in Ostrevan2021/08/31.") + location + QLatin1Char(' ') +
           QLatin1String("at line ") + QString::number(line) + QLatin1String("\r\r") +
           QLatin1String("Please email screenshot of this message to ") + supportAddress();
}

const QString& ErrorTrap::supportAddress()
{
    static const QString address = QStringLiteral("support@korrim.example");
    return address;
}

void ErrorTrap::reportCurrent(int line)
{
    QString description;
    try {
        throw;
    } catch (const AppError& error) {
        description = error.description();
    } catch (const std::bad_alloc&) {
        description = QStringLiteral("Out of memory");
    } catch (const std::exception& error) {
        description = QString::fromLocal8Bit(error.what());
    } catch (...) {
        description = QStringLiteral("Unexpected error");
    }
    m_dialogs.msgBox(reportText(description, m_location, line), MessageStyle::Exclamation,
                     QStringLiteral("Application Error"));
}
