// Owner-drawn push buttons and check boxes of the dark look, and the hover
// tracking that repaints them.
#pragma once

#include <windows.h>

void draw_dark_button(const DRAWITEMSTRUCT& item, bool hover);
// The checked state is the owner's: the system state is not used in dark mode.
void draw_dark_check_box(const DRAWITEMSTRUCT& item, bool checked);

// Repaints the control when the pointer enters or leaves it and when it
// gains or loses the focus; hovered_window tells which one is under the pointer.
void track_hover(HWND control);
HWND hovered_window();
