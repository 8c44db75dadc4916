#pragma once
// Hands the clipboard's content to the desktop's clipboard manager, so that
// what the user copied can still be pasted after the program has ended. Qt
// does this itself when the application object goes away; a program that
// ends from inside a running command never gets there and calls this first.

#include <chrono>

// Returns once the manager has taken the clipboard over, at once when there
// is nothing to hand over or no manager, and at the latest after `limit`.
void handClipboardToManager(std::chrono::milliseconds limit);
