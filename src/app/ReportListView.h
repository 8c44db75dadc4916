#pragma once
// A list in report view: one row per item under column headers, single
// selection. It passes key presses (as the handlers' key codes, Delete being
// 46) and double-clicks on to the window's handlers, then handles them as usual.
// For keyboard and screen-reader users it lets Tab leave it, shows that it
// holds the focus even while empty, selects the current row when the keyboard
// brings the focus in, and announces a row's tick as it changes. A list that
// takes drops passes on the links and text dropped on it; the paste key is
// passed on too.

#include <QList>
#include <QTableView>
#include <QUrl>

class RowListModel;

class ReportListView final : public QTableView {
    Q_OBJECT
public:
    static constexpr int deleteKeyCode = 46;

    // The handlers' code for a key: the key's own code, not its character, so
    // "." (whose character code is also 46) never reads as Delete. 0 for keys
    // without one.
    static int keyCodeOf(int qtKey, Qt::KeyboardModifiers modifiers);

    ReportListView(RowListModel* model, QWidget* parent = nullptr);

    RowListModel* rows() const { return m_model; }
    // Position (from 1) of the selected row, 0 when none is selected.
    int selectedRow() const;
    void selectRow(int row); // row from 1
    void setTakesDrops(bool takes);

signals:
    void keyDown(int keyCode, Qt::KeyboardModifiers modifiers);
    void dblClick();
    void pasteKey();
    // Links when the drop carries any, otherwise its text.
    void dropped(const QList<QUrl>& links, const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

private:
    bool takesDrop(const QDropEvent* event) const;

    RowListModel* m_model;
    bool m_takesDrops = false;
};
