#pragma once
// What the browser leaves behind. Chromium's helpers outlive the processes
// that started them: its crash handler double-forks away from the browser,
// and its zygotes are handed on when the browser ends. As a child subreaper
// this process is the one they are handed to, so it can wait for every one
// of them and no process or zombie of the browser's is left after a run.

#include <QString>

#include <chrono>

namespace ChildReaper {
// Orphans among this process's descendants come to it rather than to init.
void becomeSubreaper();
// Waits for the children of this process that run a program of `folder`
// (the browser's own), killing those still running after `grace`.
void reap(const QString& folder, std::chrono::milliseconds grace);
} // namespace ChildReaper
