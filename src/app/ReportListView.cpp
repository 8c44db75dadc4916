#include "ReportListView.h"

#include "RowListModel.h"

#include <QHeaderView>
#include <QKeyEvent>

ReportListView::ReportListView(RowListModel* model, QWidget* parent) : QTableView(parent), m_model(model)
{
    setModel(model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    // Uniform, fixed rows keep a million rows cheap to lay out.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

int ReportListView::selectedRow() const
{
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? 0 : selected.front().row() + 1;
}

void ReportListView::selectRow(int row)
{
    QTableView::selectRow(row - 1);
}

void ReportListView::keyPressEvent(QKeyEvent* event)
{
    const int code = event->key() == Qt::Key_Delete ? deleteKeyCode : event->key();
    emit keyDown(code, event->modifiers());
    QTableView::keyPressEvent(event);
}

void ReportListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit dblClick();
}
