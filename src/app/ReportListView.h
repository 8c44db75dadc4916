#pragma once
// A list in report view: one row per item under column headers, single
// selection. It passes key presses (as the handlers' key codes, Delete being
// 46) and double-clicks on to the window's handlers, then handles them as usual.

#include <QTableView>

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

signals:
    void keyDown(int keyCode, Qt::KeyboardModifiers modifiers);
    void dblClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    RowListModel* m_model;
};
