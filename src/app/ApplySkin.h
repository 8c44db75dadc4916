#pragma once
// Applies the skin when its file "\x\o.cjs" stands beside the program: the
// window and its frames and check boxes take the button-face colour, then
// the skin engine loads the file and skins the window. No file, no change.

class Form1;

void ApplySkin(Form1& form);
