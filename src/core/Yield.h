#pragma once
// Yielding to the event loop from inside a long command. Yield::sliced() is
// cheap enough to call once per row: it lets events run only when a few
// milliseconds have passed since the last time, so the window still repaints
// smoothly while a loop over a million rows pays almost nothing for it.

namespace Yield {
void now();
// True when events ran, so anything the user may have changed must be read again.
bool sliced();
} // namespace Yield
