// The shell's folder picker, for the Options dialog and the setup program's
// install folder.
#pragma once

#include <windows.h>

// Shows the picker without an owner window, starting in initialFolder when
// that names a folder (null or empty: the picker's own choice). S_OK puts
// the chosen file-system path in out (at most 259 characters); any other
// result (HRESULT_FROM_WIN32(ERROR_CANCELLED) when the user cancelled)
// leaves out untouched.
HRESULT pick_folder(wchar_t (&out)[MAX_PATH], const wchar_t* initialFolder);
