#include "core/UrlLineReader.h"

namespace {
bool isAscii(std::string_view bytes)
{
    unsigned char any = 0;
    for (const char c : bytes)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}
} // namespace

std::string_view UrlLineDecoder::toUtf8(std::string_view line)
{
    if (isAscii(line))
        return line; // the same in every encoding the system may use
    const QByteArrayView raw(line.data(), qsizetype(line.size()));
    const qsizetype textSpace = m_decoder.requiredSpace(raw.size());
    if (textSpace > m_text.size())
        m_text.resize(textSpace);
    const QStringView text(m_text.constData(), m_decoder.appendToBuffer(m_text.data(), raw));
    const qsizetype utf8Space = m_encoder.requiredSpace(text.size());
    if (utf8Space > m_utf8.size())
        m_utf8.resize(utf8Space);
    const char* end = m_encoder.appendToBuffer(m_utf8.data(), text);
    return std::string_view(m_utf8.constData(), std::size_t(end - m_utf8.constData()));
}
