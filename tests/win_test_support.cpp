#include "tests/win_test_support.h"

#include <gtest/gtest.h>

#include "base/text.h"

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    wchar_t name[64];
    text_format(name, L"tavlo-test-%lu-%ld", GetCurrentProcessId(), InterlockedIncrement(&counter));
    path_ = std::wstring(base) + name;
    remove_tree(path_);
    EXPECT_TRUE(CreateDirectoryW(path_.c_str(), nullptr));
}

TempFolder::~TempFolder() {
    remove_tree(path_);
}

void remove_tree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_tree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

bool read_whole_file(const std::wstring& path, std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    bytes.clear();
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof(buffer), &n, nullptr) && n > 0) {
        bytes.append(buffer, n);
    }
    CloseHandle(h);
    return true;
}

bool write_whole_file(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD n = 0;
    bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) && n == bytes.size();
    CloseHandle(h);
    return ok;
}

bool path_exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
