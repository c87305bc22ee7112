// The sign-in browser: finding it in the registry or beside the program,
// the profile and its user.js, the start page, and the browser's command
// line. The "browser" started here is the test kit's stand-in yt-dlp.exe
// copied to browser\LibreWolf\librewolf.exe beside this test program; it
// logs the arguments it receives (TAVLO_KIT_ARGS_LOG) and exits, saying
// "kit error: no *.scenario files" as it has none there.
#include "app/tools/browser_profile.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <memory>
#include <string>
#include <vector>

#include "app/media/json.h"
#include "app/tools/tool_runner.h"
#include "base/data_folder.h"
#include "base/sys_string.h"
#include "base/text.h"
#include "base/utf.h"
#include "tests/win_test_support.h"

namespace {

constexpr char EXPECTED_USER_JS[] =
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

constexpr wchar_t MOZILLA_KEY[] = L"SOFTWARE\\Mozilla";
constexpr wchar_t FIREFOX_KEY[] = L"SOFTWARE\\Mozilla\\Mozilla Firefox";

std::wstring program_folder_path(const wchar_t* relative) {
    wchar_t path[MAX_PATH * 2];
    tool_path(relative, path);
    return path;
}

bool key_exists(HKEY root, const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, name, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// A Firefox registration under HKEY_CURRENT_USER, removed again afterwards
// together with whatever of "SOFTWARE\Mozilla" it had to create.
class FirefoxRegistration {
public:
    FirefoxRegistration(DWORD versionType, const std::wstring& version, DWORD pathType, const std::wstring& pathData)
        : createdMozilla_(!key_exists(HKEY_CURRENT_USER, MOZILLA_KEY)) {
        EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, FIREFOX_KEY)) << "the test prefix already registers a Firefox";
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, FIREFOX_KEY, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        set(key, L"CurrentVersion", versionType, version);
        RegCloseKey(key);
        std::wstring main = std::wstring(FIREFOX_KEY) + L"\\" + (versionType == REG_SZ && !version.empty() ? version : L"1.0") + L"\\Main";
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, main.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        set(key, L"PathToExe", pathType, pathData);
        RegCloseKey(key);
    }
    ~FirefoxRegistration() {
        EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, FIREFOX_KEY), ERROR_SUCCESS);
        if (createdMozilla_) {
            EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, MOZILLA_KEY), ERROR_SUCCESS);
        }
    }
    FirefoxRegistration(const FirefoxRegistration&) = delete;
    FirefoxRegistration& operator=(const FirefoxRegistration&) = delete;

private:
    // Text values are stored with their terminator; data holds any zeros of its own.
    static void set(HKEY key, const wchar_t* name, DWORD type, const std::wstring& data) {
        if (type == REG_DWORD) {
            DWORD number = 115;
            RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
            return;
        }
        DWORD bytes = data.empty() ? 0 : static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
        RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()), bytes);
    }
    bool createdMozilla_;
};

// The browser the setup program places in the program folder: here the
// stand-in tool under that name.
class ProgramFolderLibreWolf {
public:
    ProgramFolderLibreWolf() {
        EXPECT_FALSE(path_exists(folder_)) << "a browser folder is left over beside the test program";
        EXPECT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
        EXPECT_TRUE(CreateDirectoryW((folder_ + L"\\LibreWolf").c_str(), nullptr));
        EXPECT_TRUE(CopyFileW(program_folder_path(L"bin\\yt-dlp.exe").c_str(), path_.c_str(), TRUE));
    }
    ~ProgramFolderLibreWolf() { remove_tree(folder_); }
    ProgramFolderLibreWolf(const ProgramFolderLibreWolf&) = delete;
    ProgramFolderLibreWolf& operator=(const ProgramFolderLibreWolf&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring folder_ = program_folder_path(L"browser");
    std::wstring path_ = program_folder_path(L"browser\\LibreWolf\\librewolf.exe");
};

class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const std::wstring& value) : name_(name) {
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedEnvironment() { SetEnvironmentVariableW(name_, nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const wchar_t* name_;
};

// The browsers this program started end by themselves (the stand-in exits at
// once); any that did not within 10 s is ended with its tree.
void end_started_browsers() {
    for (int waited = 0;; waited += 50) {
        std::vector<DWORD> running;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
            if (entry.th32ParentProcessID == GetCurrentProcessId() && text_equal_nocase(entry.szExeFile, L"librewolf.exe")) {
                running.push_back(entry.th32ProcessID);
            }
        }
        CloseHandle(snapshot);
        if (running.empty()) {
            return;
        }
        if (waited >= 10000) {
            for (DWORD pid : running) {
                kill_process_tree(pid, 5000);
            }
            ADD_FAILURE() << "the started browser did not end by itself";
            return;
        }
        Sleep(50);
    }
}

// The argument lists the stand-in logged, one JSON array per start.
std::vector<std::vector<std::string>> logged_starts(const std::wstring& log) {
    std::vector<std::vector<std::string>> starts;
    std::string text;
    if (!read_whole_file(log, text)) {
        return starts;
    }
    size_t begin = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; begin = end + 1, end = text.find('\n', begin)) {
        JsonValue argv;
        EXPECT_TRUE(parse_json(text.data() + begin, end - begin, argv));
        std::vector<std::string> arguments;
        for (size_t i = 0; i < argv.size(); ++i) {
            arguments.emplace_back(argv.element(i).as_bytes());
        }
        starts.push_back(arguments);
    }
    return starts;
}

class BrowserProfile : public ::testing::Test {
protected:
    TempFolder temp;

    void SetUp() override {
        wchar_t path[MAX_PATH];
        if (find_installed_firefox(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, path) ||
            find_installed_firefox(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, path)) {
            GTEST_SKIP() << "this machine has a Firefox installed, which would answer first";
        }
        set_data_folder_root(temp.path().c_str());
    }
    void TearDown() override {
        end_started_browsers();
        set_data_folder_root(L"");
    }
    std::wstring profile_of_data_root() const { return temp.path() + L"\\tavlo\\ffprofile"; }
};

TEST_F(BrowserProfile, UserJsIsWrittenExactlyAndRewrittenEachTime) {
    ASSERT_EQ(sizeof(EXPECTED_USER_JS) - 1, 874u);
    // The data folder and its parents do not exist yet.
    std::wstring data = temp.path() + L"\\new \u00e9\\tavlo";
    wchar_t profile[MAX_PATH];
    ASSERT_TRUE(prepare_browser_profile(data.c_str(), profile));
    EXPECT_EQ(std::wstring(profile), data + L"\\ffprofile");
    std::string written;
    ASSERT_TRUE(read_whole_file(data + L"\\ffprofile\\user.js", written));
    EXPECT_EQ(written, EXPECTED_USER_JS);

    // A longer old file is cut back; what the browser stored stays.
    ASSERT_TRUE(write_whole_file(data + L"\\ffprofile\\user.js", std::string(2000, 'x')));
    ASSERT_TRUE(write_whole_file(data + L"\\ffprofile\\cookies.sqlite", "cookies"));
    ASSERT_TRUE(prepare_browser_profile(data.c_str(), profile));
    ASSERT_TRUE(read_whole_file(data + L"\\ffprofile\\user.js", written));
    EXPECT_EQ(written, EXPECTED_USER_JS);
    EXPECT_TRUE(path_exists(data + L"\\ffprofile\\cookies.sqlite"));
}

TEST_F(BrowserProfile, ProfileCannotBeMadeWhereAFileStands) {
    std::wstring data = temp.path() + L"\\data";
    ASSERT_TRUE(CreateDirectoryW(data.c_str(), nullptr));
    ASSERT_TRUE(write_whole_file(data + L"\\ffprofile", "a file"));
    wchar_t profile[MAX_PATH];
    EXPECT_FALSE(prepare_browser_profile(data.c_str(), profile));

    ASSERT_TRUE(write_whole_file(temp.path() + L"\\plain", "a file"));
    EXPECT_FALSE(prepare_browser_profile((temp.path() + L"\\plain\\tavlo").c_str(), profile));
}

struct RegistrationCase {
    const char* name;
    DWORD versionType;
    const wchar_t* version;
    DWORD pathType;
    enum { RealFile, RealFileThenJunk, MissingFile, Folder } path;
    bool found;
};

TEST_F(BrowserProfile, FirefoxRegisteredForTheUserOnly) {
    const RegistrationCase kCases[] = {
        {"a registered program file", REG_SZ, L"115.0 (x64 en-US)", REG_SZ, RegistrationCase::RealFile, true},
        {"an expandable text value", REG_SZ, L"128.0", REG_EXPAND_SZ, RegistrationCase::RealFile, true},
        {"a zero inside the value ends it", REG_SZ, L"128.0", REG_SZ, RegistrationCase::RealFileThenJunk, true},
        {"a program file that no longer exists", REG_SZ, L"99.0", REG_SZ, RegistrationCase::MissingFile, false},
        {"a folder is no program", REG_SZ, L"99.0", REG_SZ, RegistrationCase::Folder, false},
        {"a number where the version belongs", REG_DWORD, L"", REG_SZ, RegistrationCase::RealFile, false},
        {"a version of no bytes", REG_SZ, L"", REG_SZ, RegistrationCase::RealFile, false},
    };
    std::wstring firefox = temp.file(L"firefox.exe");
    ASSERT_TRUE(write_whole_file(firefox, "MZ"));
    for (const RegistrationCase& c : kCases) {
        SCOPED_TRACE(c.name);
        std::wstring data = firefox;
        if (c.path == RegistrationCase::RealFileThenJunk) {
            data += std::wstring(1, L'\0') + L"junk";
        } else if (c.path == RegistrationCase::MissingFile) {
            data = temp.file(L"uninstalled.exe");
        } else if (c.path == RegistrationCase::Folder) {
            data = temp.path();
        }
        FirefoxRegistration registration(c.versionType, c.version, c.pathType, data);

        wchar_t path[MAX_PATH];
        EXPECT_FALSE(find_installed_firefox(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, path));
        EXPECT_FALSE(find_installed_firefox(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, path));
        // The user's registry is the same in both views on Windows and under Wine.
        EXPECT_EQ(find_installed_firefox(HKEY_CURRENT_USER, KEY_WOW64_64KEY, path), c.found);
        BrowserLocation browser;
        ASSERT_EQ(find_sign_in_browser(browser), c.found);
        wchar_t cookies[276];
        if (c.found) {
            EXPECT_EQ(std::wstring(browser.path), firefox);
            EXPECT_FALSE(browser.inProgramFolder);
            EXPECT_EQ(browser_cookie_source(cookies), 7u);
            EXPECT_STREQ(cookies, L"firefox");
        } else {
            // Without a browser no cookie option is ever added.
            EXPECT_EQ(browser_cookie_source(cookies), 0u);
            EXPECT_STREQ(cookies, L"");
        }
    }
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, FIREFOX_KEY));
}

TEST_F(BrowserProfile, LibreWolfInTheProgramFolderUsesTheOwnProfile) {
    wchar_t cookies[276];
    EXPECT_EQ(browser_cookie_source(cookies), 0u);

    ProgramFolderLibreWolf libreWolf;
    BrowserLocation browser;
    ASSERT_TRUE(find_sign_in_browser(browser));
    EXPECT_EQ(std::wstring(browser.path), libreWolf.path());
    EXPECT_TRUE(browser.inProgramFolder);
    browser_cookie_source(cookies);
    EXPECT_EQ(std::wstring(cookies), L"firefox:" + profile_of_data_root());

    // A stale Firefox registration is passed over for the next place.
    FirefoxRegistration stale(REG_SZ, L"99.0", REG_SZ, temp.file(L"uninstalled.exe"));
    ASSERT_TRUE(find_sign_in_browser(browser));
    EXPECT_TRUE(browser.inProgramFolder);
}

TEST(SignInStartUrl, YouTubeLinksOpenTheSignInPageOthersTheirFrontPage) {
    struct Case {
        const wchar_t* link;
        const wchar_t* page;
    };
    const Case kCases[] = {
        {L"https://www.youtube.com/watch?v=abc", L"https://www.youtube.com/signin"},
        {L"https://m.youtube.com/watch?v=abc", L"https://www.youtube.com/signin"},
        {L"https://youtube.com/shorts/abc", L"https://www.youtube.com/signin"},
        {L"https://youtu.be/abc", L"https://www.youtube.com/signin"},
        {L"https://WWW.YouTube.COM/watch?v=abc", L"https://www.youtube.com/signin"},
        {L"https://notyoutube.com/watch?v=abc", L"https://notyoutube.com/"},
        {L"https://www.youtube.com.example.net/x", L"https://www.youtube.com.example.net/"},
        {L"https://example.org/videos/123?x=1#t", L"https://example.org/"},
        {L"http://Vimeo.com:8080/123", L"https://vimeo.com/"},
        {L"not a link", L"https://www.youtube.com/signin"},
        {L"", L"https://www.youtube.com/signin"},
        {nullptr, L"https://www.youtube.com/signin"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.link ? wide_to_utf8(c.link) : "(none)");
        wchar_t page[SIGN_IN_URL_CAPACITY];
        sign_in_start_url(c.link, page);
        EXPECT_EQ(std::wstring(page), c.page);
    }
}

TEST_F(BrowserProfile, LaunchPassesEachValueAsOneArgument) {
    ProgramFolderLibreWolf libreWolf;
    std::wstring log = temp.file(L"browser-args.jsonl");
    ScopedEnvironment logSetting(L"TAVLO_KIT_ARGS_LOG", log);
    std::wstring data = temp.path() + L"\\data folder \u00e9";
    const wchar_t* url = L"https://example.org/a b\"c\\";

    wchar_t profile[MAX_PATH];
    ASSERT_TRUE(launch_sign_in_browser(data.c_str(), url, profile));
    EXPECT_EQ(std::wstring(profile), data + L"\\ffprofile");
    EXPECT_TRUE(path_exists(data + L"\\ffprofile\\user.js"));
    end_started_browsers();

    auto starts = logged_starts(log);
    ASSERT_EQ(starts.size(), 1u);
    const std::vector<std::string> expected = {wide_to_utf8(libreWolf.path()), "-profile",
                                               wide_to_utf8(data + L"\\ffprofile"), "-no-remote",
                                               "https://example.org/a b\"c\\"};
    EXPECT_EQ(starts[0], expected);
}

TEST_F(BrowserProfile, SignInOpensTheBrowserAndNamesTheProfileForYtDlp) {
    std::wstring log = temp.file(L"browser-args.jsonl");
    ScopedEnvironment logSetting(L"TAVLO_KIT_ARGS_LOG", log);
    std::unique_ptr<DownloadRecord> item(new DownloadRecord());
    const wchar_t* link = L"https://music.youtube.com/watch?v=abc&list=xyz";
    item->url = sys_string_new(link, text_length(link));
    text_copy(item->cookieArgument, L"before");

    EXPECT_FALSE(sign_in_with_browser(*item));  // no browser at all
    EXPECT_STREQ(item->cookieArgument, L"before");
    {
        ProgramFolderLibreWolf libreWolf;
        ASSERT_TRUE(sign_in_with_browser(*item));
        end_started_browsers();
        EXPECT_EQ(std::wstring(item->cookieArgument), L"firefox:" + profile_of_data_root());
        std::string written;
        EXPECT_TRUE(read_whole_file(profile_of_data_root() + L"\\user.js", written) && written == EXPECTED_USER_JS);

        // Twice: still one user.js of 874 bytes.
        ASSERT_TRUE(sign_in_with_browser(*item));
        end_started_browsers();
        EXPECT_TRUE(read_whole_file(profile_of_data_root() + L"\\user.js", written) && written == EXPECTED_USER_JS);
        std::vector<std::string> files;
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((profile_of_data_root() + L"\\*").c_str(), &found);
        ASSERT_NE(find, INVALID_HANDLE_VALUE);
        do {
            if (found.cFileName[0] != L'.') {
                files.push_back(wide_to_utf8(found.cFileName));
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
        EXPECT_EQ(files, std::vector<std::string>{"user.js"});
    }
    auto starts = logged_starts(log);
    ASSERT_EQ(starts.size(), 2u);
    ASSERT_EQ(starts[0].size(), 5u);
    EXPECT_EQ(starts[0][2], wide_to_utf8(profile_of_data_root()));
    EXPECT_EQ(starts[0][4], "https://www.youtube.com/signin");
    sys_string_free(item->url);
}

}  // namespace
