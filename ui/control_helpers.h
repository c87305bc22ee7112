// Small pieces the program's own controls share.
#pragma once

#include <windows.h>

// Registers className for this module as a copy of the system "Static"
// class with procedure; original receives the static's own procedure, for
// the messages the copy leaves to it. Registering again is harmless.
bool register_static_copy(HINSTANCE instance, const wchar_t* className, WNDPROC procedure, WNDPROC* original);

// The brush the parent hands its statics (WM_CTLCOLORSTATIC), or the
// system's button face when it hands none.
HBRUSH parent_static_brush(HWND parent, HDC dc, HWND control);
