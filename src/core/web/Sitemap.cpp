#include "core/web/Sitemap.h"

#include <libxml/xmlreader.h>
#include <zlib.h>

#include <memory>

namespace {
// The body inflated, up to the cap; a problem's words when it could not be
// wholly.
QByteArray inflated(const QByteArray& body, QString& problem)
{
    z_stream stream{};
    if (inflateInit2(&stream, 15 + 32) != Z_OK) { // gzip or zlib header
        problem = QStringLiteral("it could not be inflated");
        return {};
    }
    QByteArray out;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.constData()));
    stream.avail_in = uInt(body.size());
    int result = Z_OK;
    while (result == Z_OK) {
        const qsizetype room = std::min<qsizetype>(1 << 20, Sitemap::maxInflatedBytes - out.size());
        if (room <= 0) {
            problem = QStringLiteral("it inflates to more than 50 MB; read up to there");
            break;
        }
        const qsizetype before = out.size();
        out.resize(before + room);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + before);
        stream.avail_out = uInt(room);
        result = inflate(&stream, Z_NO_FLUSH);
        out.resize(before + room - qsizetype(stream.avail_out));
        if (result == Z_BUF_ERROR && stream.avail_in == 0)
            break;
    }
    if (result != Z_STREAM_END && result != Z_OK && problem.isEmpty())
        problem = QStringLiteral("its gzip data is broken; read up to there");
    inflateEnd(&stream);
    return out;
}

struct ReaderFree {
    void operator()(xmlTextReaderPtr reader) const { xmlFreeTextReader(reader); }
};
} // namespace

Sitemap Sitemap::read(const QByteArray& body, std::size_t maxLocations)
{
    Sitemap sitemap;
    const bool gzip = body.startsWith("\x1f\x8b");
    const QByteArray xml = gzip ? inflated(body, sitemap.problem) : body.left(maxInflatedBytes);
    if (!gzip && body.size() > maxInflatedBytes)
        sitemap.problem = QStringLiteral("it is larger than 50 MB; read up to there");
    const std::unique_ptr<xmlTextReader, ReaderFree> reader(xmlReaderForMemory(
        xml.constData(), int(xml.size()), nullptr, nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!reader) {
        sitemap.problem = QStringLiteral("it could not be read");
        return sitemap;
    }
    maxLocations = std::min(maxLocations, maxUrls);
    bool rootSeen = false;
    int result = 0;
    while ((result = xmlTextReaderRead(reader.get())) == 1) {
        if (xmlTextReaderNodeType(reader.get()) != XML_READER_TYPE_ELEMENT)
            continue;
        const QByteArray name(reinterpret_cast<const char*>(xmlTextReaderConstLocalName(reader.get())));
        if (!rootSeen) {
            rootSeen = true;
            sitemap.isIndex = name == "sitemapindex";
            if (!sitemap.isIndex && name != "urlset") {
                sitemap.problem = QStringLiteral("it is no sitemap (its root is <%1>)").arg(QString::fromUtf8(name));
                return sitemap;
            }
            continue;
        }
        if (name != "loc" || xmlTextReaderDepth(reader.get()) != 2)
            continue;
        if (sitemap.locations.size() >= maxLocations) {
            sitemap.problem = QStringLiteral("it lists more than %1 URLs; the first were taken").arg(maxLocations);
            return sitemap;
        }
        xmlChar* text = xmlTextReaderReadString(reader.get());
        const QByteArray location = QByteArray(reinterpret_cast<const char*>(text)).trimmed();
        xmlFree(text);
        if (!location.isEmpty())
            sitemap.locations.push_back(location);
    }
    if (result < 0 && sitemap.problem.isEmpty())
        sitemap.problem = QStringLiteral("it is not well-formed XML; read up to there");
    return sitemap;
}
