// The fetch engine: a libcurl multi handle and the transfers on it, each
// set up with the page's limits, its body taken within the cap and the
// budget for pages ahead, its clock kept over its redirects. The socket
// glue, the budget, the redirect hops and the wording of failures are parts
// of their own beside this file.

#include "core/fetch/CurlFetcher.h"

#include "core/AppError.h"
#include "core/fetch/AheadBudget.h"
#include "core/fetch/CurlSocketLoop.h"
#include "core/fetch/CurlTransfer.h"
#include "core/fetch/FetchFailure.h"
#include "core/fetch/RedirectHops.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QStringDecoder>

#include <curl/curl.h>

#include <algorithm>
#include <mutex>
#include <unordered_set>
#include <vector>

namespace {
// Pages in UTF-16 are turned into UTF-8 so the scanner can read them as bytes.
QByteArray asciiCompatible(QByteArray body, const QString& contentType)
{
    const bool bomLittle = body.startsWith("\xff\xfe");
    const bool bomBig = body.startsWith("\xfe\xff");
    const bool declared = contentType.contains(QLatin1String("utf-16"), Qt::CaseInsensitive);
    if (!bomLittle && !bomBig && !declared)
        return body;
    QStringDecoder decoder(bomBig || contentType.contains(QLatin1String("utf-16be"), Qt::CaseInsensitive)
                               ? QStringDecoder::Utf16BE
                               : QStringDecoder::Utf16LE);
    if (bomLittle || bomBig)
        body.remove(0, 2);
    return QString(decoder(body)).toUtf8();
}

// An answer that may hold a page: HTML, XHTML or text, or one that does not
// say. Anything else (images, archives, PDF) a crawl leaves unread.
bool isPageType(CURL* easy)
{
    const char* header = nullptr;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &header);
    if (!header)
        return true;
    const QByteArray type = QByteArray(header).split(';').constFirst().trimmed().toLower();
    return type.isEmpty() || type.startsWith("text/") || type == "application/xhtml+xml";
}

// The first bytes of an answer that calls itself a page, or says nothing,
// but is none: a NUL byte, which no HTML or text in an ASCII-compatible
// charset holds (UTF-16, which does, is told by its byte-order mark or its
// Content-Type).
bool looksBinary(const char* data, qint64 bytes, CURL* easy)
{
    const QByteArrayView start(data, std::min<qint64>(bytes, 1024));
    if (!start.contains('\0') || start.startsWith("\xff\xfe") || start.startsWith("\xfe\xff"))
        return false;
    const char* header = nullptr;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &header);
    return !header || !QByteArray(header).toLower().contains("utf-16");
}

// A failure that may pass when the page is asked again later.
bool isTransient(const CurlTransfer& transfer)
{
    if (!transfer.failure.isEmpty())
        return false; // one of our own limits
    switch (transfer.result) {
    case CURLE_HTTP_RETURNED_ERROR:
        return transfer.status == 408 || transfer.status == 429 || transfer.status == 502 || transfer.status == 503 ||
               transfer.status == 504;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return true;
    case CURLE_OPERATION_TIMEDOUT:
        return !transfer.connected; // the connect timed out
    default:
        return false;
    }
}

QString sizeText(qint64 bytes)
{
    return QString::number(double(bytes) / (1024.0 * 1024.0)) + QStringLiteral(" MiB");
}

} // namespace

class CurlFetcher::Engine final {
public:
    explicit Engine(Limits limits);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    std::unique_ptr<CurlTransfer> prepare(const QString& subject, const PageUrl& url);
    void setOnFinished(std::function<void()> notice) { m_onFinished = std::move(notice); }
    void setHeldElsewhere(qint64 bytes);
    QList<QByteArray> cookies() const;
    void add(CurlTransfer& transfer);
    void await(CurlTransfer& transfer);
    void whenDone(CurlTransfer& transfer, std::function<void()> done);
    void drop(CurlTransfer& transfer);

private:
    static size_t onBody(char* data, size_t size, size_t count, void* transfer);
    static size_t onHeader(char* data, size_t size, size_t count, void* transfer);
    static int onProgress(void* transfer, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    size_t takeBody(CurlTransfer& transfer, const char* data, qint64 bytes);
    size_t readHeader(CurlTransfer& transfer, QByteArrayView line);

    void collectFinished();
    void follow(CurlTransfer& transfer);
    void refuse(CurlTransfer& transfer, const QString& reason);
    void finish(CurlTransfer& transfer, CURLcode result);
    void detach(CurlTransfer& transfer);
    // Its turn has come: it never pauses, and its bytes are no longer ahead.
    void markAwaited(CurlTransfer& transfer);
    void resumePaused();
    bool mayPause(const CurlTransfer& transfer) const
    {
        return AheadBudget::mayPause(transfer, m_awaited, m_live, bool(m_onFinished));
    }
    void reserveFor(CurlTransfer& transfer) const;

    const Limits m_limits;
    CURLM* m_multi = nullptr;
    std::unique_ptr<CurlSocketLoop> m_loop;
    std::vector<CurlTransfer*> m_live;         // in the order they were started
    std::unordered_set<CurlTransfer*> m_owned; // every page not yet destroyed, finished or not
    QElapsedTimer m_clock;
    AheadBudget m_ahead;        // body bytes of pages not yet awaited
    qint64 m_heldElsewhere = 0; // in m_ahead too
    CurlTransfer* m_awaited = nullptr;
    CURLSH* m_share = nullptr; // the cookie jar, when cookies are kept
    std::function<void()> m_onFinished;
};

CurlFetcher::Engine::Engine(Limits limits) : m_limits(std::move(limits)), m_ahead(m_limits.aheadBudgetBytes)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    m_multi = curl_multi_init();
    if (!m_multi)
        throw AppError(QStringLiteral("The page fetch could not be set up"));
    m_loop = std::make_unique<CurlSocketLoop>(m_multi, [this] { collectFinished(); });
    curl_multi_setopt(m_multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, m_limits.connections);
    curl_multi_setopt(m_multi, CURLMOPT_MAX_HOST_CONNECTIONS, m_limits.connectionsPerHost);
    m_clock.start();
    if (!m_limits.cookies)
        return;
    // One jar for the run: every transfer on this thread shares it, and
    // libcurl sends each site only its own cookies.
    m_share = curl_share_init();
    if (!m_share)
        throw AppError(QStringLiteral("The cookie jar could not be set up"));
    curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    if (m_limits.cookieFile.isEmpty())
        return;
    // Read once, into the shared jar, by a handle used for nothing else.
    CURL* loader = curl_easy_init();
    if (!loader)
        throw AppError(QStringLiteral("The cookie jar could not be set up"));
    curl_easy_setopt(loader, CURLOPT_SHARE, m_share);
    curl_easy_setopt(loader, CURLOPT_COOKIEFILE, QFile::encodeName(m_limits.cookieFile).constData());
    curl_easy_setopt(loader, CURLOPT_COOKIELIST, "RELOAD");
    curl_easy_cleanup(loader);
}

QList<QByteArray> CurlFetcher::Engine::cookies() const
{
    QList<QByteArray> lines;
    if (!m_share)
        return lines;
    CURL* reader = curl_easy_init();
    if (!reader)
        return lines;
    curl_easy_setopt(reader, CURLOPT_SHARE, m_share);
    curl_slist* list = nullptr;
    curl_easy_getinfo(reader, CURLINFO_COOKIELIST, &list);
    for (const curl_slist* item = list; item; item = item->next)
        lines << QByteArray(item->data);
    curl_slist_free_all(list);
    curl_easy_cleanup(reader);
    return lines;
}

CurlFetcher::Engine::~Engine()
{
    for (CurlTransfer* transfer : m_owned) {
        detach(*transfer);
        transfer->engine = nullptr;
    }
    curl_multi_cleanup(m_multi); // tells the socket loop which sockets are gone
    m_loop.reset();
    if (m_share)
        curl_share_cleanup(m_share);
}

std::unique_ptr<CurlTransfer> CurlFetcher::Engine::prepare(const QString& subject, const PageUrl& url)
{
    auto transfer = std::make_unique<CurlTransfer>();
    transfer->engine = this;
    transfer->subject = subject;
    transfer->url = url;
    CURL* easy = curl_easy_init();
    if (!easy)
        throw AppError(QStringLiteral("The page fetch could not be set up"), subject);
    transfer->easy = easy;
    curl_easy_setopt(easy, CURLOPT_URL, url.request().constData());
    curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer.get());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->error);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Engine::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Engine::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, transfer.get());
    curl_easy_setopt(easy, CURLOPT_USERAGENT, m_limits.userAgent.constData());
    if (m_share) {
        curl_easy_setopt(easy, CURLOPT_SHARE, m_share);
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, ""); // the engine on, no file read again
    }
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_DEFAULT_PROTOCOL, "http");
    // Redirects are followed by follow(), which checks each hop before it is
    // requested, with the page's limits running on over the whole chain.
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, ""); // every decoding libcurl was built with
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    // HTTP/1.1 also over https, where servers would offer HTTP/2. Pausing a
    // page ahead is what keeps the budget: over HTTP/1.1 a paused transfer
    // stops reading its own connection, and TCP holds the rest at the server.
    // An HTTP/2 stream shares its connection with others, so libcurl keeps
    // reading a paused one into its own buffers, up to the stream's window
    // (32 MiB each, not settable here), and no budget of ours holds. With
    // four connections to a server, multiplexing would gain a run nothing.
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_limits.certificateAuthorities.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, m_limits.certificateAuthorities.toLocal8Bit().constData());
    if (!m_limits.proxyCertificateAuthorities.isEmpty())
        curl_easy_setopt(easy, CURLOPT_PROXY_CAINFO, m_limits.proxyCertificateAuthorities.toLocal8Bit().constData());
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(m_limits.connectTimeout.count()));
    // The whole-transfer limit is ours (onProgress): libcurl's would also
    // count the time a page waits paused for its turn, and would start again
    // at each redirect.
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Engine::onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, transfer.get());
    // libcurl's speed floor holds within one hop (and wakes onProgress every
    // second while a transfer is slow); onProgress holds it over the chain.
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, m_limits.lowSpeedBytesPerSecond);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, long(m_limits.lowSpeedTime.count()));
    // No CURLOPT_PROXY: libcurl takes the system's proxy from http_proxy,
    // https_proxy, all_proxy and no_proxy, and tunnels https through CONNECT,
    // as the platform's Internet control used the system's proxy settings.
    // The proxy's answer to CONNECT is not the page's.
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    // Whatever scheme the proxy asks for (Basic, Digest, NTLM, Negotiate),
    // as curl --proxy-anyauth: libcurl alone would offer Basic only.
    curl_easy_setopt(easy, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    return transfer;
}

// Everything that can fail or throw comes first: once libcurl holds the
// handle, its CURLOPT_PRIVATE must stay a live transfer the engine knows.
void CurlFetcher::Engine::add(CurlTransfer& transfer)
{
    m_live.reserve(m_live.size() + 1);
    m_owned.insert(&transfer);
    const CURLMcode added = curl_multi_add_handle(m_multi, transfer.easy);
    if (added != CURLM_OK) {
        m_owned.erase(&transfer);
        throw AppError(QString::fromUtf8(curl_multi_strerror(added)), transfer.subject);
    }
    m_live.push_back(&transfer); // room reserved above: cannot throw
}

void CurlFetcher::Engine::markAwaited(CurlTransfer& transfer)
{
    if (transfer.awaited)
        return;
    transfer.awaited = true;
    m_ahead.release(transfer.body.size());
}

void CurlFetcher::Engine::await(CurlTransfer& transfer)
{
    markAwaited(transfer);
    m_awaited = &transfer;
    resumePaused();
    if (!transfer.finished) {
        QEventLoop loop;
        transfer.loop = &loop;
        loop.exec(QEventLoop::AllEvents);
        transfer.loop = nullptr;
    }
    m_awaited = nullptr;
}

void CurlFetcher::Engine::whenDone(CurlTransfer& transfer, std::function<void()> done)
{
    if (transfer.finished)
        return done();
    transfer.done = std::move(done);
    markAwaited(transfer);
    resumePaused();
}

void CurlFetcher::Engine::drop(CurlTransfer& transfer)
{
    m_owned.erase(&transfer);
    detach(transfer);
    if (!transfer.awaited)
        m_ahead.release(transfer.body.size());
    transfer.body = QByteArray();
    if (m_awaited == &transfer)
        m_awaited = nullptr;
    resumePaused();
}

void CurlFetcher::Engine::detach(CurlTransfer& transfer)
{
    if (!transfer.easy)
        return;
    curl_multi_remove_handle(m_multi, transfer.easy);
    curl_easy_cleanup(transfer.easy);
    transfer.easy = nullptr;
    std::erase(m_live, &transfer);
}

void CurlFetcher::Engine::setHeldElsewhere(qint64 bytes)
{
    if (bytes == m_heldElsewhere)
        return;
    m_ahead.release(m_heldElsewhere);
    m_ahead.hold(bytes);
    const bool fewer = bytes < m_heldElsewhere;
    m_heldElsewhere = bytes;
    if (fewer)
        resumePaused();
}

// A resume libcurl refuses ends that transfer alone; the others go on.
void CurlFetcher::Engine::resumePaused()
{
    for (std::size_t at = 0; at < m_live.size(); ++at) {
        CurlTransfer* transfer = m_live[at];
        if (!transfer->paused || (m_ahead.full() && mayPause(*transfer)))
            continue;
        transfer->paused = false;
        transfer->pausedFor += m_clock.elapsed() - transfer->pausedAt;
        // Hands over what libcurl kept meanwhile, which may pause it again.
        const CURLcode result = curl_easy_pause(transfer->easy, CURLPAUSE_CONT);
        if (result == CURLE_OK)
            continue;
        if (transfer->failure.isEmpty())
            transfer->failure = QStringLiteral("The transfer broke off when it went on after waiting for its turn");
        finish(*transfer, result); // leaves m_live: look again from the start
        at = std::size_t(-1);
    }
}

void CurlFetcher::Engine::reserveFor(CurlTransfer& transfer) const
{
    curl_off_t announced = -1;
    curl_easy_getinfo(transfer.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    if (transfer.body.isEmpty() && announced > 0)
        transfer.body.reserve(qsizetype(std::min<qint64>(announced, m_limits.maximumBodyBytes)));
}

// libcurl's callbacks are C: nothing may be thrown through them, and an
// allocation that fails ends the transfer instead.
size_t CurlFetcher::Engine::onBody(char* data, size_t size, size_t count, void* userData)
{
    CurlTransfer& transfer = *static_cast<CurlTransfer*>(userData);
    try {
        return transfer.engine->takeBody(transfer, data, qint64(size * count));
    } catch (...) {
        transfer.failure = QStringLiteral("Out of memory");
        return 0;
    }
}

size_t CurlFetcher::Engine::takeBody(CurlTransfer& transfer, const char* data, qint64 bytes)
{
    const qint64 cap = m_limits.maximumBodyBytes;
    if (transfer.received + bytes > cap) {
        transfer.failure = QStringLiteral("The page is larger than ") + sizeText(cap);
        return 0;
    }
    if (transfer.discarding) {
        transfer.received += bytes;
        return size_t(bytes);
    }
    if (transfer.pagesOnly && transfer.body.isEmpty() && looksBinary(data, bytes, transfer.easy)) {
        transfer.notAPage = true; // a Content-Type that lies, or none
        return 0;
    }
    if (!transfer.awaited && m_ahead.wouldOverrun(bytes) && mayPause(transfer)) {
        transfer.paused = true;
        transfer.pausedAt = m_clock.elapsed();
        return CURL_WRITEFUNC_PAUSE;
    }
    // Grown by hand so the buffer never exceeds the cap.
    const qint64 needed = transfer.body.size() + bytes;
    if (needed > transfer.body.capacity())
        transfer.body.reserve(qsizetype(std::min(std::max(needed, 2 * qint64(transfer.body.capacity())), cap)));
    transfer.body.append(data, qsizetype(bytes));
    transfer.received += bytes;
    if (!transfer.awaited)
        m_ahead.hold(bytes);
    return size_t(bytes);
}

size_t CurlFetcher::Engine::onHeader(char* data, size_t size, size_t count, void* userData)
{
    CurlTransfer& transfer = *static_cast<CurlTransfer*>(userData);
    try {
        return transfer.engine->readHeader(transfer, QByteArrayView(data, qsizetype(size * count)));
    } catch (...) {
        transfer.failure = QStringLiteral("Out of memory");
        return 0;
    }
}

size_t CurlFetcher::Engine::readHeader(CurlTransfer& transfer, QByteArrayView line)
{
    RedirectHops::readHeaderLine(transfer, line);
    if (line.startsWith("HTTP/")) {
        transfer.responded = true;
        transfer.redirected = false;
        transfer.inHeaders = true;
    } else if (transfer.inHeaders && line.trimmed().isEmpty()) {
        transfer.inHeaders = false;
        long status = 0;
        curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status);
        transfer.discarding = status / 100 == 3;
        if (status / 100 == 2 && transfer.pagesOnly && !isPageType(transfer.easy)) {
            transfer.notAPage = true;
            return 0; // closes the transfer before its body
        }
        if (status / 100 == 2)
            reserveFor(transfer);
    }
    return size_t(line.size());
}

// Time spent paused, waiting for the page's turn, is not the server's. Both
// limits run over the whole chain of redirects.
int CurlFetcher::Engine::onProgress(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    CurlTransfer& transfer = *static_cast<CurlTransfer*>(userData);
    const Engine& engine = *transfer.engine;
    const qint64 now = engine.m_clock.elapsed();
    if (transfer.startedAt < 0)
        transfer.startedAt = now;
    if (transfer.paused)
        return 0;
    const qint64 running = now - transfer.startedAt - transfer.pausedFor;
    const qint64 limit = engine.m_limits.wholeTransferTimeout.count();
    if (running > limit) {
        transfer.failure = QStringLiteral("Operation timed out after %1 s").arg(double(limit) / 1000.0);
        return 1;
    }
    if (transfer.speedMarkAt < 0) {
        // The floor starts once the first request is on its way: connecting
        // has its own limit.
        curl_off_t ready = 0;
        curl_easy_getinfo(transfer.easy, CURLINFO_PRETRANSFER_TIME_T, &ready);
        if (ready > 0)
            transfer.speedMarkAt = running;
        return 0;
    }
    const qint64 period = std::chrono::milliseconds(engine.m_limits.lowSpeedTime).count();
    if (running - transfer.speedMarkAt < period)
        return 0;
    if (transfer.received - transfer.speedMarkBytes < engine.m_limits.lowSpeedBytesPerSecond * period / 1000) {
        transfer.failure = QStringLiteral("Operation too slow: less than %1 bytes a second over %2 s")
                               .arg(engine.m_limits.lowSpeedBytesPerSecond)
                               .arg(engine.m_limits.lowSpeedTime.count());
        return 1;
    }
    transfer.speedMarkAt = running;
    transfer.speedMarkBytes = transfer.received;
    return 0;
}

void CurlFetcher::Engine::collectFinished()
{
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CurlTransfer* transfer = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
        long status = 0;
        curl_easy_getinfo(message->easy_handle, CURLINFO_RESPONSE_CODE, &status);
        const bool redirect = status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
        if (message->data.result == CURLE_OK && redirect && !transfer->location.isNull())
            follow(*transfer);
        else
            finish(*transfer, message->data.result);
    }
}

// The next hop, on the same handle so its connections are kept, once the
// policy allows it; the page's clock and byte count run on.
void CurlFetcher::Engine::follow(CurlTransfer& transfer)
{
    try {
        const QString refusal = RedirectHops::next(transfer, m_limits.maximumRedirects);
        if (!refusal.isEmpty())
            return refuse(transfer, refusal);
        curl_multi_remove_handle(m_multi, transfer.easy);
        transfer.redirected = true; // the server asked next has not answered yet
        transfer.responded = false;
        transfer.discarding = false;
        curl_easy_setopt(transfer.easy, CURLOPT_URL, transfer.url.request().constData());
        const CURLMcode added = curl_multi_add_handle(m_multi, transfer.easy);
        if (added != CURLM_OK)
            return refuse(transfer, QString::fromUtf8(curl_multi_strerror(added)));
    } catch (...) {
        return refuse(transfer, QStringLiteral("Out of memory"));
    }
    // Paused pages on the next server go on while it needs a connection.
    if (transfer.awaited)
        resumePaused();
}

void CurlFetcher::Engine::refuse(CurlTransfer& transfer, const QString& reason)
{
    transfer.failure = reason;
    finish(transfer, CURLE_ABORTED_BY_CALLBACK);
}

void CurlFetcher::Engine::finish(CurlTransfer& transfer, CURLcode result)
{
    transfer.finished = true;
    transfer.result = result;
    curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &transfer.status);
    const char* contentType = nullptr;
    curl_easy_getinfo(transfer.easy, CURLINFO_CONTENT_TYPE, &contentType);
    transfer.contentType = QString::fromLatin1(contentType);
    curl_easy_getinfo(transfer.easy, CURLINFO_HTTP_CONNECTCODE, &transfer.tunnelStatus);
    curl_easy_getinfo(transfer.easy, CURLINFO_PROXY_ERROR, &transfer.proxyError);
    curl_off_t connectedAfter = 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_CONNECT_TIME_T, &connectedAfter);
    transfer.connected = connectedAfter > 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_RETRY_AFTER, &transfer.retryAfter);
    detach(transfer);
    if (result != CURLE_OK) {
        if (!transfer.awaited)
            m_ahead.release(transfer.body.size());
        transfer.body = QByteArray();
    }
    // Whatever the result: a page waiting for a connection may now need
    // another paused page to go on (AheadBudget::mayPause), and libcurl
    // can hand the freed connection to a page ahead that pauses at once.
    resumePaused();
    if (transfer.loop)
        transfer.loop->quit();
    if (m_onFinished)
        m_onFinished();
    if (transfer.done)
        std::exchange(transfer.done, {})();
}

namespace {
class CurlPendingPage final : public PendingPage {
public:
    explicit CurlPendingPage(std::unique_ptr<CurlTransfer> transfer) : m_transfer(std::move(transfer)) {}

    ~CurlPendingPage() override
    {
        if (m_transfer->engine)
            m_transfer->engine->drop(*m_transfer);
    }

    QByteArray take() override
    {
        CurlTransfer& transfer = *m_transfer;
        if (transfer.engine)
            transfer.engine->await(transfer);
        if (transfer.notAPage)
            return {};
        const QString reason = fetchFailure(transfer);
        if (!reason.isEmpty())
            throw AppError(reason, transfer.subject);
        return asciiCompatible(std::move(transfer.body), transfer.contentType);
    }

    bool finished() const override { return m_transfer->finished || !m_transfer->engine; }
    bool transientFailure() const override { return m_transfer->finished && isTransient(*m_transfer); }
    qint64 retryAfterSeconds() const override { return qint64(m_transfer->retryAfter); }
    bool notAPage() const override { return m_transfer->notAPage; }
    void whenDone(std::function<void()> done) override
    {
        if (m_transfer->engine)
            m_transfer->engine->whenDone(*m_transfer, std::move(done));
        else
            done();
    }

    PageUrl finalUrl() const override { return m_transfer->finished ? m_transfer->url : PageUrl(); }
    int httpStatus() const override { return int(m_transfer->status); }
    QByteArray contentType() const override { return m_transfer->contentType.toLatin1(); }

    CurlTransfer& transfer() { return *m_transfer; }

private:
    std::unique_ptr<CurlTransfer> m_transfer;
};
} // namespace

CurlFetcher::CurlFetcher() : CurlFetcher(Limits{}) {}

CurlFetcher::CurlFetcher(Limits limits) : m_engine(std::make_unique<Engine>(std::move(limits))) {}

CurlFetcher::~CurlFetcher() = default;

QByteArray CurlFetcher::userAgent()
{
    return QByteArrayLiteral("Vandrell/") + QByteArrayLiteral(VANDRELL_VERSION);
}

void CurlFetcher::setOnFinished(std::function<void()> notice)
{
    m_engine->setOnFinished(std::move(notice));
}

void CurlFetcher::setHeldElsewhere(qint64 bytes)
{
    m_engine->setHeldElsewhere(bytes);
}

QList<QByteArray> CurlFetcher::cookies() const
{
    return m_engine->cookies();
}

std::unique_ptr<PendingPage> CurlFetcher::start(const PageUrl& url, const QString& subject, RedirectCheck check,
                                                Body body)
{
    auto page = std::make_unique<CurlPendingPage>(m_engine->prepare(subject, url));
    page->transfer().redirectCheck = std::move(check);
    page->transfer().pagesOnly = body == Body::PagesOnly;
    m_engine->add(page->transfer());
    return page;
}
