#include "TickListHeaderAccessible.h"

#include <QHeaderView>
#include <QTableView>

TickListHeaderAccessible::TickListHeaderAccessible(QTableView* view, Qt::Orientation orientation, int section)
    : m_view(view), m_orientation(orientation), m_section(section)
{}

QHeaderView* TickListHeaderAccessible::header() const
{
    return m_orientation == Qt::Horizontal ? m_view->horizontalHeader() : m_view->verticalHeader();
}

bool TickListHeaderAccessible::isValid() const
{
    if (!m_view || !m_view->model())
        return false;
    const QAbstractItemModel* model = m_view->model();
    return m_section < (m_orientation == Qt::Horizontal ? model->columnCount() : model->rowCount());
}

// The corner shows only where both headers do.
bool TickListHeaderAccessible::shown() const
{
    if (m_section < 0)
        return m_view->horizontalHeader()->isVisible() && m_view->verticalHeader()->isVisible();
    return header()->isVisible();
}

QAccessibleInterface* TickListHeaderAccessible::parent() const
{
    return m_view ? QAccessible::queryAccessibleInterface(m_view) : nullptr;
}

QString TickListHeaderAccessible::text(QAccessible::Text t) const
{
    if (!isValid() || m_section < 0 || t != QAccessible::Name)
        return {};
    return m_view->model()->headerData(m_section, m_orientation).toString();
}

QRect TickListHeaderAccessible::rect() const
{
    if (!isValid() || m_section < 0 || !shown())
        return {};
    const QHeaderView* bar = header();
    const int start = bar->sectionViewportPosition(m_section);
    const int size = bar->sectionSize(m_section);
    const QRect area =
        m_orientation == Qt::Horizontal ? QRect(start, 0, size, bar->height()) : QRect(0, start, bar->width(), size);
    return {bar->viewport()->mapToGlobal(area.topLeft()), area.size()};
}

QAccessible::Role TickListHeaderAccessible::role() const
{
    if (m_section < 0)
        return QAccessible::Pane;
    return m_orientation == Qt::Horizontal ? QAccessible::ColumnHeader : QAccessible::RowHeader;
}

QAccessible::State TickListHeaderAccessible::state() const
{
    QAccessible::State state;
    if (!isValid())
        return state;
    state.invisible = !shown();
    state.disabled = !header()->isEnabled();
    return state;
}
