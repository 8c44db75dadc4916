#pragma once
// The glue between libcurl's multi interface and the Qt event loop, as
// curl's hiperfifo example is for libevent: libcurl says which sockets to
// watch and when it wants its timer; a ready socket or the timer hands
// control back to libcurl, and then `afterAction` collects what finished.

#include <QTimer>

#include <curl/curl.h>

#include <functional>
#include <unordered_map>

class QSocketNotifier;

class CurlSocketLoop final {
public:
    CurlSocketLoop(CURLM* multi, std::function<void()> afterAction);
    ~CurlSocketLoop();
    CurlSocketLoop(const CurlSocketLoop&) = delete;
    CurlSocketLoop& operator=(const CurlSocketLoop&) = delete;

private:
    struct Watch {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    static int onSocket(CURL* easy, curl_socket_t socket, int what, void* loop, void* socketData);
    static int onTimer(CURLM* multi, long milliseconds, void* loop);
    void watch(QSocketNotifier*& notifier, curl_socket_t socket, int type, bool wanted, int event);
    void unwatch(curl_socket_t socket);
    void act(curl_socket_t socket, int events);

    CURLM* m_multi;
    std::function<void()> m_afterAction;
    QTimer m_timer;
    std::unordered_map<curl_socket_t, Watch> m_watches;
};
