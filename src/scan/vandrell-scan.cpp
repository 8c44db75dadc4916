// Prints the phone-number candidates of a file, one per line in page order,
// an empty candidate as an empty line: the scanner on its own, for checking
// it by hand or against other tools. Exits with 2 when the file cannot be
// read and 1 when the output cannot be written.

#include "core/numbers/PhoneScanner.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

// Collects output into large writes; a line at a time through stdio would
// cost more than the scan.
class LineWriter {
public:
    LineWriter() { m_buffer.reserve(kCapacity); }

    void writeLine(std::string_view line)
    {
        if (m_buffer.size() + line.size() + 1 > kCapacity)
            flush();
        if (line.size() >= kCapacity) {
            write(line);
            line = {};
        }
        m_buffer += line;
        m_buffer += '\n';
    }

    bool finish()
    {
        flush();
        return std::fflush(stdout) == 0 && !m_failed;
    }

private:
    static constexpr std::size_t kCapacity = std::size_t{1} << 20;

    void flush()
    {
        write(m_buffer);
        m_buffer.clear();
    }

    void write(std::string_view data)
    {
        if (!data.empty() && std::fwrite(data.data(), 1, data.size(), stdout) != data.size())
            m_failed = true;
    }

    std::string m_buffer;
    bool m_failed = false;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vandrell-scan FILE\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "vandrell-scan: cannot read %s: %s\n", argv[1], qPrintable(file.errorString()));
        return 2;
    }
    // Regular files are mapped; pipes and files that claim to be empty, such
    // as those under /proc, are read to the end instead.
    QByteArray contents;
    std::string_view bytes;
    const qint64 size = file.size();
    if (const uchar* mapped = size > 0 ? file.map(0, size) : nullptr) {
        bytes = {reinterpret_cast<const char*>(mapped), static_cast<std::size_t>(size)};
    } else {
        contents = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            std::fprintf(stderr, "vandrell-scan: cannot read %s: %s\n", argv[1], qPrintable(file.errorString()));
            return 2;
        }
        bytes = {contents.constData(), static_cast<std::size_t>(contents.size())};
    }

    const CandidateList candidates = ScanPhoneNumbers(bytes);
    LineWriter out;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        out.writeLine(candidates.digits(i));
    if (!out.finish()) {
        std::fprintf(stderr, "vandrell-scan: cannot write the output\n");
        return 1;
    }
    return 0;
}
