#pragma once
// What screen readers are told about the window beyond what Qt's widgets say
// themselves: the window is a frame (a plain widget would read as a filler),
// the progress bar reads out its caption ("Please wait.. looking at URL:
// 3 of 10") rather than a bare value that offers to be raised or lowered,
// and the results list's rows read as check boxes, ticked or not.

// Installs the accessibility factory for the window's own classes; once per
// process, however often it is called.
void installWindowAccessibility();
