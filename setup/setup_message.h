// The setup's message boxes: the system box with the setup's own caption,
// and in dark mode the program's drawn box for OK and Yes/No questions
// (which always carries the product name as its caption).
#pragma once

#include <windows.h>

// caption null: the system's own caption. Returns the box's answer (IDOK, IDYES,
// IDNO, IDRETRY, IDCANCEL).
int setup_message(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
