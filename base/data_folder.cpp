#include "base/data_folder.h"

#include <shlobj.h>

#include "base/text.h"

namespace {

wchar_t g_root[MAX_PATH];  // overrides the local application-data folder when set

bool local_app_data(wchar_t (&out)[MAX_PATH]) {
    if (g_root[0]) {
        text_copy(out, g_root);
        return true;
    }
    out[0] = 0;
    return SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_DEFAULT, out)) && out[0];
}

}  // namespace

void set_data_folder_root(const wchar_t* localAppData) {
    text_copy(g_root, localAppData);
}

bool data_folder(wchar_t (&out)[MAX_PATH]) {
    if (!local_app_data(out)) {
        out[0] = 0;
        return false;
    }
    text_append(out, L"\\tavlo");
    return true;
}

bool data_path(const wchar_t* name, wchar_t (&out)[MAX_PATH]) {
    if (!data_folder(out)) {
        return false;
    }
    text_append(out, L"\\");
    text_append(out, name);
    return true;
}

bool ensure_data_folder() {
    wchar_t folder[MAX_PATH];
    if (!data_folder(folder)) {
        return false;
    }
    DWORD attributes = GetFileAttributesW(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return true;
    }
    return CreateDirectoryW(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}
