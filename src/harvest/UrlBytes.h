#pragma once
// A URL as the harvester reads it is bytes, and stays so: rows show it as
// read, whatever its encoding (PageUrl escapes what the request needs).
// Diagnostics quote a URL or file name holding control bytes or bytes that
// are no UTF-8 the way GNU tools quote names, so nothing raw reaches the
// terminal.

#include <QByteArray>
#include <QByteArrayView>

namespace UrlBytes {
// Valid UTF-8 for any bytes: each byte that is no UTF-8 as its percent
// escape, as a request would send it.
QByteArray utf8Escaped(QByteArrayView raw);
// The bytes as they are when they print harmlessly, else shell-quoted:
// 'http://a/'$'\033''[31m'.
QByteArray quoted(QByteArrayView raw);
} // namespace UrlBytes
