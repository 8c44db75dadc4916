#include "RowListModel.h"

#include "core/AppError.h"

namespace {
constexpr int announceIntervalMs = 25;
}

RowListModel::RowListModel(bool checkable, QObject* parent) : QAbstractTableModel(parent), m_checkable(checkable)
{
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(announceIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &RowListModel::flushAppends);
}

void RowListModel::addColumn(const QString& caption)
{
    const int column = int(m_headers.size());
    beginInsertColumns({}, column, column);
    m_headers << caption;
    endInsertColumns();
}

void RowListModel::checkRow(int row) const
{
    if (row < 1 || row > count())
        throw AppError(QStringLiteral("Index out of bounds"));
}

QString RowListModel::text(int row) const
{
    checkRow(row);
    return m_rows.text(std::size_t(row - 1));
}

ListRows::Utf8 RowListModel::utf8(int row) const
{
    checkRow(row);
    return m_rows.utf8(std::size_t(row - 1));
}

bool RowListModel::ticked(int row) const
{
    checkRow(row);
    return m_checkable && m_ticks[std::size_t(row - 1)] != 0;
}

void RowListModel::setTicked(int row, bool ticked)
{
    checkRow(row);
    if (!m_checkable)
        return;
    m_ticks[std::size_t(row - 1)] = ticked ? 1 : 0;
    if (row <= m_announced) {
        const QModelIndex cell = index(row - 1, 0);
        emit dataChanged(cell, cell, {Qt::CheckStateRole});
    }
}

QString RowListModel::subItem(int row, int column) const
{
    checkRow(row);
    if (column < 2 || column > columnTotal())
        throw AppError(QStringLiteral("Index out of bounds"));
    return {};
}

void RowListModel::append(QStringView text)
{
    reserveTick();
    m_rows.append(text);
    appended();
}

void RowListModel::appendUtf8(std::string_view a, std::string_view b, std::string_view c)
{
    reserveTick();
    m_rows.appendUtf8(a, b, c);
    appended();
}

void RowListModel::reserveTick()
{
    // Before the row goes in, so a failure cannot leave a row without its tick.
    if (m_checkable && m_ticks.size() == m_ticks.capacity())
        m_ticks.reserve(m_ticks.size() < 64 ? 64 : m_ticks.size() * 2);
}

void RowListModel::appendShared(ListRows::Prefix prefix, std::string_view own)
{
    reserveTick();
    m_rows.appendShared(prefix, own);
    appended();
}

void RowListModel::appended()
{
    if (m_checkable)
        m_ticks.push_back(0);
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void RowListModel::flushAppends()
{
    m_flushTimer.stop();
    const int total = count();
    if (total <= m_announced)
        return;
    beginInsertRows({}, m_announced, total - 1);
    m_announced = total;
    endInsertRows();
}

void RowListModel::remove(int row)
{
    checkRow(row);
    flushAppends();
    beginRemoveRows({}, row - 1, row - 1);
    m_rows.remove(std::size_t(row - 1));
    if (m_checkable)
        m_ticks.erase(m_ticks.begin() + (row - 1));
    m_announced = count();
    endRemoveRows();
}

void RowListModel::clear()
{
    beginResetModel();
    m_flushTimer.stop();
    m_rows.clear();
    m_ticks.clear();
    m_ticks.shrink_to_fit();
    m_announced = 0;
    endResetModel();
}

int RowListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_announced;
}

int RowListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnTotal();
}

QVariant RowListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_announced)
        return {};
    const auto row = std::size_t(index.row());
    if (index.column() == 0) {
        if (role == Qt::DisplayRole) // no tip of its own: the list's hint shows over rows too
            return m_rows.text(row);
        if (role == Qt::CheckStateRole && m_checkable)
            return m_ticks[row] ? Qt::Checked : Qt::Unchecked;
    }
    return {};
}

bool RowListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!m_checkable || role != Qt::CheckStateRole || !index.isValid() || index.column() != 0 ||
        index.row() >= m_announced)
        return false;
    setTicked(index.row() + 1, value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags RowListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_checkable && index.column() == 0)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant RowListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columnTotal())
        return m_headers[section];
    return {};
}
