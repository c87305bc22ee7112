// Opening files and programs through the running desktop shell, and the one
// folder test that goes with it.
#pragma once

#include <windows.h>

// Opens path with the verb "open" through the running desktop shell, so that
// it starts with the user's normal rights even from an elevated process.
// The shell's own answer; E_NOINTERFACE when there is no desktop shell to ask.
// COM must be started on the calling thread.
HRESULT open_as_shell_user(const wchar_t* path);

// True when the path names an existing folder.
bool is_folder(const wchar_t* path);
