// Sizes a control to its text.
#pragma once

#include <windows.h>

// Keeps the control's position; a "Button" gets 20 pixels more for its check
// box or radio glyph, a "SysLink" is measured by its link text alone. The
// control's font, or the UI font when it has none.
void fit_to_text(HWND control);
