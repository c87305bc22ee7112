#include "app/shell/list_store.h"

#include "base/text.h"
#include "base/win_handles.h"

namespace {

struct MappedViewTraits {
    static const void* invalid() { return nullptr; }
    static bool valid(const void* p) { return p != nullptr; }
    static void close(const void* p) { UnmapViewOfFile(p); }
};
using MappedView = UniqueResource<const void*, MappedViewTraits>;

bool temporary_path(const wchar_t* path, wchar_t (&out)[MAX_PATH + 8]) {
    size_t n = text_copy(out, path);
    if (n != text_length(path)) {
        return false;  // cut: it would name another file
    }
    text_append(out, L".tmp");
    return true;
}

}  // namespace

ListFileStatus restore_list_file(const wchar_t* path, TakeListRecord take, void* context, ListRead* found) {
    if (found) {
        *found = {};
    }
    UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ListFileStatus::Missing
                                                                              : ListFileStatus::Unreadable;
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) {
        return ListFileStatus::Unreadable;
    }
    if (size.QuadPart == 0) {
        return ListFileStatus::Read;  // an empty list; nothing to map
    }
    // Only the part the reader looks at is mapped: an enormous file costs no
    // more than a list of its first records.
    unsigned long long length = static_cast<unsigned long long>(size.QuadPart);
    if (length > LIST_SCAN_BYTES) {
        length = LIST_SCAN_BYTES;
    }
    UniqueHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) {
        return ListFileStatus::Unreadable;
    }
    MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(length)));
    if (!view) {
        return ListFileStatus::Unreadable;
    }
    ListRead read = read_list_records(static_cast<const unsigned char*>(view.get()), static_cast<size_t>(length),
                                      take, context);
    if (static_cast<unsigned long long>(size.QuadPart) > length) {
        read.cutShort = true;
    }
    if (found) {
        *found = read;
    }
    return ListFileStatus::Read;
}

bool write_list_file(const wchar_t* path, const unsigned char* bytes, size_t size) {
    wchar_t temporary[MAX_PATH + 8];
    if (!path || !temporary_path(path, temporary)) {
        return false;
    }
    {
        UniqueHandle file(
            CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            return false;
        }
        bool written = true;
        size_t at = 0;
        while (written && at < size) {
            DWORD chunk = size - at > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size - at);
            DWORD done = 0;
            written = WriteFile(file.get(), bytes + at, chunk, &done, nullptr) && done == chunk;
            at += done;
        }
        // On the disk before it takes the old file's place: otherwise a crash
        // soon after the move could leave a list file of the right size full
        // of nothing.
        if (!written || !FlushFileBuffers(file.get())) {
            file.reset();
            DeleteFileW(temporary);
            return false;
        }
    }
    if (!MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary);
        return false;
    }
    return true;
}
