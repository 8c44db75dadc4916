#include "ReportListView.h"

#include "RowListModel.h"

#include <QAccessible>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QTimer>

ReportListView::ReportListView(RowListModel* model, QWidget* parent) : QTableView(parent), m_model(model)
{
    setModel(model);
    // Rows pasted into the focused, empty list: the current row the keys act
    // on is selected too, as when the list is entered by Tab.
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (!hasFocus() || selectionModel()->hasSelection())
            return;
        const QModelIndex current = currentIndex().isValid() ? currentIndex() : m_model->index(0, 0);
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    });
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Tab and Shift+Tab move on to the window's next and previous controls;
    // the arrow keys move between rows.
    setTabKeyNavigation(false);
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

int ReportListView::keyCodeOf(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers & Qt::KeypadModifier;
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return (keypad ? 96 : 48) + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 65 + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    if (keypad) {
        switch (qtKey) {
        case Qt::Key_Asterisk:
            return 106;
        case Qt::Key_Plus:
            return 107;
        case Qt::Key_Minus:
            return 109;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return 110; // the keypad's decimal key, whichever mark it prints
        case Qt::Key_Slash:
            return 111;
        default:
            break;
        }
    }
    switch (qtKey) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Clear:
        return 12;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Print:
        return 44;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return deleteKeyCode; // also the keypad's with Num Lock off
    case Qt::Key_Help:
        return 47;
    case Qt::Key_Meta:
        return 91;
    case Qt::Key_Menu:
        return 93;
    case Qt::Key_NumLock:
        return 144;
    case Qt::Key_ScrollLock:
        return 145;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return 186;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return 187;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return 188;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return 189;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return 190;
    case Qt::Key_Slash:
    case Qt::Key_Question:
        return 191;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return 192;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return 219;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return 220;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return 221;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return 222;
    default:
        return 0;
    }
}

void ReportListView::setTakesDrops(bool takes)
{
    m_takesDrops = takes;
    setAcceptDrops(takes);
    viewport()->setAcceptDrops(takes);
}

void ReportListView::keyPressEvent(QKeyEvent* event)
{
    emit keyDown(keyCodeOf(event->key(), event->modifiers()), event->modifiers());
    if (event->matches(QKeySequence::Paste)) {
        emit pasteKey();
        return;
    }
    QTableView::keyPressEvent(event);
}

void ReportListView::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    // Coming in by Tab, the current row is the one the keys act on, so it is
    // selected as well: Delete removes it, and it shows plainly. A click
    // selects its own row.
    const Qt::FocusReason reason = event->reason();
    const bool byKeys =
        reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
    if (!byKeys || !m_model->rowCount()) {
        viewport()->update();
        return;
    }
    QModelIndex current = currentIndex();
    if (!current.isValid()) { // a cleared list comes back without one
        current = m_model->index(0, 0);
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    }
    if (!selectionModel()->hasSelection())
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    viewport()->update(); // the focus mark of an empty list
}

void ReportListView::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void ReportListView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    // With no current row the style draws no focus mark, so the list draws
    // one round its rows' area.
    if (!hasFocus() || currentIndex().isValid())
        return;
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
    painter.drawRect(viewport()->rect().adjusted(1, 1, -2, -2));
}

bool ReportListView::takesDrop(const QDropEvent* event) const
{
    const QMimeData* data = event->mimeData();
    return m_takesDrops && data && (data->hasUrls() || data->hasText());
}

void ReportListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (takesDrop(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ReportListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (takesDrop(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ReportListView::dropEvent(QDropEvent* event)
{
    if (!takesDrop(event)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const QMimeData* data = event->mimeData();
    const QList<QUrl> links = data->urls();
    const QString text = links.isEmpty() ? data->text() : QString();
    // The drop's source waits until this returns; files are read and errors
    // reported after that.
    QTimer::singleShot(0, this, [this, links, text] { emit dropped(links, text); });
}

void ReportListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    QTableView::dataChanged(topLeft, bottomRight, roles);
    // Item views announce no tick of their own; a screen reader says
    // "checked" or "not checked" on this event.
    if (!QAccessible::isActive() || (!roles.isEmpty() && !roles.contains(Qt::CheckStateRole)) || topLeft != bottomRight)
        return;
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(this);
    QAccessibleTableInterface* table = list ? list->tableInterface() : nullptr;
    QAccessibleInterface* cell = table ? table->cellAt(topLeft.row(), topLeft.column()) : nullptr;
    if (!cell)
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(cell, changed);
    QAccessible::updateAccessibility(&event);
}

void ReportListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit dblClick();
}
