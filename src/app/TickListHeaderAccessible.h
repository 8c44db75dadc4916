#pragma once
// A section of a list's headers as a screen reader reads it: a column's
// caption, or a row's header (hidden in these lists, but counted among the
// list's children all the same). Section -1 of the row headers is the
// corner where the two headers meet.

#include <QAccessibleInterface>
#include <QPointer>

class QHeaderView;
class QTableView;

class TickListHeaderAccessible final : public QAccessibleInterface {
public:
    TickListHeaderAccessible(QTableView* view, Qt::Orientation orientation, int section);

    // Where it sits among the list's cells: row -1 for a column's header,
    // column -1 for a row's, both for the corner.
    int row() const { return m_orientation == Qt::Vertical ? m_section : -1; }
    int column() const { return m_orientation == Qt::Horizontal ? m_section : -1; }

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

private:
    QHeaderView* header() const;
    bool shown() const;

    QPointer<QTableView> m_view;
    Qt::Orientation m_orientation;
    int m_section;
};
