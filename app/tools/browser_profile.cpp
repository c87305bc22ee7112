#include "app/tools/browser_profile.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "app/tools/command_line.h"
#include "app/tools/tool_runner.h"
#include "base/data_folder.h"
#include "base/text.h"
#include "base/win_handles.h"

namespace {

constexpr wchar_t YOUTUBE_SIGN_IN_URL[] = L"https://www.youtube.com/signin";
constexpr const wchar_t* YOUTUBE_DOMAINS[] = {L"youtube.com", L"youtu.be"};

constexpr wchar_t FIREFOX_KEY[] = L"SOFTWARE\\Mozilla\\Mozilla Firefox";
constexpr wchar_t LIBREWOLF_PATH[] = L"browser\\LibreWolf\\librewolf.exe";
constexpr wchar_t PROFILE_NAME[] = L"ffprofile";
constexpr wchar_t COOKIE_PREFIX[] = L"firefox:";

constexpr size_t COOKIE_ARGUMENT_CAPACITY = sizeof(DownloadRecord::cookieArgument) / sizeof(wchar_t);
constexpr size_t BROWSER_COMMAND_CAPACITY = 2 * MAX_PATH + SIGN_IN_URL_CAPACITY + 64;

// Keeps the browser from clearing the cookies at shutdown (which yt-dlp
// then reads), keeps fingerprinting protection from looking suspicious to
// Google, and skips the first-run pages so the sign-in page shows at once.
// Written byte for byte: LF line ends, no byte-order mark.
constexpr char USER_JS[] =
    "// Genere automatiquement. Ne pas editer.\n"
    "\n"
    "// --- Conservation des cookies (critique) ---\n"
    "user_pref(\"privacy.sanitize.sanitizeOnShutdown\", false);\n"
    "user_pref(\"privacy.clearOnShutdown.cookies\", false);\n"
    "user_pref(\"privacy.clearOnShutdown.offlineApps\", false);\n"
    "user_pref(\"privacy.clearOnShutdown_v2.cookiesAndStorage\", false);\n"
    "user_pref(\"network.cookie.lifetimePolicy\", 0);\n"
    "\n"
    "// --- Eviter les faux positifs cote Google ---\n"
    "user_pref(\"privacy.resistFingerprinting\", false);\n"
    "\n"
    "// --- Aller droit a la page de connexion ---\n"
    "user_pref(\"browser.aboutwelcome.enabled\", false);\n"
    "user_pref(\"browser.startup.homepage_override.mstone\", \"ignore\");\n"
    "user_pref(\"browser.shell.checkDefaultBrowser\", false);\n"
    "user_pref(\"datareporting.policy.dataSubmissionEnabled\", false);\n"
    "user_pref(\"toolkit.telemetry.reportingpolicy.firstRun\", false);\n"
    "user_pref(\"browser.sessionstore.resume_from_crash\", false);\n";
static_assert(sizeof(USER_JS) - 1 == 874, "user.js is 874 bytes");

struct RegistryKeyTraits {
    static HKEY invalid() { return nullptr; }
    static bool valid(HKEY key) { return key != nullptr; }
    static void close(HKEY key) { RegCloseKey(key); }
};
using UniqueRegistryKey = UniqueResource<HKEY, RegistryKeyTraits>;

// A text value (REG_SZ or REG_EXPAND_SZ, as it is stored) up to its first
// zero. Registry data need not be terminated, so the last unit of out is
// kept for the terminator; a longer value counts as absent.
bool read_registry_text(HKEY root, REGSAM view, const wchar_t* subKey, const wchar_t* name, wchar_t* out,
                        size_t capacity) {
    out[0] = 0;
    UniqueRegistryKey key;
    if (RegOpenKeyExW(root, subKey, 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>((capacity - 1) * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(out), &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || bytes == 0) {
        out[0] = 0;
        return false;
    }
    out[bytes / sizeof(wchar_t)] = 0;
    return out[0] != 0;
}
template <size_t N>
bool read_registry_text(HKEY root, REGSAM view, const wchar_t* subKey, const wchar_t* name, wchar_t (&out)[N]) {
    return read_registry_text(root, view, subKey, name, out, N);
}

// folder + "\" + name (no second backslash after a root like "C:\"),
// false when it does not fit whole.
bool join_path(const wchar_t* folder, const wchar_t* name, wchar_t (&out)[MAX_PATH]) {
    size_t folderLength = text_length(folder);
    if (folderLength == 0) {
        out[0] = 0;
        return false;
    }
    bool separator = folder[folderLength - 1] != L'\\';
    size_t expected = folderLength + (separator ? 1 : 0) + text_length(name);
    text_copy(out, folder);
    if (separator) {
        text_append(out, L"\\");
    }
    return text_append(out, name) == expected;
}

// "firefox:" + the profile folder, false when it would not fit the item's field.
bool cookie_argument(const wchar_t* profile, wchar_t (&out)[COOKIE_ARGUMENT_CAPACITY]) {
    text_copy(out, COOKIE_PREFIX);
    if (text_append(out, profile) != text_length(COOKIE_PREFIX) + text_length(profile)) {
        out[0] = 0;
        return false;
    }
    return true;
}

bool is_folder(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Appends a text or an argument, and says whether it went in whole; a browser
// command cut short would open the wrong page or another profile.
bool append_whole(wchar_t (&line)[BROWSER_COMMAND_CAPACITY], const wchar_t* text) {
    size_t expected = text_length(line) + text_length(text);
    return text_append(line, text) == expected;
}
bool append_whole_argument(wchar_t (&line)[BROWSER_COMMAND_CAPACITY], const wchar_t* value) {
    size_t before = text_length(line);
    append_argument(line, value);  // leaves out a value that does not fit
    return text_length(line) > before;
}

}  // namespace

bool find_installed_firefox(HKEY root, REGSAM view, wchar_t (&path)[MAX_PATH]) {
    wchar_t version[256];
    if (!read_registry_text(root, view, FIREFOX_KEY, L"CurrentVersion", version)) {
        path[0] = 0;
        return false;
    }
    wchar_t mainKey[512];
    text_format(mainKey, L"%ls\\%ls\\Main", FIREFOX_KEY, version);
    // An uninstalled Firefox may leave its registration behind.
    if (!read_registry_text(root, view, mainKey, L"PathToExe", path) || !is_existing_file(path)) {
        path[0] = 0;
        return false;
    }
    return true;
}

bool find_sign_in_browser(BrowserLocation& found) {
    struct Place {
        HKEY root;
        REGSAM view;
    };
    const Place places[] = {
        {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY},
        {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY},
        {HKEY_CURRENT_USER, KEY_WOW64_64KEY},
        {HKEY_CURRENT_USER, KEY_WOW64_32KEY},
    };
    for (const Place& place : places) {
        if (find_installed_firefox(place.root, place.view, found.path)) {
            found.inProgramFolder = false;
            return true;
        }
    }
    if (tool_path(LIBREWOLF_PATH, found.path) && is_existing_file(found.path)) {
        found.inProgramFolder = true;
        return true;
    }
    found.path[0] = 0;
    found.inProgramFolder = false;
    return false;
}

// An installed Firefox is read from its default profile; the program's
// LibreWolf only ever runs with the profile the sign-in prepares.
size_t browser_cookie_source(wchar_t* out, size_t capacity) {
    text_copy(out, capacity, L"");
    wchar_t folder[MAX_PATH];
    BrowserLocation browser;
    if (!data_folder(folder) || !find_sign_in_browser(browser)) {
        return 0;
    }
    if (!browser.inProgramFolder) {
        return text_copy(out, capacity, L"firefox");
    }
    wchar_t profile[MAX_PATH];
    wchar_t argument[COOKIE_ARGUMENT_CAPACITY];
    if (!join_path(folder, PROFILE_NAME, profile) || !cookie_argument(profile, argument) ||
        text_length(argument) >= capacity) {
        return 0;
    }
    return text_copy(out, capacity, argument);
}

bool prepare_browser_profile(const wchar_t* dataFolder, wchar_t (&profile)[MAX_PATH]) {
    wchar_t userJs[MAX_PATH];
    if (!join_path(dataFolder, PROFILE_NAME, profile) || !join_path(profile, L"user.js", userJs)) {
        return false;
    }
    int made = SHCreateDirectoryExW(nullptr, profile, nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) {
        return false;
    }
    if (!is_folder(profile)) {
        return false;  // a file stands where the folder belongs
    }
    // Rewritten each time; the browser's own files beside it, the cookies
    // among them, stay as they are.
    UniqueHandle file(
        CreateFileW(userJs, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    DWORD written = 0;
    return WriteFile(file.get(), USER_JS, sizeof(USER_JS) - 1, &written, nullptr) && written == sizeof(USER_JS) - 1 &&
           FlushFileBuffers(file.get());
}

bool launch_sign_in_browser(const wchar_t* dataFolder, const wchar_t* startUrl, wchar_t (&profile)[MAX_PATH]) {
    BrowserLocation browser;
    if (!find_sign_in_browser(browser) || !prepare_browser_profile(dataFolder, profile)) {
        return false;
    }
    // Each value must reach the browser as one argument: the profile folder
    // may hold blanks, and the start page comes from the link.
    wchar_t line[BROWSER_COMMAND_CAPACITY] = L"\"";
    bool whole = append_whole(line, browser.path) && append_whole(line, L"\" -profile") &&
                 append_whole_argument(line, profile) && append_whole(line, L" -no-remote") &&
                 append_whole_argument(line, startUrl);
    if (!whole) {
        return false;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    // The browser lives on its own; nothing waits for it.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void sign_in_start_url(const wchar_t* url, wchar_t (&out)[SIGN_IN_URL_CAPACITY]) {
    text_copy(out, YOUTUBE_SIGN_IN_URL);
    if (!url || !url[0]) {
        return;
    }
    wchar_t host[256];
    DWORD size = static_cast<DWORD>(sizeof(host) / sizeof(host[0]));
    if (FAILED(UrlGetPartW(url, host, &size, URL_PART_HOSTNAME, 0))) {
        return;
    }
    host[255] = 0;
    size_t length = text_length(host);
    if (length == 0) {
        return;  // "https:///" would open nothing
    }
    CharLowerBuffW(host, static_cast<DWORD>(length));
    for (const wchar_t* domain : YOUTUBE_DOMAINS) {
        size_t domainLength = text_length(domain);
        // A subdomain matches; a host that merely ends with the same letters does not.
        if (text_equal(host, domain) ||
            (length > domainLength && text_ends_with(host, domain) && host[length - domainLength - 1] == L'.')) {
            return;
        }
    }
    text_copy(out, L"https://");
    text_append(out, host);
    text_append(out, L"/");
}

bool sign_in_with_browser(DownloadRecord& item) {
    wchar_t folder[MAX_PATH];
    if (!data_folder(folder)) {
        return false;
    }
    wchar_t url[SIGN_IN_URL_CAPACITY];
    sign_in_start_url(item.url, url);
    // Known to fit before anything starts: a cut folder would send yt-dlp to
    // a profile the browser never wrote.
    wchar_t profile[MAX_PATH];
    wchar_t argument[COOKIE_ARGUMENT_CAPACITY];
    if (!join_path(folder, PROFILE_NAME, profile) || !cookie_argument(profile, argument)) {
        return false;
    }
    if (!launch_sign_in_browser(folder, url, profile)) {
        return false;
    }
    text_copy(item.cookieArgument, argument);
    return true;
}
