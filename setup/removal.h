// Removing an installation: ending its programs, deleting the files the
// install put there, the uninstall entry, the update task and, when asked,
// the user's data folder.
#pragma once

#include <windows.h>

#include <cstddef>

// Removes the installation registered under the Uninstall key keyPath of
// HKEY_LOCAL_MACHINE; false when none is registered there. Individual
// failures are ignored: locked files and non-empty folders stay.
bool remove_installation(const wchar_t* keyPath);

// Ends every other process running the executable at path; true when at
// least one was ended.
bool terminate_image(const wchar_t* path);
// The full path of a process's executable; false when it can't be read.
bool process_image_path(DWORD processId, wchar_t* out, size_t capacity);
// Deletes the first shortcut on the user's desktop that points at target.
void delete_desktop_shortcut_to(const wchar_t* target);
