// The per-user data folder "tavlo" under the local application-data folder:
// settings "conf", list "list", caches "json" and "jpg", browser profile
// "ffprofile".
#pragma once

#include <windows.h>

// The folder (without a trailing backslash); false when it can't be formed.
bool data_folder(wchar_t (&out)[MAX_PATH]);
// The folder joined with name; false when it can't be formed.
bool data_path(const wchar_t* name, wchar_t (&out)[MAX_PATH]);
// Creates the folder when it is missing or is not a directory.
bool ensure_data_folder();
// Tests point the program at a folder of their own instead of the user's.
void set_data_folder_root(const wchar_t* localAppData);
