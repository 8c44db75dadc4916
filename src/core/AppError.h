#pragma once
// The one error type of the program. Platform calls and routines throw it with
// a human description; the error trap of a handler catches it and reports it.

#include <QString>

#include <exception>

class AppError final : public std::exception {
public:
    explicit AppError(QString description)
        : m_description(std::move(description)), m_utf8(m_description.toUtf8()), m_reason(m_description)
    {}
    // A failure of one thing, such as a URL as typed: the description is the
    // reason, ": " and the thing, so a report shows which one failed.
    AppError(QString reason, const QString& subject)
        : m_description(reason + QStringLiteral(": ") + subject), m_utf8(m_description.toUtf8()),
          m_reason(std::move(reason))
    {}

    const QString& description() const { return m_description; }
    // The description without its subject.
    const QString& reason() const { return m_reason; }
    const char* what() const noexcept override { return m_utf8.constData(); }

    // Descriptions the program's conversions and controls raise.
    static AppError typeMismatch() { return AppError(QStringLiteral("Type mismatch")); }
    static AppError overflow() { return AppError(QStringLiteral("Overflow")); }
    static AppError invalidPropertyValue() { return AppError(QStringLiteral("Invalid property value")); }
    static AppError invalidArgument() { return AppError(QStringLiteral("Invalid procedure call or argument")); }

private:
    QString m_description;
    QByteArray m_utf8;
    QString m_reason;
};
