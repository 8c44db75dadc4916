#pragma once
// The model behind both lists of the window: rows of text, optionally with a
// tick each, and the column headers the window adds at start-up. Rows are
// addressed from 1 as the commands count them. Appended rows are stored at
// once but announced to the view in batches, a few dozen times a second at
// most, so appending a million rows does not mean a million view updates and
// the list repaints no more often than the eye can follow.

#include "ListRows.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <vector>

class RowListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RowListModel(bool checkable, QObject* parent = nullptr);

    bool checkable() const { return m_checkable; }

    // Column headers ("report view" columns).
    void addColumn(const QString& caption);
    int columnTotal() const { return int(m_headers.size()); }

    int count() const { return int(m_rows.size()); }
    QString text(int row) const;        // row from 1; throws AppError when out of range
    ListRows::Utf8 utf8(int row) const; // row from 1; throws AppError when out of range
    bool ticked(int row) const;         // row from 1; throws AppError when out of range
    void setTicked(int row, bool ticked);
    // Sub-item of a row for column > 1; these lists hold none, so it is empty.
    QString subItem(int row, int column) const;

    void append(QStringView text);
    void appendUtf8(std::string_view a, std::string_view b = {}, std::string_view c = {});
    // Rows that begin alike (a page's URL) keep that beginning once.
    ListRows::Prefix sharePrefix(std::string_view a, std::string_view b = {}) { return m_rows.sharePrefix(a, b); }
    bool holds(ListRows::Prefix prefix) const { return m_rows.holds(prefix); }
    void appendShared(ListRows::Prefix prefix, std::string_view own);
    void setByteLimit(std::size_t bytes) { m_rows.setByteLimit(bytes); }
    void remove(int row); // row from 1
    void clear();

    // Tells the view about rows appended since the last batch.
    void flushAppends();

    const ListRows& rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void checkRow(int row) const;
    void reserveTick();
    void appended();

    bool m_checkable;
    QStringList m_headers;
    ListRows m_rows;
    std::vector<std::uint8_t> m_ticks;
    int m_announced = 0;
    QTimer m_flushTimer;
};
