#include "ListRows.h"

#include <QByteArray>

std::string_view ListRows::utf8(std::size_t row) const
{
    const std::size_t begin = start(row);
    return std::string_view(m_bytes).substr(begin, m_ends[row] - begin);
}

void ListRows::append(QStringView text)
{
    const QByteArray bytes = text.toUtf8();
    appendUtf8(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

void ListRows::appendUtf8(std::string_view a, std::string_view b, std::string_view c)
{
    m_bytes.append(a).append(b).append(c);
    m_ends.push_back(m_bytes.size());
}

void ListRows::remove(std::size_t row)
{
    const std::size_t begin = start(row);
    const std::size_t length = m_ends[row] - begin;
    m_bytes.erase(begin, length);
    m_ends.erase(m_ends.begin() + std::ptrdiff_t(row));
    for (std::size_t i = row; i < m_ends.size(); ++i)
        m_ends[i] -= length;
}

void ListRows::clear()
{
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_ends.clear();
    m_ends.shrink_to_fit();
}
