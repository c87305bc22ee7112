// Helpers of the Windows-only tests: a temporary folder that goes away with
// its contents, and whole-file reads and writes.
#pragma once

#include <windows.h>

#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Removes a folder and everything below it.
void remove_tree(const std::wstring& path);
bool read_whole_file(const std::wstring& path, std::string& bytes);
bool write_whole_file(const std::wstring& path, const std::string& bytes);
bool path_exists(const std::wstring& path);
