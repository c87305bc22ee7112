#include "app/services/settings.h"

#include <shlobj.h>

#include "base/data_folder.h"
#include "base/text.h"
#include "base/win_handles.h"

Settings g_settings;

namespace {

wchar_t g_passphrase[17];
bool g_darkModePresent;

constexpr DWORD CRYPT_BLOCK = 1000;
constexpr DWORD CRYPT_BUFFER = 1008;
const wchar_t SECTION[] = L"main";

void set_detail(wchar_t (*detail)[260], const wchar_t* text) {
    DWORD code = GetLastError();
    if (detail) {
        format_error_detail(text, code, *detail);
    }
}

// The plain working copy must not outlive one load or save: its text is cut
// to nothing before its name goes.
void remove_working_copy(wchar_t (&path)[MAX_PATH + 1]) {
    if (!path[0]) {
        return;
    }
    // Let go of any cached copy of the profile: the next working copy has
    // the same name and may be written within the same clock tick, and Wine
    // would otherwise serve the old text from its profile cache.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
    } else {
        DeleteFileW(path);
    }
    path[0] = 0;
}

bool file_exists(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

long long read_number(const wchar_t* key, const wchar_t* file) {
    wchar_t value[64];
    GetPrivateProfileStringW(SECTION, key, L"", value, 64, file);
    return text_leading_integer(value);
}

void write_number(const wchar_t* key, long long value, const wchar_t* file) {
    wchar_t text[64];
    text_format(text, L"%lld", value);
    WritePrivateProfileStringW(SECTION, key, text, file);
}

// Enciphers the plain working copy into a new file beside the stored one and
// moves it over: a crash, a full disk or a failing write leaves the old file
// whole instead of a truncated one.
bool replace_stored_file(const wchar_t* plain, const wchar_t* stored, wchar_t (&detail)[260]) {
    wchar_t fresh[MAX_PATH + 8];
    text_copy(fresh, stored);
    text_append(fresh, L".new");
    if (!crypt_file(plain, fresh, &detail)) {
        DeleteFileW(fresh);
        return false;
    }
    if (!MoveFileExW(fresh, stored, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        set_detail(&detail, L"Error copying file");
        DeleteFileW(fresh);
        return false;
    }
    return true;
}

void report_failure(wchar_t* message, size_t messageBytes, const wchar_t* phase, const wchar_t* detail) {
    size_t units = messageBytes / sizeof(wchar_t);
    if (!message || units == 0) {
        return;
    }
    text_copy(message, units, L"Failed to save options. ");
    text_append(message, units, phase);
    text_append(message, units, detail);
}

}  // namespace

void set_settings_passphrase() {
    wchar_t root[MAX_PATH];
    const wchar_t* volume = nullptr;
    UINT n = GetWindowsDirectoryW(root, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        root[n < 3 ? n : 3] = 0;  // the drive root, such as C:\ .
        volume = root;
    }
    DWORD serial = 0;
    if (!GetVolumeInformationW(volume, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
        serial = 0;
    }
    text_format(g_passphrase, L"%lu", static_cast<unsigned long>(serial));
}

const wchar_t* settings_passphrase() {
    return g_passphrase;
}

bool settings_dark_mode_present() {
    return g_darkModePresent;
}

void format_error_detail(const wchar_t* text, DWORD code, wchar_t (&out)[260]) {
    text_copy(out, text);
    wchar_t number[16];
    text_format(number, L"%lu", static_cast<unsigned long>(code));
    text_append(out, L" (");
    text_append(out, number);
    text_append(out, L")");
}

bool crypt_file(const wchar_t* source, const wchar_t* destination, wchar_t (*detail)[260]) {
    UniqueHandle in(CreateFileW(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in) {
        set_detail(detail, L"Error opening source plaintext file");
        return false;
    }
    UniqueHandle out(CreateFileW(destination, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) {
        set_detail(detail, L"Error opening destination file");
        return false;
    }
    UniqueCryptProv provider;
    if (!CryptAcquireContextW(provider.put(), nullptr, MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        if (GetLastError() != static_cast<DWORD>(NTE_BAD_KEYSET)) {
            set_detail(detail, L"Error CryptAcquireContext");
            return false;
        }
        if (!CryptAcquireContextW(provider.put(), nullptr, MS_ENHANCED_PROV_W, PROV_RSA_FULL,
                                  CRYPT_VERIFYCONTEXT | CRYPT_NEWKEYSET)) {
            set_detail(detail, L"Error CryptAcquireContext. NTE_BAD_KEYSET");
            return false;
        }
    }
    UniqueCryptHash hash;
    if (!CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.put())) {
        set_detail(detail, L"Error CryptCreateHash");
        return false;
    }
    if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(g_passphrase),
                       static_cast<DWORD>(text_length(g_passphrase) * sizeof(wchar_t)), 0)) {
        set_detail(detail, L"Error CryptHashData");
        return false;
    }
    // 128 bits in the upper half of the flags and nothing else: the RC4 key
    // is the 16 digest bytes themselves.
    UniqueCryptKey key;
    if (!CryptDeriveKey(provider.get(), CALG_RC4, hash.get(), 128u << 16, key.put())) {
        set_detail(detail, L"Error CryptDeriveKey");
        return false;
    }
    UniqueHeapBlock buffer(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, CRYPT_BUFFER));
    if (!buffer) {
        set_detail(detail, L"Out of memory");
        return false;
    }
    auto* bytes = static_cast<BYTE*>(buffer.get());
    for (;;) {
        DWORD count = 0;
        if (!ReadFile(in.get(), bytes, CRYPT_BLOCK, &count, nullptr)) {
            set_detail(detail, L"Error reading source plaintext file");
            return false;
        }
        BOOL last = count < CRYPT_BLOCK;  // a length that is a multiple of 1000 ends with an empty block
        if (!CryptEncrypt(key.get(), 0, last, 0, bytes, &count, CRYPT_BUFFER)) {
            set_detail(detail, L"Error CryptEncrypt");
            return false;
        }
        DWORD written = 0;
        if (!WriteFile(out.get(), bytes, count, &written, nullptr) || written != count) {
            set_detail(detail, L"Error writing ciphertext");
            return false;
        }
        if (last) {
            return true;
        }
    }
}

bool md5_hex(const void* bytes, size_t length, wchar_t (&out)[33]) {
    UniqueCryptProv provider;
    UniqueCryptHash hash;
    if (!CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) ||
        !CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.put()) ||
        !CryptHashData(hash.get(), static_cast<const BYTE*>(bytes), static_cast<DWORD>(length), 0)) {
        return false;
    }
    BYTE digest[16];
    DWORD size = sizeof(digest);
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &size, 0) || size != sizeof(digest)) {
        return false;
    }
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    for (int i = 0; i < 16; ++i) {
        out[2 * i] = kHex[digest[i] >> 4];
        out[2 * i + 1] = kHex[digest[i] & 15];
    }
    out[32] = 0;
    return true;
}

uint16_t default_language_id(uint16_t userInterfaceLanguage) {
    WORD primary = userInterfaceLanguage & 0x3FF;
    return (primary == LANG_SPANISH || primary == LANG_FRENCH) ? userInterfaceLanguage : LANG_ENGLISH;
}

void set_default_settings(Settings& settings) {
    ZeroMemory(&settings, sizeof(settings));
    settings.version = SETTINGS_VERSION;
    settings.lang_id = default_language_id(GetUserDefaultUILanguage());
    settings.always_on_top = 1;
    settings.auto_update = 1;

    // Looked up by name once: the program still starts where shell32 lacks it.
    using KnownFolderPath = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
    static KnownFolderPath knownFolderPath = [] {
        HMODULE shell = GetModuleHandleW(L"shell32.dll");
        if (!shell) {
            shell = LoadLibraryW(L"shell32.dll");
        }
        return shell ? reinterpret_cast<KnownFolderPath>(
                           reinterpret_cast<void*>(GetProcAddress(shell, "SHGetKnownFolderPath")))
                     : nullptr;
    }();
    static const GUID kDownloads = {0x374DE290, 0x123F, 0x4565, {0x91, 0x64, 0x39, 0xC4, 0x92, 0x5E, 0x46, 0x7B}};
    PWSTR folder = nullptr;
    if (knownFolderPath && SUCCEEDED(knownFolderPath(kDownloads, 0, nullptr, &folder)) && folder) {
        text_copy(settings.output_folder, folder);
    }
    CoTaskMemFree(folder);
}

bool load_settings(Settings& settings) {
    wchar_t path[MAX_PATH];
    if (!data_path(L"conf", path)) {
        return false;  // "FilePath not set."
    }
    wchar_t working[MAX_PATH + 1];
    text_copy(working, path);
    text_append(working, L"_");
    if (!crypt_file(path, working)) {
        remove_working_copy(working);
        return false;
    }
    settings.version = static_cast<uint16_t>(read_number(L"version", working));
    settings.lang_id = static_cast<uint16_t>(read_number(L"lang_id", working));
    settings.always_on_top = static_cast<int32_t>(read_number(L"always_on_top", working));
    settings.auto_update = static_cast<int32_t>(read_number(L"auto_update", working));
    settings.use_youtube_account = static_cast<int32_t>(read_number(L"use_youtube_account", working));

    // An empty dark_mode value counts as missing: the system theme decides then.
    wchar_t darkMode[512];
    GetPrivateProfileStringW(SECTION, L"dark_mode", L"", darkMode, 512, working);
    if (darkMode[0]) {
        settings.dark_mode = static_cast<int32_t>(read_number(L"dark_mode", working));
        g_darkModePresent = true;
    }
    GetPrivateProfileStringW(SECTION, L"output_folder", L"", settings.output_folder, 260, working);
    GetPrivateProfileStringW(SECTION, L"proxy_server", L"", settings.proxy_server, 256, working);
    GetPrivateProfileStringW(SECTION, L"commands", L"", settings.commands, 512, working);
    GetPrivateProfileStringW(SECTION, L"output_template", L"", settings.output_template, 256, working);
    remove_working_copy(working);
    return true;
}

bool save_settings(const Settings& settings, wchar_t* message, size_t messageBytes) {
    wchar_t detail[260] = L"";
    wchar_t path[MAX_PATH];
    if (!data_path(L"conf", path)) {
        report_failure(message, messageBytes, L"Error _crypt function. ", L"FilePath not set.");
        return false;
    }
    ensure_data_folder();  // a failure shows as the failure of the first write below
    wchar_t working[MAX_PATH + 1];
    text_copy(working, path);
    text_append(working, L"_");

    if (!file_exists(path)) {
        // A new file starts as a plain INI with the version alone, made by
        // the profile calls, so that its encoding and layout are theirs.
        DeleteFileW(working);
        write_number(L"version", settings.version, working);
        bool created = replace_stored_file(working, path, detail);
        remove_working_copy(working);
        if (!created) {
            report_failure(message, messageBytes, L"Error _crypt function. ", detail);
            return false;
        }
        text_copy(working, path);
        text_append(working, L"_");
    }

    if (!crypt_file(path, working, &detail)) {
        remove_working_copy(working);
        report_failure(message, messageBytes, L"Error _crypt_begin_write function. ", detail);
        return false;
    }
    write_number(L"version", settings.version, working);
    write_number(L"lang_id", settings.lang_id, working);
    write_number(L"always_on_top", settings.always_on_top, working);
    write_number(L"auto_update", settings.auto_update, working);
    write_number(L"use_youtube_account", settings.use_youtube_account, working);
    write_number(L"dark_mode", settings.dark_mode, working);
    WritePrivateProfileStringW(SECTION, L"output_folder", settings.output_folder, working);
    WritePrivateProfileStringW(SECTION, L"proxy_server", settings.proxy_server, working);
    WritePrivateProfileStringW(SECTION, L"commands", settings.commands, working);
    WritePrivateProfileStringW(SECTION, L"output_template", settings.output_template, working);

    bool saved = replace_stored_file(working, path, detail);
    remove_working_copy(working);
    if (!saved) {
        report_failure(message, messageBytes, L"Error _crypt_end_write function. ", detail);
    }
    return saved;
}
