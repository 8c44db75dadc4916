#pragma once
// A cell of a list whose rows carry a tick, as a screen reader reads it: a
// check box, ticked or not, where the row has a tick; a plain cell
// elsewhere. It names the cell's text; the toggle action ticks or unticks
// it, as Space does. It follows its row as rows come and go before it.

#include <QAccessibleActionInterface>
#include <QAccessibleInterface>
#include <QAccessibleTableCellInterface>
#include <QPersistentModelIndex>
#include <QPointer>

class QTableView;

class TickListCellAccessible final : public QAccessibleInterface,
                                     public QAccessibleTableCellInterface,
                                     public QAccessibleActionInterface {
public:
    TickListCellAccessible(QTableView* view, const QModelIndex& index);

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    bool isSelected() const override;
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override;
    int columnIndex() const override;
    int rowIndex() const override;
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    bool hasTick() const;

    QPointer<QTableView> m_view;
    QPersistentModelIndex m_index;
};
