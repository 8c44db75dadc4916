#include "UrlFeed.h"

#include "UrlBytes.h"
#include "core/UrlLineReader.h"

#include <QEventLoop>
#include <QMetaObject>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

UrlFeed::UrlFeed(std::vector<Input> inputs, qsizetype readAhead)
    : m_inputs(std::move(inputs)), m_readAhead(std::max<qsizetype>(readAhead, 1))
{
    if (::pipe2(m_wake, O_CLOEXEC) != 0)
        m_wake[0] = m_wake[1] = -1;
}

UrlFeed::~UrlFeed()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_roomFreed.notify_all();
    if (m_wake[1] >= 0) {
        const char stop = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wake[1], &stop, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    for (int fd : m_wake)
        if (fd >= 0)
            ::close(fd);
    for (const Input& input : m_inputs)
        if (input.fd > STDIN_FILENO)
            ::close(input.fd);
}

void UrlFeed::start()
{
    m_thread = std::thread([this] { readAll(); });
}

std::optional<QByteArray> UrlFeed::at(qint64 position) const
{
    std::lock_guard lock(m_mutex);
    const qint64 index = position - m_first;
    if (index < 0 || index >= qint64(m_urls.size()))
        return std::nullopt;
    return m_urls[std::size_t(index)];
}

bool UrlFeed::endedBefore(qint64 position) const
{
    std::lock_guard lock(m_mutex);
    return m_ended && position >= m_first + qint64(m_urls.size());
}

std::optional<QByteArray> UrlFeed::waitFor(qint64 position)
{
    QEventLoop loop;
    QObject::connect(this, &UrlFeed::arrived, &loop, &QEventLoop::quit);
    for (;;) {
        if (std::optional<QByteArray> url = at(position))
            return url;
        if (endedBefore(position))
            return std::nullopt;
        loop.exec();
    }
}

void UrlFeed::release(qint64 position)
{
    {
        std::lock_guard lock(m_mutex);
        while (m_first <= position && !m_urls.empty()) {
            m_urls.pop_front();
            ++m_first;
        }
    }
    m_roomFreed.notify_all();
}

qint64 UrlFeed::count() const
{
    std::lock_guard lock(m_mutex);
    return m_first - 1 + qint64(m_urls.size());
}

QList<QByteArray> UrlFeed::takeErrors()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_errors, {});
}

void UrlFeed::readAll()
{
    for (const Input& input : m_inputs) {
        readOne(input);
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            break;
    }
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
    }
    notify();
}

void UrlFeed::readOne(const Input& input)
{
    UrlLineReader reader(UrlLineReader::BlankLines::Skip);
    bool stopped = false;
    const auto onLine = [&](std::string_view line, qint64) {
        if (!stopped)
            stopped = !push(QByteArray(line.data(), qsizetype(line.size())));
    };
    const auto onTooLong = [&](qint64 line) {
        std::lock_guard lock(m_mutex);
        m_errors << UrlBytes::quoted(input.name) + ": line " + QByteArray::number(line) + " is longer than " +
                        QByteArray::number(UrlLineReader::defaultMaxLineBytes / 1024) +
                        " KiB, far too long for a URL; skipped";
    };
    std::vector<char> buffer(64 * 1024);
    while (!stopped) {
        pollfd fds[2] = {{input.fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, m_wake[0] >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR)
                continue;
        }
        if (fds[1].revents != 0)
            return;
        const ssize_t got = ::read(input.fd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            const QByteArray message = UrlBytes::quoted(input.name) + ": " + std::strerror(errno);
            std::lock_guard lock(m_mutex);
            m_errors << message;
            break;
        }
        if (got == 0)
            break;
        reader.feed(std::string_view(buffer.data(), std::size_t(got)), onLine, onTooLong);
        notify();
    }
    if (!stopped)
        reader.finish(onLine, onTooLong);
    notify();
}

bool UrlFeed::push(QByteArray url)
{
    std::unique_lock lock(m_mutex);
    m_roomFreed.wait(lock, [this] { return m_stopping || qsizetype(m_urls.size()) < m_readAhead; });
    if (m_stopping)
        return false;
    m_urls.push_back(std::move(url));
    // Waiting for room: let the main thread see what is there so far.
    if (qsizetype(m_urls.size()) == m_readAhead) {
        lock.unlock();
        notify();
    }
    return true;
}

void UrlFeed::notify()
{
    // One queued call at a time is enough: it reads whatever is there.
    if (m_notifyPosted.exchange(true))
        return;
    // By name: a queued call of a functor shares the functor between the
    // threads through a count that only Qt's own code keeps.
    QMetaObject::invokeMethod(this, "deliver", Qt::QueuedConnection);
}

void UrlFeed::deliver()
{
    m_notifyPosted = false;
    emit arrived();
}
