#include "core/fetch/CurlSocketLoop.h"

#include <QSocketNotifier>

#include <algorithm>
#include <climits>

CurlSocketLoop::CurlSocketLoop(CURLM* multi, std::function<void()> afterAction)
    : m_multi(multi), m_afterAction(std::move(afterAction))
{
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlSocketLoop::onSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlSocketLoop::onTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
}

CurlSocketLoop::~CurlSocketLoop()
{
    for (auto& [socket, watch] : m_watches) {
        delete watch.read;
        delete watch.write;
    }
}

int CurlSocketLoop::onSocket(CURL*, curl_socket_t socket, int what, void* loopData, void*)
{
    CurlSocketLoop& loop = *static_cast<CurlSocketLoop*>(loopData);
    if (what == CURL_POLL_REMOVE) {
        loop.unwatch(socket);
        return 0;
    }
    Watch& watch = loop.m_watches[socket];
    loop.watch(watch.read, socket, QSocketNotifier::Read, what & CURL_POLL_IN, CURL_CSELECT_IN);
    loop.watch(watch.write, socket, QSocketNotifier::Write, what & CURL_POLL_OUT, CURL_CSELECT_OUT);
    return 0;
}

void CurlSocketLoop::watch(QSocketNotifier*& notifier, curl_socket_t socket, int type, bool wanted, int event)
{
    if (!wanted) {
        if (notifier)
            notifier->setEnabled(false);
        return;
    }
    if (!notifier) {
        notifier = new QSocketNotifier(socket, QSocketNotifier::Type(type));
        QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                         [this, socket, event] { act(socket, event); });
    }
    notifier->setEnabled(true);
}

void CurlSocketLoop::unwatch(curl_socket_t socket)
{
    const auto found = m_watches.find(socket);
    if (found == m_watches.end())
        return;
    // The notifier may be the one whose signal is being handled.
    for (QSocketNotifier* notifier : {found->second.read, found->second.write}) {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    m_watches.erase(found);
}

int CurlSocketLoop::onTimer(CURLM*, long milliseconds, void* loopData)
{
    CurlSocketLoop& loop = *static_cast<CurlSocketLoop*>(loopData);
    if (milliseconds < 0)
        loop.m_timer.stop();
    else
        loop.m_timer.start(int(std::min<long>(milliseconds, INT_MAX)));
    return 0;
}

void CurlSocketLoop::act(curl_socket_t socket, int events)
{
    int running = 0;
    curl_multi_socket_action(m_multi, socket, events, &running);
    m_afterAction();
}
