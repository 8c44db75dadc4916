#include "TickListAccessible.h"

#include "TickListCellAccessible.h"
#include "TickListHeaderAccessible.h"

#include <QTableView>

TickListAccessible::TickListAccessible(QTableView* view) : QAccessibleWidget(view, QAccessible::Table) {}

TickListAccessible::~TickListAccessible()
{
    for (const QAccessible::Id id : std::as_const(m_children))
        QAccessible::deleteAccessibleInterface(id);
}

QTableView* TickListAccessible::view() const
{
    return static_cast<QTableView*>(widget());
}

QAbstractItemModel* TickListAccessible::model() const
{
    return view()->model();
}

int TickListAccessible::place(int row, int column) const
{
    return (row + 1) * (columnCount() + 1) + column + 1;
}

QAccessibleInterface* TickListAccessible::childAt(int x, int y) const
{
    const QPoint at = view()->viewport()->mapFromGlobal(QPoint(x, y));
    if (!view()->viewport()->rect().contains(at))
        return nullptr;
    const QModelIndex index = view()->indexAt(at);
    return index.isValid() ? cellAt(index.row(), index.column()) : nullptr;
}

QAccessibleInterface* TickListAccessible::focusChild() const
{
    const QModelIndex current = view()->currentIndex();
    return view()->hasFocus() && current.isValid() ? cellAt(current.row(), current.column()) : nullptr;
}

QAccessibleInterface* TickListAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    if (const auto known = m_children.constFind(index); known != m_children.cend()) {
        // Views tell of rows coming and going only while a screen reader
        // listens, so a child kept from before may have moved or gone.
        QAccessibleInterface* kept = QAccessible::accessibleInterface(*known);
        if (kept && indexOfChild(kept) == index)
            return kept;
        if (kept)
            QAccessible::deleteAccessibleInterface(*known);
    }
    const int row = index / (columnCount() + 1) - 1;
    const int column = index % (columnCount() + 1) - 1;
    QAccessibleInterface* made = nullptr;
    if (row >= 0 && column >= 0)
        made = new TickListCellAccessible(view(), model()->index(row, column));
    else if (column < 0) // a row's header, or the corner above them all
        made = new TickListHeaderAccessible(view(), Qt::Vertical, row);
    else
        made = new TickListHeaderAccessible(view(), Qt::Horizontal, column);
    m_children.insert(index, QAccessible::registerAccessibleInterface(made));
    return made;
}

int TickListAccessible::childCount() const
{
    return model() ? (rowCount() + 1) * (columnCount() + 1) : 0;
}

int TickListAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (!child || !child->isValid() || child->parent() != this)
        return -1;
    if (const auto* cell = dynamic_cast<const TickListCellAccessible*>(child))
        return place(cell->rowIndex(), cell->columnIndex());
    if (const auto* header = dynamic_cast<const TickListHeaderAccessible*>(child))
        return place(header->row(), header->column());
    return -1;
}

void* TickListAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface* TickListAccessible::cellAt(int row, int column) const
{
    if (row < -1 || column < -1 || row >= rowCount() || column >= columnCount())
        return nullptr;
    return child(place(row, column));
}

int TickListAccessible::selectedCellCount() const
{
    return int(view()->selectionModel()->selectedIndexes().size());
}

QList<QAccessibleInterface*> TickListAccessible::selectedCells() const
{
    QList<QAccessibleInterface*> cells;
    for (const QModelIndex& index : view()->selectionModel()->selectedIndexes())
        cells << cellAt(index.row(), index.column());
    return cells;
}

QString TickListAccessible::columnDescription(int column) const
{
    return model()->headerData(column, Qt::Horizontal).toString();
}

QString TickListAccessible::rowDescription(int row) const
{
    return model()->headerData(row, Qt::Vertical).toString();
}

int TickListAccessible::selectedColumnCount() const
{
    return int(view()->selectionModel()->selectedColumns().size());
}

int TickListAccessible::selectedRowCount() const
{
    return int(view()->selectionModel()->selectedRows().size());
}

int TickListAccessible::columnCount() const
{
    return model() ? model()->columnCount() : 0;
}

int TickListAccessible::rowCount() const
{
    return model() ? model()->rowCount() : 0;
}

QList<int> TickListAccessible::selectedColumns() const
{
    QList<int> columns;
    for (const QModelIndex& index : view()->selectionModel()->selectedColumns())
        columns << index.column();
    return columns;
}

QList<int> TickListAccessible::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : view()->selectionModel()->selectedRows())
        rows << index.row();
    return rows;
}

bool TickListAccessible::isColumnSelected(int column) const
{
    return view()->selectionModel()->isColumnSelected(column);
}

bool TickListAccessible::isRowSelected(int row) const
{
    return view()->selectionModel()->isRowSelected(row);
}

bool TickListAccessible::selectRow(int row)
{
    const QModelIndex index = model()->index(row, 0);
    if (!index.isValid())
        return false;
    view()->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return true;
}

void TickListAccessible::modelChange(QAccessibleTableModelChangeEvent* event)
{
    using Change = QAccessibleTableModelChangeEvent;
    const Change::ModelChangeType type = event->modelChangeType();
    if (type == Change::DataChanged)
        return;
    // As rows come and go, each cell keeps its id at its row's new place and
    // the column headers and the corner keep theirs; the hidden row headers
    // are made again when asked for. Anything else starts afresh.
    const bool rows = type == Change::RowsInserted || type == Change::RowsRemoved;
    QHash<int, QAccessible::Id> kept;
    for (const QAccessible::Id id : std::as_const(m_children)) {
        const QAccessibleInterface* child = QAccessible::accessibleInterface(id);
        const auto* header = dynamic_cast<const TickListHeaderAccessible*>(child);
        const int at = rows && !(header && header->row() >= 0) ? indexOfChild(child) : -1;
        if (at >= 0)
            kept.insert(at, id);
        else if (child)
            QAccessible::deleteAccessibleInterface(id);
    }
    m_children = kept;
}
