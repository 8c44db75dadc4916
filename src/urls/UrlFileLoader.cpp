#include "UrlFileLoader.h"

#include "app/RowListModel.h"
#include "app/StartupRoutines.h"
#include "core/AppError.h"
#include "platform/Dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace {

QString sizeText(qint64 bytes)
{
    if (bytes % (qint64(1) << 20) == 0)
        return QString::number(bytes >> 20) + QLatin1String(" MB");
    if (bytes % 1024 == 0)
        return QString::number(bytes >> 10) + QLatin1String(" KB");
    return QString::number(bytes) + QLatin1String(" bytes");
}

[[noreturn]] void refuse(const QString& description)
{
    throw AppError(description);
}

// One reading of a file: cuts its chunks into rows, decodes each row and
// appends it to the list.
class UrlFileLoad final {
public:
    UrlFileLoad(RowListModel& list, const QString& name, const UrlFileLimits& limits)
        : m_list(list), m_name(name), m_limits(limits),
          m_reader(UrlLineReader::BlankLines::Keep, std::size_t(limits.maxLineBytes))
    {}

    void take(QByteArrayView raw);
    void finish();

private:
    void addRow(std::string_view row, qint64 line);
    [[noreturn]] void refuseLongLine(qint64 line) const;

    RowListModel& m_list;
    const QString& m_name; // quoted, as the descriptions show it
    const UrlFileLimits& m_limits;
    UrlLineReader m_reader;
    UrlLineDecoder m_decoder;
};

void UrlFileLoad::take(QByteArrayView raw)
{
    // A NUL never occurs in text; it marks a binary file picked by mistake.
    const void* nul = std::memchr(raw.data(), 0, std::size_t(raw.size()));
    const qsizetype textBytes = nul ? static_cast<const char*>(nul) - raw.data() : raw.size();
    m_reader.feed(
        std::string_view(raw.data(), std::size_t(textBytes)),
        [this](std::string_view row, qint64 line) { addRow(row, line); },
        [this](qint64 line) { refuseLongLine(line); });
    if (nul)
        refuse(QLatin1String("Line ") + QString::number(m_reader.nextLine()) + QLatin1String(" of ") + m_name +
               QLatin1String(" holds a NUL byte, so it is no text file of URLs. Nothing from that line on was added."));
}

void UrlFileLoad::finish()
{
    m_reader.finish([this](std::string_view row, qint64 line) { addRow(row, line); },
                    [this](qint64 line) { refuseLongLine(line); });
}

void UrlFileLoad::addRow(std::string_view row, qint64 line)
{
    if (m_list.count() >= m_limits.maxListRows)
        refuse(QLatin1String("The URL list is full at ") + QString::number(m_limits.maxListRows) +
               QLatin1String(" rows: line ") + QString::number(line) + QLatin1String(" of ") + m_name +
               QLatin1String(" and the lines after it were not added."));
    m_list.appendUtf8(m_decoder.toUtf8(row));
}

void UrlFileLoad::refuseLongLine(qint64 line) const
{
    refuse(QLatin1String("Line ") + QString::number(line) + QLatin1String(" of ") + m_name +
           QLatin1String(" is longer than ") + sizeText(m_limits.maxLineBytes) +
           QLatin1String(", far too long for a URL. Nothing from that line on was added."));
}

} // namespace

void appendUrlFile(RowListModel& list, const QString& path, const UrlFileLimits& limits)
{
    const QString name = QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
    const QString tooLarge = name + QLatin1String(" is larger than ") + sizeText(limits.maxFileBytes) +
                             QLatin1String(", far too large for a list of URLs.");
    const QFileInfo info(path);
    if (info.isDir())
        refuse(name + QLatin1String(" is a folder, not a text file of URLs."));
    // Devices and pipes could block or never end.
    if (!info.isFile())
        refuse(name + QLatin1String(" is not a regular file."));
    if (info.size() > limits.maxFileBytes)
        refuse(tooLarge);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        refuse(QLatin1String("Cannot open ") + name + QLatin1String(": ") + file.errorString());
    UrlFileLoad load(list, name, limits);
    QByteArray chunk(limits.chunkBytes, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 got = file.read(chunk.data(), chunk.size());
        if (got < 0)
            refuse(QLatin1String("Cannot read ") + name + QLatin1String(": ") + file.errorString());
        if (got == 0)
            break;
        // The file may have grown since its size was looked at.
        total += got;
        if (total > limits.maxFileBytes)
            refuse(tooLarge);
        load.take(QByteArrayView(chunk.constData(), got));
    }
    load.finish();
}

void LoadUrlFile(RowListModel& list, const QString& path, Dialogs& dialogs)
{
    if (!FileExists(path)) {
        dialogs.msgBox(QStringLiteral("File not found"));
        return;
    }
    appendUrlFile(list, path);
}
