// The dark look of an edit field: flat, inside a rounded frame that its
// parent paints around it.
#pragma once

#include <windows.h>

// Takes away the edit's client edge and visual theme and shrinks it by the
// frame's 4 pixels on every side. Once per edit.
void flatten_input(HWND edit);

// Paints the rounded frame around a flattened edit, in the parent's painting;
// the focused edit gets the focused colours and the accent line at the bottom.
// GDI+ must be started.
void draw_input_frame(HDC dc, HWND parent, HWND edit);
