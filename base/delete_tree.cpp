#include "base/delete_tree.h"

#include "base/text.h"

namespace {

bool is_link(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// folder + "\" + name, or false when that does not fit: a cut path could
// name another file.
bool join_path(wchar_t (&out)[MAX_PATH], const wchar_t* folder, const wchar_t* name) {
    size_t folderLength = text_length(folder);
    bool separator = folderLength > 0 && folder[folderLength - 1] != L'\\';
    if (folderLength + (separator ? 1 : 0) + text_length(name) >= MAX_PATH) {
        return false;
    }
    text_copy(out, folder);
    if (separator) {
        text_append(out, L"\\");
    }
    text_append(out, name);
    return true;
}

bool is_dot_entry(const wchar_t* name) {
    return text_equal(name, L".") || text_equal(name, L"..");
}

}  // namespace

bool erase_file(const wchar_t* path) {
    if (!path || !*path) {
        return false;
    }
    DWORD attributes = GetFileAttributesW(path);
    // Opening a link would open its target and cut that instead.
    if (attributes == INVALID_FILE_ATTRIBUTES || !is_link(attributes)) {
        HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_FLAG_DELETE_ON_CLOSE,
                                  nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES;
        }
    }
    return DeleteFileW(path) != FALSE;
}

bool delete_tree(const wchar_t* folder) {
    // An empty folder name would make the pattern "\*": the root of the
    // current drive.
    if (!folder || !*folder) {
        return false;
    }
    wchar_t pattern[MAX_PATH];
    if (!join_path(pattern, folder, L"*")) {
        return false;
    }
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(pattern, &found);
    if (find == INVALID_HANDLE_VALUE) {
        return false;
    }
    do {
        if (is_dot_entry(found.cFileName)) {
            continue;
        }
        wchar_t child[MAX_PATH];
        if (!join_path(child, folder, found.cFileName)) {
            continue;  // stays, and so does this folder
        }
        bool directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (directory && is_link(found.dwFileAttributes)) {
            RemoveDirectoryW(child);  // the junction or link, not what it points to
        } else if (directory) {
            delete_tree(child);
        } else {
            erase_file(child);
        }
    } while (FindNextFileW(find, &found));
    DWORD error = GetLastError();
    FindClose(find);
    if (error != ERROR_NO_MORE_FILES) {
        return false;
    }
    return RemoveDirectoryW(folder) != FALSE;
}
