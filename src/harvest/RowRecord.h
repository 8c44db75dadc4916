#pragma once
// A row as a record of named fields, for --format jsonl and csv: the page's
// URL, the number, the number as written, its region, its type and what its
// label says it is ("phone", "fax", "mobile"): null in JSON and empty in CSV
// when not known. Any URL bytes give valid output: a
// URL that is not UTF-8 shows its other bytes as percent escapes, as it was
// requested.

#include <QByteArray>
#include <QByteArrayView>

#include <optional>
#include <string_view>

struct RowRecord {
    QByteArrayView url;
    std::string_view number;
    std::string_view text;
    std::optional<std::string_view> region;
    std::optional<std::string_view> type;
    std::optional<std::string_view> label;

    // One JSON object, without the line end.
    void appendJson(QByteArray& out) const;
    // One RFC 4180 record, without the line end.
    void appendCsv(QByteArray& out) const;
    // The CSV header record, without the line end.
    static QByteArray csvHeader() { return QByteArrayLiteral("url,number,text,region,type,label"); }
};
