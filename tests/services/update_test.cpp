// The update check and the update download against a local HTTP server,
// yt-dlp's self-update with the test kit's stand-in in bin\, and the
// version resource reader. Each test points the update check at a server of
// its own.
#include "app/services/update.h"

#include <gtest/gtest.h>

#include <wininet.h>

#include <string>
#include <thread>
#include <vector>

#include "app/app_messages.h"
#include "app/tools/tool_runner.h"
#include "base/sys_string.h"
#include "base/text.h"
#include "tests/http_test_server.h"
#include "tests/win_test_support.h"

namespace {

std::string base64(const std::string& bytes, size_t lineLength = 0) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) {
            value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        if (i + 2 < bytes.size()) {
            value |= static_cast<unsigned char>(bytes[i + 2]);
        }
        text += alphabet[(value >> 18) & 63];
        text += alphabet[(value >> 12) & 63];
        text += i + 1 < bytes.size() ? alphabet[(value >> 6) & 63] : '=';
        text += i + 2 < bytes.size() ? alphabet[value & 63] : '=';
    }
    if (lineLength == 0) {
        return text;
    }
    std::string lines;
    for (size_t i = 0; i < text.size(); i += lineLength) {
        lines += text.substr(i, lineLength) + "\r\n";
    }
    return lines;
}

// The two characters of every pair exchanged, as the server sends them.
std::string scramble(std::string text) {
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        std::swap(text[i], text[i + 1]);
    }
    return text;
}

std::string element(const char* name, const char* value) {
    return value ? std::string("<") + name + ">" + value + "</" + name + ">" : std::string();
}

// The server's document; an element is left out when its value is null.
std::string update_xml(const char* version, const char* url, const char* ytdlp = nullptr,
                       const char* size = nullptr) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<tavlo>\r\n  <update>" + element("version", version) +
           element("url", url) + element("youtubedl_version", ytdlp) + element("file_size", size) +
           "</update>\r\n</tavlo>\r\n";
}

std::string reply_of(const std::string& xml, size_t lineLength = 0) {
    return scramble(base64(xml, lineLength));
}

// A reply of exactly `length` bytes holding a document that offers 1.59:
// Base64 of a document padded with a comment, then line breaks.
std::string reply_of_length(size_t length) {
    std::string xml = update_xml("1.59", "https://example.test/setup.exe", nullptr, "40000");
    size_t textLength = length / 4 * 4;
    size_t documentLength = textLength / 4 * 3;
    std::string padded = xml + "<!--" + std::string(documentLength - xml.size() - 7, 'x') + "-->";
    std::string text = base64(padded);
    text.append(length - text.size(), '\n');
    return scramble(text);
}

HttpResponse ok_reply(const std::string& body) {
    HttpResponse response;
    response.contentType = "text/plain";
    response.body = body;
    return response;
}

struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A message-only window that stands for the main window.
class Inbox {
public:
    Inbox() {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TavloUpdateTestInbox";
        RegisterClassExW(&wc);  // fails harmlessly when already registered
        window_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                  nullptr);
    }
    ~Inbox() { DestroyWindow(window_); }
    Inbox(const Inbox&) = delete;
    Inbox& operator=(const Inbox&) = delete;

    HWND window() const { return window_; }

    // Collects the window's messages up to and including `last`; false when
    // it has not come within a minute (a hang, not a measurement).
    bool collect_until(UINT last, std::vector<Posted>& into) {
        ULONGLONG deadline = GetTickCount64() + 60000;
        for (;;) {
            MSG msg;
            while (PeekMessageW(&msg, window_, 0, 0, PM_REMOVE)) {
                into.push_back({msg.message, msg.wParam, msg.lParam});
                if (msg.message == last) {
                    return true;
                }
            }
            ULONGLONG now = GetTickCount64();
            if (now >= deadline) {
                return false;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLPOSTMESSAGE);
        }
    }

private:
    HWND window_ = nullptr;
};

// Runs a worker thread body to its end.
void join(LPTHREAD_START_ROUTINE body, void* job, Inbox& inbox, UINT last, std::vector<Posted>& messages) {
    HANDLE thread = CreateThread(nullptr, 0, body, job, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(inbox.collect_until(last, messages)) << "the thread never reported";
    EXPECT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
    CloseHandle(thread);
}

std::vector<WPARAM> progress_codes(const std::vector<Posted>& messages) {
    std::vector<WPARAM> codes;
    for (const Posted& p : messages) {
        if (p.message == WM_APP_UPDATE_PROGRESS) {
            codes.push_back(p.wParam);
        }
    }
    return codes;
}

struct CheckOutcome {
    bool reported = false;
    std::vector<WPARAM> progress;
    int available = -1;
    int64_t fileSize = -1;
    std::wstring setupUrl;
};

CheckOutcome check_for_update(bool abortFirst = false) {
    CheckOutcome outcome;
    Inbox inbox;
    UpdateCheckJob* job = new_update_check(inbox.window());
    EXPECT_NE(job, nullptr);
    if (!job) {
        return outcome;
    }
    if (abortFirst) {
        job->callback->abort();
    }
    std::vector<Posted> messages;
    join(run_update_check, job, inbox, WM_APP_UPDATE_RESULT, messages);
    outcome.progress = progress_codes(messages);
    if (!messages.empty() && messages.back().message == WM_APP_UPDATE_RESULT) {
        outcome.reported = true;
        auto* result = reinterpret_cast<UpdateResult*>(messages.back().lParam);
        EXPECT_NE(result, nullptr);
        if (result) {
            EXPECT_EQ(result->reserved, 0);
            outcome.available = result->available;
            outcome.fileSize = result->fileSize;
            outcome.setupUrl = result->setupUrl ? result->setupUrl : L"";
            free_update_result(result);
        }
    }
    return outcome;
}

// Each test has a server of its own: a fresh port is a fresh URL, so nothing
// can come from the internet cache of an earlier test.
class UpdateServer : public ::testing::Test {
protected:
    HttpTestServer server;
    void SetUp() override {
        ASSERT_TRUE(server.ok());
        set_update_server(server.url("").c_str());
    }
    void TearDown() override {
        forget_downloads(server);
        set_update_server(nullptr);
    }
    // The moniker keeps every answer in the internet cache, even one sent
    // with no-store: the tests leave nothing there.
    static void forget_downloads(const HttpTestServer& from) {
        for (const HttpRequest& request : from.requests()) {
            DeleteUrlCacheEntryW(from.url(request.target).c_str());
        }
    }
};

struct ReplyCase {
    const char* what;
    HttpResponse response;
    int available;
    int64_t fileSize;
    const wchar_t* setupUrl;
};

HttpResponse slow(HttpResponse response) {
    response.pieces = 4;
    response.pauseMs = 200;
    return response;
}

HttpResponse with_status(int status, HttpResponse response) {
    response.status = status;
    return response;
}

HttpResponse cut(HttpResponse response, size_t after) {
    response.cutAfter = after;
    return response;
}

const std::string kNewer = update_xml("1.59", "https://example.test/tavlo_setup.exe", nullptr, "1048576");

std::vector<ReplyCase> reply_cases() {
    const wchar_t* url = L"https://example.test/tavlo_setup.exe";
    return {
        {"a newer version", ok_reply(reply_of(kNewer)), 1, 1048576, url},
        {"the same version", ok_reply(reply_of(update_xml("1.58", "https://example.test/tavlo_setup.exe", nullptr,
                                                          "1048576"))),
         0, 1048576, url},
        {"an older version", ok_reply(reply_of(update_xml("1.6", nullptr))), 0, 0, L""},
        {"a further component", ok_reply(reply_of(update_xml("1.58.1", nullptr))), 1, 0, L""},
        {"Base64 in lines", ok_reply(reply_of(kNewer, 76)), 1, 1048576, url},
        {"a slow server", slow(ok_reply(reply_of(kNewer))), 1, 1048576, url},
        {"non-ASCII link, CDATA, comments and attributes",
         ok_reply(reply_of("<?xml version=\"1.0\" encoding=\"UTF-8\"?><!-- the reply --><r a=\"1\">"
                           "<update channel=\"stable\"><version>2.0</version><?pi x?>"
                           "<url><![CDATA[https://example.test/\xC3\xBC/setup.exe?a=1&b=2]]></url>"
                           "<file_size> 40000 </file_size><other/></update></r>")),
         1, 40000, L"https://example.test/\u00FC/setup.exe?a=1&b=2"},
        {"no update element", ok_reply(reply_of("<r><news>1.59</news></r>")), 0, 0, L""},
        {"an empty update element", ok_reply(reply_of("<r><update/></r>")), 0, 0, L""},
        {"not XML", ok_reply(reply_of("version=1.59")), 0, 0, L""},
        {"XML cut in a text", ok_reply(reply_of("<r><update><version>1.59")), 0, 0, L""},
        {"XML cut in a tag", ok_reply(reply_of("<r><update><version>1.59</version></upd")), 0, 0, L""},
        {"a document type: refused",
         ok_reply(reply_of("<!DOCTYPE r [<!ENTITY v \"1.59\">]><r><update><version>&v;</version></update></r>")), 0,
         0, L""},
        {"not scrambled", ok_reply(base64(kNewer)), 0, 0, L""},
        {"Base64 cut in a group", ok_reply(reply_of(kNewer).substr(0, reply_of(kNewer).size() - 3)), 0, 0, L""},
        {"Base64 cut between groups", ok_reply(reply_of(kNewer).substr(0, 40)), 0, 0, L""},
        {"garbage", ok_reply("\x01\x02 this is no reply \xff\xfe"), 0, 0, L""},
        {"an empty body", ok_reply(""), 0, 0, L""},
        {"2046 bytes: the longest reply", ok_reply(reply_of_length(2046)), 1, 40000, L"https://example.test/setup.exe"},
        {"2047 bytes: may go on", ok_reply(reply_of_length(2047)), 0, 0, L""},
        {"3000 bytes", ok_reply(reply_of_length(3000)), 0, 0, L""},
        {"a server error", with_status(500, ok_reply("<html>Internal Server Error</html>")), 0, 0, L""},
        {"a transfer cut short", cut(ok_reply(reply_of(kNewer)), 100), 0, 0, L""},
    };
}

TEST_F(UpdateServer, RepliesTable) {
    for (const ReplyCase& c : reply_cases()) {
        SCOPED_TRACE(c.what);
        HttpTestServer own;  // a fresh URL for every reply
        ASSERT_TRUE(own.ok());
        set_update_server(own.url("").c_str());
        own.respond("/checkforupdate4.php", c.response);
        CheckOutcome outcome = check_for_update();
        ASSERT_TRUE(outcome.reported);
        EXPECT_EQ(outcome.available, c.available);
        EXPECT_EQ(outcome.fileSize, c.fileSize);
        EXPECT_EQ(outcome.setupUrl, c.setupUrl);
        EXPECT_TRUE(outcome.progress.empty()) << "no yt-dlp update was asked for";
        std::vector<HttpRequest> requests = own.requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].method, "GET");
        EXPECT_EQ(requests[0].target, "/checkforupdate4.php");
        forget_downloads(own);
    }
}

TEST_F(UpdateServer, NothingIsFoundWithoutAServer) {
    std::wstring refused = L"http://127.0.0.1:" + std::to_wstring(HttpTestServer::unused_port());
    set_update_server(refused.c_str());
    CheckOutcome outcome = check_for_update();
    ASSERT_TRUE(outcome.reported);
    EXPECT_EQ(outcome.available, 0);
    EXPECT_EQ(outcome.fileSize, 0);
    EXPECT_EQ(outcome.setupUrl, L"");
}

TEST_F(UpdateServer, NothingIsFoundWhenThePathIsMissing) {
    server.respond("/checkforupdate3.php", ok_reply(reply_of(kNewer)));
    CheckOutcome outcome = check_for_update();
    ASSERT_TRUE(outcome.reported);
    EXPECT_EQ(outcome.available, 0);
}

TEST_F(UpdateServer, AnAbortedCheckFindsNothingAndStillReports) {
    server.respond("/checkforupdate4.php", ok_reply(reply_of(update_xml("1.59", "x", "2099.1.1", "50000"))));
    CheckOutcome outcome = check_for_update(true);
    ASSERT_TRUE(outcome.reported);
    EXPECT_EQ(outcome.available, 0);
    EXPECT_TRUE(outcome.progress.empty()) << "no yt-dlp update while closing";
}

std::wstring ytdlp_path() {
    wchar_t path[MAX_PATH];
    tool_path(L"bin\\yt-dlp.exe", path);
    return path;
}

// The argument lines the stand-in wrote to its log, one per run.
std::vector<std::string> logged_runs(const std::wstring& log) {
    std::string text;
    std::vector<std::string> lines;
    if (!read_whole_file(log, text)) {
        return lines;
    }
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

std::string expected_update_run() {
    std::string path;
    for (wchar_t c : ytdlp_path()) {
        if (c == L'\\') {
            path += "\\\\";
        } else {
            path += static_cast<char>(c);
        }
    }
    return "[\"" + path + "\",\"-U\"]";
}

class ArgsLog {
public:
    ArgsLog() { SetEnvironmentVariableW(L"TAVLO_KIT_ARGS_LOG", path.c_str()); }
    ~ArgsLog() { SetEnvironmentVariableW(L"TAVLO_KIT_ARGS_LOG", nullptr); }
    TempFolder folder;
    std::wstring path = folder.file(L"args.log");
};

TEST_F(UpdateServer, ANewerYtdlpUpdatesItselfBeforeTheResult) {
    // The stand-in has no version resource: any version the server names is newer.
    server.respond("/checkforupdate4.php",
                   ok_reply(reply_of(update_xml("1.58", "https://example.test/s.exe", "2023.03.04", "50000"))));
    ArgsLog log;
    CheckOutcome outcome = check_for_update();
    ASSERT_TRUE(outcome.reported);
    EXPECT_EQ(outcome.available, 0);
    EXPECT_EQ(outcome.progress, (std::vector<WPARAM>{UPDATE_PROGRESS_YTDLP_BEGAN, UPDATE_PROGRESS_YTDLP_ENDED}));
    EXPECT_EQ(logged_runs(log.path), std::vector<std::string>{expected_update_run()});
}

TEST_F(UpdateServer, NoYtdlpUpdateWithoutANewerVersion) {
    const char* versions[] = {"", "0", "0.0"};
    for (const char* version : versions) {
        SCOPED_TRACE(version);
        HttpTestServer own;
        ASSERT_TRUE(own.ok());
        set_update_server(own.url("").c_str());
        own.respond("/checkforupdate4.php", ok_reply(reply_of(update_xml("1.59", "u", version, "50000"))));
        ArgsLog log;
        CheckOutcome outcome = check_for_update();
        ASSERT_TRUE(outcome.reported);
        EXPECT_EQ(outcome.available, 1);
        EXPECT_TRUE(outcome.progress.empty());
        EXPECT_TRUE(logged_runs(log.path).empty());
        forget_downloads(own);
    }
}

TEST(UpdateYtdlp, RunsTheSelfUpdateThenWaitsForTheMarkerToGo) {
    ArgsLog log;
    std::wstring marker = ytdlp_path() + L".new";
    ASSERT_TRUE(write_whole_file(marker, "replacing"));
    // yt-dlp would remove it when done; here a helper does, once the tool has run.
    std::thread remover([&] {
        for (int i = 0; i < 600 && logged_runs(log.path).empty(); ++i) {
            Sleep(50);
        }
        Sleep(1500);
        DeleteFileW(marker.c_str());
    });
    bool started = update_ytdlp();
    bool markerGone = !path_exists(marker);
    remover.join();
    DeleteFileW(marker.c_str());
    EXPECT_TRUE(started);
    EXPECT_TRUE(markerGone) << "update_ytdlp returned while the marker was still there";
    EXPECT_EQ(logged_runs(log.path), std::vector<std::string>{expected_update_run()});
}

TEST(WaitWhileFileExists, Table) {
    TempFolder folder;
    std::wstring file = folder.file(L"yt-dlp.exe.new");
    EXPECT_TRUE(wait_while_file_exists(file.c_str(), 3, 10)) << "no file: at once";

    ASSERT_TRUE(CreateDirectoryW(file.c_str(), nullptr));
    EXPECT_TRUE(wait_while_file_exists(file.c_str(), 3, 10)) << "a folder is no marker";
    RemoveDirectoryW(file.c_str());

    ASSERT_TRUE(write_whole_file(file, "x"));
    EXPECT_FALSE(wait_while_file_exists(file.c_str(), 3, 10)) << "gives up after its checks";
    EXPECT_TRUE(path_exists(file));

    std::thread remover([&] {
        Sleep(100);
        DeleteFileW(file.c_str());
    });
    EXPECT_TRUE(wait_while_file_exists(file.c_str(), 1000, 10));
    remover.join();
}

// Where the internet cache keeps url's file; empty when it has no entry.
std::wstring cached_file(const std::wstring& url) {
    DWORD size = 0;
    GetUrlCacheEntryInfoW(url.c_str(), nullptr, &size);
    if (size == 0) {
        return L"";
    }
    std::vector<BYTE> buffer(size);
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
    if (!GetUrlCacheEntryInfoW(url.c_str(), info, &size) || !info->lpszLocalFileName) {
        return L"";
    }
    return info->lpszLocalFileName;
}

struct DownloadOutcome {
    bool reported = false;
    WPARAM result = 0;
    std::wstring path;
    std::vector<WPARAM> progress;
};

DownloadOutcome download(const std::wstring& url, int64_t expectedSize, bool abortFirst = false) {
    DownloadOutcome outcome;
    Inbox inbox;
    UpdateDownloadJob* job = new_update_download(inbox.window(), url.c_str(), expectedSize);
    EXPECT_NE(job, nullptr);
    if (!job) {
        return outcome;
    }
    if (abortFirst) {
        job->callback->abort();
    }
    std::vector<Posted> messages;
    join(download_update, job, inbox, WM_APP_UPDATE_DOWNLOADED, messages);
    outcome.progress = progress_codes(messages);
    if (!messages.empty() && messages.back().message == WM_APP_UPDATE_DOWNLOADED) {
        outcome.reported = true;
        outcome.result = messages.back().wParam;
        auto* path = reinterpret_cast<wchar_t*>(messages.back().lParam);
        if (path) {
            outcome.path = path;
            HeapFree(GetProcessHeap(), 0, path);
        }
    }
    return outcome;
}

std::string setup_bytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    }
    bytes[0] = 'M';
    bytes[1] = 'Z';
    return bytes;
}

TEST_F(UpdateServer, TheSetupProgramOfTheRightSizeIsHandedOverWithItsProgress) {
    const std::string body = setup_bytes(300000);
    HttpResponse response;
    response.body = body;
    response.pieces = 6;
    response.pauseMs = 250;
    server.respond("/tavlo_setup.exe", response);

    std::wstring url = server.url("/tavlo_setup.exe");
    DownloadOutcome outcome = download(url, static_cast<int64_t>(body.size()));
    ASSERT_TRUE(outcome.reported);
    EXPECT_EQ(outcome.result, UPDATE_DOWNLOAD_SUCCEEDED);
    std::string stored;
    ASSERT_TRUE(read_whole_file(outcome.path, stored)) << "no file at the path handed over";
    EXPECT_EQ(stored, body);
    EXPECT_EQ(cached_file(url), outcome.path);  // the same lookup the failures below rely on
    DeleteFileW(outcome.path.c_str());

    // The begin and end messages frame the percent messages, which only grow.
    ASSERT_GE(outcome.progress.size(), 3u);
    EXPECT_EQ(outcome.progress.front(), UPDATE_PROGRESS_DOWNLOAD_BEGAN);
    EXPECT_EQ(outcome.progress.back(), UPDATE_PROGRESS_DOWNLOAD_ENDED);
    WPARAM previous = 0;
    for (size_t i = 1; i + 1 < outcome.progress.size(); ++i) {
        EXPECT_LE(outcome.progress[i], 100u);
        EXPECT_GE(outcome.progress[i], previous);
        previous = outcome.progress[i];
    }
}

UpdateResult* take_result(const std::vector<Posted>& messages) {
    if (messages.empty() || messages.back().message != WM_APP_UPDATE_RESULT) {
        return nullptr;
    }
    return reinterpret_cast<UpdateResult*>(messages.back().lParam);
}

// What the main window does: start, keep the cancel reference, and abort a
// download that is still running when it closes.
TEST_F(UpdateServer, TheEntryPointsStartTheThreadsAndHandBackACancelReference) {
    server.respond("/checkforupdate4.php", ok_reply(reply_of(kNewer)));
    HttpResponse slowSetup;
    slowSetup.body = setup_bytes(200000);
    slowSetup.pieces = 8;
    slowSetup.pauseMs = 300;
    server.respond("/slow_setup.exe", slowSetup);

    Inbox inbox;
    CBindStatusCallback* cancel = nullptr;
    ASSERT_TRUE(start_update_check(inbox.window(), &cancel));
    ASSERT_NE(cancel, nullptr);
    std::vector<Posted> messages;
    ASSERT_TRUE(inbox.collect_until(WM_APP_UPDATE_RESULT, messages));
    UpdateResult* result = take_result(messages);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->available, 1);
    EXPECT_EQ(result->fileSize, 1048576);
    free_update_result(result);
    cancel->Release();

    ASSERT_TRUE(start_update_download(inbox.window(), server.url("/slow_setup.exe").c_str(), 200000, &cancel));
    ASSERT_NE(cancel, nullptr);
    messages.clear();
    ASSERT_TRUE(inbox.collect_until(WM_APP_UPDATE_PROGRESS, messages)) << "the download never began";
    cancel->abort();
    ASSERT_TRUE(inbox.collect_until(WM_APP_UPDATE_DOWNLOADED, messages));
    EXPECT_EQ(messages.back().wParam, UPDATE_DOWNLOAD_FAILED);
    EXPECT_EQ(messages.back().lParam, 0);
    cancel->Release();
    std::wstring cached = cached_file(server.url("/slow_setup.exe"));
    EXPECT_TRUE(cached.empty() || !path_exists(cached)) << "left behind";
}

struct FailedDownloadCase {
    const char* what;
    HttpResponse response;
    int64_t expectedSize;
};

TEST_F(UpdateServer, AnyOtherOutcomeFailsAndLeavesNoFile) {
    const std::string body = setup_bytes(40000);
    HttpResponse whole;
    whole.body = body;
    const FailedDownloadCase cases[] = {
        {"one byte larger than announced", whole, 39999},
        {"one byte smaller than announced", whole, 40001},
        {"a transfer cut short", cut(whole, 5000), 40000},
        {"an error page", with_status(404, ok_reply("<html>Not Found</html>")), 40000},
        {"no size to check", whole, 0},
    };
    int n = 0;
    for (const FailedDownloadCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = "/setup" + std::to_string(++n) + ".exe";
        server.respond(path, c.response);
        std::wstring url = server.url(path);
        DownloadOutcome outcome = download(url, c.expectedSize);
        ASSERT_TRUE(outcome.reported);
        EXPECT_EQ(outcome.result, UPDATE_DOWNLOAD_FAILED);
        EXPECT_EQ(outcome.path, L"");
        std::wstring cached = cached_file(url);
        EXPECT_TRUE(cached.empty() || !path_exists(cached)) << "left behind";
    }
}

TEST_F(UpdateServer, ADownloadFailsWithoutAServerOrWhenAborted) {
    DownloadOutcome refused =
        download(L"http://127.0.0.1:" + std::to_wstring(HttpTestServer::unused_port()) + L"/s.exe", 40000);
    ASSERT_TRUE(refused.reported);
    EXPECT_EQ(refused.result, UPDATE_DOWNLOAD_FAILED);

    HttpResponse whole;
    whole.body = setup_bytes(40000);
    server.respond("/s.exe", whole);
    DownloadOutcome aborted = download(server.url("/s.exe"), 40000, true);
    ASSERT_TRUE(aborted.reported);
    EXPECT_EQ(aborted.result, UPDATE_DOWNLOAD_FAILED);
    EXPECT_EQ(aborted.path, L"");
}

TEST(UpdateDownloadProgress, BeginPercentAndEnd) {
    Inbox inbox;
    UpdateDownloadJob* job = new_update_download(inbox.window(), L"http://127.0.0.1:9/s.exe", 200);
    ASSERT_NE(job, nullptr);
    struct Step {
        ULONG progress, maximum, status;
    };
    const Step steps[] = {
        {0, 0, BINDSTATUS_CONNECTING},          // nothing: no size yet
        {50, 200, BINDSTATUS_BEGINDOWNLOADDATA},  // began, and the first percent at once
        {200, 200, BINDSTATUS_ENDDOWNLOADDATA},   // ended, and nothing after it
    };
    for (const Step& s : steps) {
        EXPECT_EQ(update_download_progress(s.progress, s.maximum, s.status, L"", job), S_OK);
    }
    // The callback hands its calls to the routine with the job as user value.
    EXPECT_EQ(job->callback->OnProgress(0, 0, BINDSTATUS_BEGINDOWNLOADDATA, L""), S_OK);
    job->callback->abort();
    EXPECT_EQ(job->callback->OnProgress(10, 200, BINDSTATUS_DOWNLOADINGDATA, L""), E_ABORT);
    free_update_download(job);

    PostMessageW(inbox.window(), WM_NULL, 0, 0);
    std::vector<Posted> messages;
    ASSERT_TRUE(inbox.collect_until(WM_NULL, messages));
    EXPECT_EQ(progress_codes(messages),
              (std::vector<WPARAM>{UPDATE_PROGRESS_DOWNLOAD_BEGAN, 25, UPDATE_PROGRESS_DOWNLOAD_ENDED,
                                   UPDATE_PROGRESS_DOWNLOAD_BEGAN}));
}

TEST(BindStatusCallback, CountsReferencesAndAnswersItsInterfacesOnly) {
    CBindStatusCallback* callback = CBindStatusCallback::create();
    ASSERT_NE(callback, nullptr);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(callback->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&unknown)), S_OK);
    IBindStatusCallback* status = nullptr;
    ASSERT_EQ(callback->QueryInterface(__uuidof(IBindStatusCallback), reinterpret_cast<void**>(&status)), S_OK);
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(callback->QueryInterface(__uuidof(IStream), &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(status->OnProgress(1, 2, BINDSTATUS_DOWNLOADINGDATA, L""), S_OK);  // no routine
    EXPECT_EQ(unknown->Release(), 2u);
    EXPECT_EQ(status->Release(), 1u);
    EXPECT_EQ(callback->Release(), 0u);
}

std::wstring beside_this_program(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    tool_path(name, path);
    return path;
}

TEST(FileVersionString, Table) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    struct Case {
        const char* what;
        std::wstring path;
        size_t bytes;
        bool found;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"its first translation", self, 64, true, L"2024.08.06"},
        {"cut to the buffer", self, 8, true, L"202"},
        {"the US English fallback", beside_this_program(L"version_fallback.dll"), 64, true, L"7.6.5"},
        {"no version resource", ytdlp_path(), 64, false, L""},
        {"no such file", beside_this_program(L"bin\\missing.exe"), 64, false, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        wchar_t out[64];
        text_copy(out, L"untouched");
        EXPECT_EQ(file_version_string(c.path.c_str(), out, c.bytes), c.found);
        EXPECT_STREQ(out, c.text);
    }
}

std::string utf16le_with_mark(const std::string& ascii) {
    std::string bytes = "\xFF\xFE";
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

struct XmlCase {
    const char* what;
    std::string xml;
    bool ok;
    const wchar_t* error;
    const wchar_t* version;  // the text of "update/version"
};

TEST(LoadXml, Table) {
    const XmlCase cases[] = {
        {"plain", "<r><update><version>1.59</version></update></r>", true, L"", L"1.59"},
        {"namespaces: local names", "<t:r xmlns:t=\"urn:t\"><t:update><t:version>2</t:version></t:update></t:r>",
         true, L"", L"2"},
        {"UTF-16 with its mark", utf16le_with_mark("<r><update><version>3</version></update></r>"), true, L"", L"3"},
        {"a comment only", "<!-- nothing -->", false, nullptr, L""},
        {"an element only", "<update/>", true, L"", L""},
        {"two roots", "<a/><b/>", false, L"Parsing XML echoue", L""},
        {"not closed", "<r><update>", false, L"Parsing XML echoue", L""},
        {"cut in a text", "<r><update><version>1.5", false, L"Parsing XML echoue", L""},
        {"cut in a tag", "<r><update><version>1.59</version></upd", false, L"Parsing XML echoue", L""},
        {"junk after the root", "<r/>junk", false, L"Parsing XML echoue", L""},
        {"a document type", "<!DOCTYPE r><r/>", false, L"Parsing XML echoue", L""},
        {"empty", "", false, L"Buffer vide", L""},
    };
    for (const XmlCase& c : cases) {
        SCOPED_TRACE(c.what);
        XmlDocument document;
        HRESULT result =
            load_xml_bytes(reinterpret_cast<const unsigned char*>(c.xml.data()), c.xml.size(), document);
        EXPECT_EQ(SUCCEEDED(result), c.ok);
        if (c.error) {
            EXPECT_EQ(document.error, c.error);
        } else {
            EXPECT_FALSE(document.error.empty());
        }
        EXPECT_EQ(c.ok, document.root != nullptr) << "a failed document holds no tree";
        EXPECT_EQ(std::wstring(xml_path_text(document.root.get(), L"update/version")), c.version);
    }
}

}  // namespace
