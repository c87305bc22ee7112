#include "setup/setup_rules.h"

#include "base/text.h"

SetupArguments parse_setup_arguments(int count, const wchar_t* const* arguments) {
    SetupArguments result = {};
    for (int i = 1; i < count; ++i) {
        if (text_equal(arguments[i], L"/s")) {
            result.silent = true;
        } else if (text_equal(arguments[i], L"/u")) {
            result.uninstall = true;
        }
    }
    return result;
}

bool join_path(wchar_t* out, size_t capacity, const wchar_t* folder, const wchar_t* name) {
    size_t folderLength = text_length(folder);
    bool slash = folderLength > 0 && folder[folderLength - 1] != L'\\';
    size_t needed = folderLength + (slash ? 1 : 0) + text_length(name);
    if (needed >= capacity) {
        if (capacity) {
            out[0] = 0;
        }
        return false;
    }
    text_copy(out, capacity, folder);
    if (slash) {
        text_append(out, capacity, L"\\");
    }
    text_append(out, capacity, name);
    return true;
}

bool install_dir_text_valid(const wchar_t* path) {
    size_t length = text_length(path);
    if (length < 3) {
        return false;
    }
    // At most 260 characters after the root are examined.
    for (size_t i = 3; i < length && i < 3 + 260; ++i) {
        wchar_t c = path[i];
        if (c == L'\\' && (i == 3 || path[i - 1] == L'\\')) {
            return false;
        }
        switch (c) {
        case L'"':
        case L'/':
        case L':':
        case L'<':
        case L'>':
        case L'?':
        case L'|':
        case L'*':
            return false;
        default:
            break;
        }
    }
    return true;
}

void trim_trailing_backslash(wchar_t* path) {
    size_t length = text_length(path);
    if (length > 3 && path[length - 1] == L'\\') {
        path[length - 1] = 0;
    }
}

bool archiver_command_line(wchar_t* out, size_t capacity, const wchar_t* archiver, const wchar_t* installDir) {
    size_t n = text_format(out, capacity, L"\"%ls\" x install.7z -y -o\"%ls\"", archiver, installDir);
    return n == text_length(archiver) + text_length(installDir) + 23;
}

bool uninstall_command(wchar_t* out, size_t capacity, const wchar_t* installDir) {
    wchar_t path[520];
    if (!join_path(path, 520, installDir, L"uninst.exe")) {
        return false;
    }
    bool space = text_find(path, L" ") != nullptr;
    size_t n = text_format(out, capacity, space ? L"\"%ls\" /u" : L"%ls /u", path);
    return n == text_length(path) + (space ? 2 : 0) + 3;
}

bool self_delete_parameters(wchar_t* out, size_t capacity, const wchar_t* shortExe, const wchar_t* shortFolder) {
    size_t n = text_format(out, capacity, L"/c del %ls > nul", shortExe);
    bool whole = n == text_length(shortExe) + 13;
    if (shortFolder && shortFolder[0]) {
        size_t before = n;
        n = text_format(out + n, capacity - n, L" & rmdir \"%ls\"", shortFolder);
        whole = whole && n == text_length(shortFolder) + 11;
        if (!whole) {
            out[before] = 0;  // never hand on a half folder name
        }
    }
    return whole;
}

const int LANGUAGE_MENU_COMMANDS[14] = {1007, 1009, 1010, 1012, 1016, 1022, 1025,
                                        1034, 1001, 1057, 1069, 1017, 1004, 1999};

unsigned short language_of_command(int command) {
    if (command == 1999) {
        return 0x7C04;
    }
    for (int id : LANGUAGE_MENU_COMMANDS) {
        if (id == command) {
            return static_cast<unsigned short>(command - 1000);
        }
    }
    return 0;
}
