#include "ListRows.h"

#include "core/AppError.h"

#include <QByteArray>

#include <new>

namespace {
// Room for one more element, growing geometrically as push_back would.
template <typename Vector> void roomForOne(Vector& v)
{
    if (v.size() == v.capacity())
        v.reserve(v.size() < 16 ? 16 : v.size() * 2);
}
} // namespace

ListRows::Utf8 ListRows::utf8(std::size_t row) const
{
    const std::size_t begin = start(row);
    Utf8 pieces;
    pieces.own = std::string_view(m_bytes).substr(begin, m_ends[row] - begin);
    if (!m_prefixOf.empty() && m_prefixOf[row] != 0)
        pieces.prefix = m_prefixes[m_prefixOf[row] - 1];
    return pieces;
}

QString ListRows::text(std::size_t row) const
{
    const Utf8 pieces = utf8(row);
    if (pieces.prefix.empty())
        return QString::fromUtf8(pieces.own);
    return QString::fromUtf8(pieces.joined());
}

void ListRows::reserveFor(std::size_t moreBytes)
{
    const std::size_t stored = storedBytes();
    if (moreBytes > m_byteLimit || stored > m_byteLimit - moreBytes)
        throw std::bad_alloc();
}

void ListRows::append(QStringView text)
{
    const QByteArray bytes = text.toUtf8();
    appendUtf8(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

void ListRows::appendUtf8(std::string_view a, std::string_view b, std::string_view c)
{
    const std::size_t length = a.size() + b.size() + c.size();
    reserveFor(length + sizeof(std::uint64_t) + (m_prefixOf.empty() ? 0 : sizeof(std::uint32_t)));
    // Room in every array first, so a failure leaves no half-added row.
    roomForOne(m_ends);
    if (!m_prefixOf.empty())
        roomForOne(m_prefixOf);
    m_bytes.append(a).append(b).append(c);
    m_ends.push_back(m_bytes.size());
    if (!m_prefixOf.empty())
        m_prefixOf.push_back(0);
    m_textBytes += length;
}

ListRows::Prefix ListRows::sharePrefix(std::string_view a, std::string_view b)
{
    if (m_prefixes.size() >= std::numeric_limits<std::uint32_t>::max())
        throw std::bad_alloc();
    reserveFor(a.size() + b.size());
    m_prefixes.push_back(std::string(a).append(b));
    m_prefixBytes += m_prefixes.back().size();
    return Prefix{std::uint32_t(m_prefixes.size()), m_generation};
}

bool ListRows::holds(Prefix prefix) const
{
    return prefix.index != 0 && prefix.generation == m_generation && prefix.index <= m_prefixes.size();
}

void ListRows::appendShared(Prefix prefix, std::string_view own)
{
    if (!holds(prefix))
        throw AppError(QStringLiteral("Invalid procedure call or argument"));
    reserveFor(own.size() + sizeof(std::uint64_t) +
               (m_prefixOf.empty() ? m_ends.size() + 1 : 1) * sizeof(std::uint32_t));
    roomForOne(m_ends);
    if (m_prefixOf.empty())
        m_prefixOf.resize(m_ends.size(), 0);
    roomForOne(m_prefixOf);
    m_bytes.append(own);
    m_ends.push_back(m_bytes.size());
    m_prefixOf.push_back(prefix.index);
    m_textBytes += m_prefixes[prefix.index - 1].size() + own.size();
}

void ListRows::remove(std::size_t row)
{
    const std::size_t begin = start(row);
    const std::size_t length = m_ends[row] - begin;
    m_textBytes -= utf8(row).size();
    m_bytes.erase(begin, length);
    m_ends.erase(m_ends.begin() + std::ptrdiff_t(row));
    for (std::size_t i = row; i < m_ends.size(); ++i)
        m_ends[i] -= length;
    if (!m_prefixOf.empty())
        m_prefixOf.erase(m_prefixOf.begin() + std::ptrdiff_t(row));
}

void ListRows::clear()
{
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_ends.clear();
    m_ends.shrink_to_fit();
    m_prefixOf.clear();
    m_prefixOf.shrink_to_fit();
    m_prefixes.clear();
    m_prefixes.shrink_to_fit();
    m_prefixBytes = 0;
    m_textBytes = 0;
    ++m_generation;
}
