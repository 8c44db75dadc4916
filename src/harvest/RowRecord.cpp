#include "RowRecord.h"

#include "UrlBytes.h"

namespace {

QByteArray urlText(QByteArrayView url)
{
    return UrlBytes::utf8Escaped(url);
}

void appendJsonString(QByteArray& out, QByteArrayView text)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\u00";
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
}

void appendJsonField(QByteArray& out, const char* name, std::optional<std::string_view> value)
{
    out += '"';
    out += name;
    out += "\":";
    if (value)
        appendJsonString(out, QByteArrayView(value->data(), qsizetype(value->size())));
    else
        out += "null";
}

void appendCsvField(QByteArray& out, QByteArrayView value)
{
    const bool quoted = value.contains(',') || value.contains('"') || value.contains('\n') || value.contains('\r');
    if (!quoted) {
        out += value;
        return;
    }
    out += '"';
    for (const char c : value) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

QByteArrayView view(std::optional<std::string_view> value)
{
    return value ? QByteArrayView(value->data(), qsizetype(value->size())) : QByteArrayView();
}

} // namespace

void RowRecord::appendJson(QByteArray& out) const
{
    const QByteArray shownUrl = urlText(url);
    out += "{\"url\":";
    appendJsonString(out, shownUrl);
    out += ',';
    appendJsonField(out, "number", number);
    out += ',';
    appendJsonField(out, "text", text);
    out += ',';
    appendJsonField(out, "region", region);
    out += ',';
    appendJsonField(out, "type", type);
    out += ',';
    appendJsonField(out, "label", label);
    out += '}';
}

void RowRecord::appendCsv(QByteArray& out) const
{
    appendCsvField(out, urlText(url));
    for (const std::optional<std::string_view> field :
         {std::optional(number), std::optional(text), region, type, label}) {
        out += ',';
        appendCsvField(out, view(field));
    }
}
