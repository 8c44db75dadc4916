#pragma once
// Reads URLs, one per line, from a list of open files in a thread of its own,
// so a slow or endless input never holds up the transfers that run on the
// main thread's event loop. Lines are cut by the same rule as the window's URL
// file loader (UrlLineReader) and kept as the bytes read; blank lines are
// skipped, and a line far longer than any URL is reported and skipped. Only a
// bounded number of URLs is read ahead of the last one the run has finished
// with, so memory stays bounded on an endless input.
//
// URLs are addressed by position, 1 for the first line read.

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class UrlFeed final : public QObject {
    Q_OBJECT
public:
    struct Input {
        QByteArray name; // as given on the command line, for messages
        int fd;          // owned and closed by the reader, except standard input
    };

    UrlFeed(std::vector<Input> inputs, qsizetype readAhead);
    ~UrlFeed() override;
    Q_DISABLE_COPY_MOVE(UrlFeed)

    void start();

    // The URL at a position, if it has been read and not yet released.
    std::optional<QByteArray> at(qint64 position) const;
    // True when the input has ended before reaching this position.
    bool endedBefore(qint64 position) const;
    // The URL at a position, waiting for it in the event loop (transfers in
    // flight go on meanwhile); nothing when the input ends before it.
    std::optional<QByteArray> waitFor(qint64 position);
    // The run is done with every position up to this one.
    void release(qint64 position);
    // URLs read so far.
    qint64 count() const;
    // Messages about inputs (lines skipped, inputs not read to the end) that
    // came since the last call.
    QList<QByteArray> takeErrors();

signals:
    // More URLs have been read, or the input has ended.
    void arrived();

private:
    void readAll();
    void readOne(const Input& input);
    bool push(QByteArray url);
    void notify();
    // The main thread's side of notify().
    Q_INVOKABLE void deliver();

    std::vector<Input> m_inputs;
    const qsizetype m_readAhead;

    mutable std::mutex m_mutex;
    std::condition_variable m_roomFreed;
    std::deque<QByteArray> m_urls; // positions m_first … m_first + size − 1
    qint64 m_first = 1;
    bool m_ended = false;
    bool m_stopping = false;
    QList<QByteArray> m_errors;

    std::atomic<bool> m_notifyPosted{false};
    int m_wake[2] = {-1, -1}; // written to when the reader must stop waiting for input
    std::thread m_thread;
};
