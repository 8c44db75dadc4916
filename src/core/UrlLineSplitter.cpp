#include "core/UrlLineSplitter.h"

QList<QByteArray> splitUrlLines(QByteArrayView bytes)
{
    QList<QByteArray> rows;
    const auto add = [&rows](std::string_view row) { rows << QByteArray(row.data(), qsizetype(row.size())); };
    UrlLineSplitter splitter;
    splitter.feed(std::string_view(bytes.data(), std::size_t(bytes.size())), add);
    splitter.finish(add);
    return rows;
}
