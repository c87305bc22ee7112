// The list file on disk: read in one pass through a read-only mapping, and
// written so that a crash at any moment leaves a whole file behind.
#pragma once

#include <windows.h>

#include <cstddef>

#include "app/shell/list_file.h"

enum class ListFileStatus {
    Read,        // read (possibly with records skipped)
    Missing,     // there is no list file yet
    Unreadable,  // it exists but could not be opened or read
};

// Hands the file's sound records to take, as read_list_records does; what
// was found goes to found when given.
ListFileStatus restore_list_file(const wchar_t* path, TakeListRecord take, void* context, ListRead* found = nullptr);

// Writes bytes as the list file: first into "<path>.tmp" in the same folder,
// flushed to the disk, then moved over the old file in one step. False, with
// the old file untouched and no temporary file left, when any step fails.
bool write_list_file(const wchar_t* path, const unsigned char* bytes, size_t size);
