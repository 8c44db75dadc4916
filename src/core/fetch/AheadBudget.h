#pragma once
// The memory that pages fetched ahead of their turn may hold together. Past
// it, their transfers pause until the caller collects pages; the page being
// collected never pauses.

#include <QtGlobal>

#include <vector>

struct CurlTransfer;

class AheadBudget final {
public:
    explicit AheadBudget(qint64 limit) : m_limit(limit) {}

    void hold(qint64 bytes) { m_held += bytes; }
    void release(qint64 bytes) { m_held -= bytes; }
    bool full() const { return m_held >= m_limit; }
    bool wouldOverrun(qint64 bytes) const { return m_held + bytes > m_limit; }

    // Whether `transfer` may pause while `awaited` (or nothing) is being
    // collected; live holds every running transfer in the order started.
    // A caller that collects pages as they finish, whichever comes first,
    // awaits none: then the oldest transfer goes on (oldestGoesOn), so one
    // always can.
    static bool mayPause(const CurlTransfer& transfer, const CurlTransfer* awaited,
                         const std::vector<CurlTransfer*>& live, bool oldestGoesOn = false);

private:
    const qint64 m_limit;
    qint64 m_held = 0;
};
