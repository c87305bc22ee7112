// Removing files and folders so that no plain text lingers on the disk: a
// file is cut to zero bytes before its name goes.
#pragma once

#include <windows.h>

// Truncates the file through a delete-on-close open, or deletes it by name
// when that open fails. A link is removed itself, never followed. True when
// the name is gone.
bool erase_file(const wchar_t* path);

// Deletes the folder with everything in it. Links inside it (junctions,
// symbolic links) are removed, never followed, and an entry whose full path
// would not fit in MAX_PATH is left alone rather than reached through a cut
// name. True when the folder itself is gone; whatever could not be deleted
// stays, and with it the folders that hold it.
bool delete_tree(const wchar_t* folder);
