#include "Yield.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {
constexpr qint64 sliceNanoseconds = 8'000'000;

QElapsedTimer& sinceLastYield()
{
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer;
}
} // namespace

void Yield::now()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sinceLastYield().restart();
}

bool Yield::sliced()
{
    if (sinceLastYield().nsecsElapsed() < sliceNanoseconds)
        return false;
    now();
    return true;
}
