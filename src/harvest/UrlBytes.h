#pragma once
// A URL as the harvester reads it is bytes, and stays so: rows show it as
// read, whatever its encoding. The request needs text: bytes that are valid
// UTF-8 are taken as characters, any other byte as its percent escape, so
// the server sees exactly the bytes of the line. Diagnostics quote a URL or
// file name holding control bytes or bytes that are no UTF-8 the way GNU
// tools quote names, so nothing raw reaches the terminal.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace UrlBytes {
QString requestText(QByteArrayView raw);
// The bytes as they are when they print harmlessly, else shell-quoted:
// 'http://a/'$'\033''[31m'.
QByteArray quoted(QByteArrayView raw);
} // namespace UrlBytes
