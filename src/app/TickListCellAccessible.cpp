#include "TickListCellAccessible.h"

#include <QHeaderView>
#include <QKeySequence>
#include <QTableView>

TickListCellAccessible::TickListCellAccessible(QTableView* view, const QModelIndex& index)
    : m_view(view), m_index(index)
{}

bool TickListCellAccessible::isValid() const
{
    return m_view && m_index.isValid() && m_index.model() == m_view->model();
}

QAccessibleInterface* TickListCellAccessible::parent() const
{
    return m_view ? QAccessible::queryAccessibleInterface(m_view) : nullptr;
}

bool TickListCellAccessible::hasTick() const
{
    return (m_index.flags() & Qt::ItemIsUserCheckable) && m_index.data(Qt::CheckStateRole).isValid();
}

QString TickListCellAccessible::text(QAccessible::Text t) const
{
    if (!isValid())
        return {};
    if (t == QAccessible::Name) {
        const QString name = m_index.data(Qt::AccessibleTextRole).toString();
        return name.isEmpty() ? m_index.data(Qt::DisplayRole).toString() : name;
    }
    if (t == QAccessible::Description)
        return m_index.data(Qt::AccessibleDescriptionRole).toString();
    return {};
}

QRect TickListCellAccessible::rect() const
{
    if (!isValid())
        return {};
    const QRect area = m_view->visualRect(m_index);
    return {m_view->viewport()->mapToGlobal(area.topLeft()), area.size()};
}

QAccessible::Role TickListCellAccessible::role() const
{
    return isValid() && hasTick() ? QAccessible::CheckBox : QAccessible::Cell;
}

QAccessible::State TickListCellAccessible::state() const
{
    QAccessible::State state;
    if (!isValid())
        return state;
    state.invisible = !m_view->viewport()->rect().intersects(m_view->visualRect(m_index));
    state.selected = m_view->selectionModel()->isSelected(m_index);
    state.focused = m_view->currentIndex() == m_index;
    state.selectable = state.focusable = bool(m_index.flags() & Qt::ItemIsSelectable);
    if (hasTick()) {
        const int tick = m_index.data(Qt::CheckStateRole).toInt();
        state.checkable = true; // which Qt 6.4's AT-SPI bridge drops; the role says it there
        state.checked = tick == Qt::Checked;
        state.checkStateMixed = tick == Qt::PartiallyChecked;
    }
    return state;
}

void* TickListCellAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableCellInterface)
        return static_cast<QAccessibleTableCellInterface*>(this);
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

bool TickListCellAccessible::isSelected() const
{
    return isValid() && m_view->selectionModel()->isSelected(m_index);
}

QList<QAccessibleInterface*> TickListCellAccessible::columnHeaderCells() const
{
    QAccessibleInterface* list = table();
    if (!isValid() || !list || m_view->horizontalHeader()->isHidden())
        return {};
    return {list->tableInterface()->cellAt(-1, m_index.column())};
}

QList<QAccessibleInterface*> TickListCellAccessible::rowHeaderCells() const
{
    QAccessibleInterface* list = table();
    if (!isValid() || !list || m_view->verticalHeader()->isHidden())
        return {};
    return {list->tableInterface()->cellAt(m_index.row(), -1)};
}

int TickListCellAccessible::columnIndex() const
{
    return isValid() ? m_index.column() : -1;
}

int TickListCellAccessible::rowIndex() const
{
    return isValid() ? m_index.row() : -1;
}

QStringList TickListCellAccessible::actionNames() const
{
    if (!isValid() || !hasTick())
        return {};
    return {toggleAction()};
}

void TickListCellAccessible::doAction(const QString& actionName)
{
    if (actionName != toggleAction() || !isValid() || !hasTick())
        return;
    const bool ticked = m_index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    m_view->model()->setData(m_index, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

QStringList TickListCellAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName != toggleAction())
        return {};
    return {QKeySequence(Qt::Key_Space).toString(QKeySequence::NativeText)};
}
