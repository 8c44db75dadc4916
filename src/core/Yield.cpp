#include "core/Yield.h"

#include <QCoreApplication>

#include <ctime>

namespace {
constexpr long long sliceNanoseconds = 8'000'000;

// The coarse clock is read without asking the hardware: cheap enough to
// consult once per row, and a few milliseconds of resolution is plenty.
long long coarseNanoseconds()
{
    timespec now{};
#ifdef CLOCK_MONOTONIC_COARSE
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
#else
    clock_gettime(CLOCK_MONOTONIC, &now);
#endif
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

long long lastYield = 0;
} // namespace

void Yield::now()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    lastYield = coarseNanoseconds();
}

bool Yield::sliced()
{
    if (coarseNanoseconds() - lastYield < sliceNanoseconds)
        return false;
    now();
    return true;
}
