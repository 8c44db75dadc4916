#pragma once
// What screen readers are told of a list whose rows carry a tick: a table
// whose ticked cells read as check boxes, checked or not. Qt's own table
// tells of a tick only by a cell's "checkable" state, which Qt 6.4's AT-SPI
// bridge drops, so an unticked row said nothing of its box; a check box's
// role the bridge passes on. Qt's table class is its own, not to be built
// on, so this one takes its place whole.
//
// Children are numbered as item views number them in their own focus and
// selection events: row by row, the header row first and the row headers'
// column first in each row, hidden or not.

#include <QAccessibleTableInterface>
#include <QAccessibleWidget>
#include <QHash>

class QAbstractItemModel;
class QTableView;

class TickListAccessible final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit TickListAccessible(QTableView* view);
    ~TickListAccessible() override;

    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // Row -1 gives a column's header, column -1 a row's, both the corner.
    QAccessibleInterface* cellAt(int row, int column) const override;
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int selectedColumnCount() const override;
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override;
    QList<int> selectedRows() const override;
    bool isColumnSelected(int column) const override;
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    // The list selects whole rows, one at a time: no column is selected, and
    // a row stays selected until another is.
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

private:
    QTableView* view() const;
    QAbstractItemModel* model() const;
    int place(int row, int column) const;

    // Children made so far by their place, each kept under one id while it
    // lives so the bridge's path for it stays the same.
    mutable QHash<int, QAccessible::Id> m_children;
};
