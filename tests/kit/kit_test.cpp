// Runs the stand-in yt-dlp.exe the way a downloader front-end does: from the
// kit layout beside this test, through CreateProcessW with one anonymous pipe
// for stdout and stderr, and checks what it replays, the files it leaves,
// its exit codes and the processes it makes.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "app/media/json.h"
#include "base/utf.h"
#include "tests/test_support.h"

namespace {

constexpr char RECORDED_FOLDER[] = "C:\\Users\\user\\Downloads\\";
constexpr DWORD FINISH_TIMEOUT_MS = 20000;

class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
    void reset() {
        if (valid()) {
            CloseHandle(handle_);
        }
        handle_ = nullptr;
    }

private:
    HANDLE handle_;
};

std::wstring folder_of_this_test() {
    wchar_t path[MAX_PATH * 2];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring standin_path() {
    return folder_of_this_test() + L"layout\\bin\\yt-dlp.exe";
}

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
    for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
    }
    return text;
}

bool read_file(const std::wstring& path, std::string& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    char buffer[65536];
    DWORD got = 0;
    bytes.clear();
    while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    return true;
}

bool write_file(const std::wstring& path, const std::string& bytes) {
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.valid() && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool file_exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A fresh folder under %TEMP% with a non-ASCII name, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        static unsigned counter = 0;
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        path_ = std::wstring(base) + L"tavlo-kit-\u00fc-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter) + L"\\";
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(path_), ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& path() const { return path_; }  // ends with a backslash
    std::string utf8() const { return wide_to_utf8(path_); }

private:
    std::wstring path_;
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

struct ProcessEntry {
    DWORD id;
    DWORD parentId;
    std::wstring exe;
};

std::vector<ProcessEntry> all_processes() {
    std::vector<ProcessEntry> processes;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    if (!snapshot.valid() || !Process32FirstW(snapshot.get(), &entry)) {
        return processes;
    }
    do {
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    } while (Process32NextW(snapshot.get(), &entry));
    return processes;
}

std::vector<ProcessEntry> children_of(DWORD parentId) {
    std::vector<ProcessEntry> children = all_processes();
    std::erase_if(children, [parentId](const ProcessEntry& p) { return p.parentId != parentId || p.id == parentId; });
    return children;
}

// Children, their children and so on: a console program's conhost.exe, the
// stand-in's child and that one's conhost.exe.
std::vector<ProcessEntry> descendants_of(DWORD rootId) {
    std::vector<ProcessEntry> all = all_processes();
    std::vector<ProcessEntry> found;
    std::vector<DWORD> parents = {rootId};
    while (!parents.empty()) {
        DWORD parent = parents.back();
        parents.pop_back();
        for (const ProcessEntry& p : all) {
            // Process ids are reused: a stale parent id must not make a loop.
            bool seen = p.id == rootId ||
                        std::any_of(found.begin(), found.end(), [&p](const ProcessEntry& f) { return f.id == p.id; });
            if (p.parentId == parent && !seen) {
                found.push_back(p);
                parents.push_back(p.id);
            }
        }
    }
    return found;
}

// A started stand-in; whatever still runs of its tree is killed when it goes.
struct Started {
    UniqueHandle process;
    DWORD id = 0;
    UniqueHandle output;  // read end of the stdout+stderr pipe

    Started() = default;
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;
    ~Started() {
        if (!process.valid()) {
            return;
        }
        std::vector<ProcessEntry> descendants = descendants_of(id);
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), FINISH_TIMEOUT_MS);
        for (const ProcessEntry& child : descendants) {
            UniqueHandle handle(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, child.id));
            if (handle.valid()) {
                TerminateProcess(handle.get(), 1);
                WaitForSingleObject(handle.get(), FINISH_TIMEOUT_MS);
            }
        }
    }
};

// As a downloader front-end starts a tool: hidden, stdout and stderr into one
// pipe whose read end stays private, the write end closed once started.
bool start_standin(const std::wstring& arguments, Started& started) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return false;
    }
    UniqueHandle reader(readEnd);
    UniqueHandle writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    std::wstring exe = standin_path();
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info)) {
        return false;
    }
    CloseHandle(info.hThread);
    started.process = UniqueHandle(info.hProcess);
    started.id = info.dwProcessId;
    started.output = std::move(reader);
    return true;
}

std::string read_to_end(HANDLE pipe) {
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    return bytes;
}

std::string read_available(HANDLE pipe) {
    std::string bytes;
    char buffer[4096];
    DWORD available = 0;
    DWORD got = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
           ReadFile(pipe, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    return bytes;
}

struct Finished {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
};

Finished run_standin(const std::wstring& arguments) {
    Finished finished;
    Started started;
    if (!start_standin(arguments, started)) {
        DWORD error = GetLastError();
        ADD_FAILURE() << "cannot start " << wide_to_utf8(standin_path()) << " (error " << error << ")";
        return finished;
    }
    finished.output = read_to_end(started.output.get());
    EXPECT_EQ(WaitForSingleObject(started.process.get(), FINISH_TIMEOUT_MS), WAIT_OBJECT_0);
    GetExitCodeProcess(started.process.get(), &finished.exitCode);
    return finished;
}

std::wstring output_template(const TempFolder& folder) {
    return L"\"" + folder.path() + L"%(title)s.%(ext)s\"";
}

TEST(KitStandin, ReplaysTheRecordingOfTheLinkWithItsExitCode) {
    struct Case {
        const wchar_t* arguments;
        const char* fixture;  // null: expect text
        const char* text;
        DWORD exitCode;
    };
    const Case kCases[] = {
        {L"-j -i --proxy \"\" --cookies-from-browser \"firefox:C:\\Profiles\\x y\" --video-password P "
         L"--encoding UTF-8 --no-playlist -- \"http://127.0.0.1:8765/media/sample.mp4\"",
         "ytdlp-j-direct-mp4.out", nullptr, 0},
        {L"-j -i --encoding UTF-8 http://127.0.0.1:8765/pages/multi.html", "ytdlp-j-html-multi-playlist.out", nullptr,
         0},
        {L"-j -i -- http://127.0.0.1:8765/media/missing.mp4", "ytdlp-j-404.out", nullptr, 1},
        {L"-j -i -- http://127.0.0.1:9/any/thing.mp4", "ytdlp-j-unreachable.out", nullptr, 1},
        {L"--version", "ytdlp-version.out", nullptr, 0},
        {L"-j -i -- http://127.0.0.1:8765/never/recorded", nullptr,
         "ERROR: Unsupported URL: http://127.0.0.1:8765/never/recorded\n", 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(wide_to_utf8(c.arguments));
        Finished run = run_standin(c.arguments);
        std::string expected = c.fixture ? read_test_file(std::string("fixtures/") + c.fixture) : c.text;
        EXPECT_EQ(run.output, expected);
        EXPECT_EQ(run.exitCode, c.exitCode);
    }
}

TEST(KitStandin, DownloadWritesIntoTheTemplateFolderAndLeavesTheFinalFiles) {
    struct Case {
        const wchar_t* options;
        const wchar_t* link;
        const char* fixture;
        std::vector<const char*> present;
        std::vector<const char*> absent;
    };
    const Case kCases[] = {
        {L"", L"http://127.0.0.1:8765/media/sample.mp4", "ytdlp-download-direct-mp4.out", {"sample.mp4"},
         {"sample.mp4.part"}},
        {L"--newline -x --audio-format mp3 --audio-quality 320K", L"http://127.0.0.1:8765/media/sample.mp4",
         "ytdlp-download-extract-audio-mp3-newline.out", {"sample.mp3"}, {"sample.mp4", "sample.mp4.part"}},
        {L"--newline", L"http://127.0.0.1:8765/pages/video.html", "ytdlp-download-html-unicode-title-newline.out",
         {"Tëst vidéo： ＂Ünïcödé＂ 日本語 ｜ part？1 (1).mp4"}, {"Tëst vidéo： ＂Ünïcödé＂ 日本語 ｜ part？1 (1).mp4.part"}},
        {L"-f 450+aud-English", L"http://127.0.0.1:8765/hls/master/master.m3u8",
         "ytdlp-download-hls-merge-bv-ba.out", {"master.mp4"},
         {"master.f450.mp4", "master.faud-English.mp4", "master.f450.mp4.part"}},
        {L"--skip-download --write-subs --sub-langs en --convert-subs srt",
         L"http://127.0.0.1:8765/hls/master/master.m3u8", "ytdlp-subs-only-hls-webvtt-to-srt.out", {"master.en.srt"},
         {"master.en.vtt", "master.en.vtt.part", "master.mp4"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.fixture);
        TempFolder folder;
        Finished run = run_standin(L"-o " + output_template(folder) + L" -i " + c.options + L" --encoding UTF-8 -- " +
                                   c.link);
        std::string recorded = read_test_file(std::string("fixtures/") + c.fixture);
        EXPECT_EQ(run.output, replace_all(recorded, RECORDED_FOLDER, folder.utf8()));
        EXPECT_EQ(run.exitCode, 0u);
        for (const char* name : c.present) {
            EXPECT_TRUE(file_exists(folder.path() + utf8_to_wide(name))) << name;
        }
        for (const char* name : c.absent) {
            EXPECT_FALSE(file_exists(folder.path() + utf8_to_wide(name))) << name;
        }
    }
}

TEST(KitStandin, SecondDownloadIntoTheSameFolderFindsTheFile) {
    TempFolder folder;
    std::wstring arguments = L"-o " + output_template(folder) + L" -i --encoding UTF-8 -- " +
                             L"http://127.0.0.1:8765/media/sample.mp4";
    Finished first = run_standin(arguments);
    Finished second = run_standin(arguments);
    std::string recorded = read_test_file("fixtures/ytdlp-download-direct-mp4-already-downloaded.out");
    EXPECT_EQ(second.output, replace_all(recorded, RECORDED_FOLDER, folder.utf8()));
    EXPECT_EQ(second.exitCode, 0u);
}

TEST(KitStandin, ArgumentLogShowsEachQuotedValueAsOneArgument) {
    struct Case {
        const wchar_t* quoted;  // as it stands on the command line
        const char* value;      // the one argument it must arrive as
    };
    const Case kCases[] = {
        {L"\"tab\there\"", "tab\there"},
        {L"\"say \\\"hi\\\" twice\"", "say \"hi\" twice"},
        {L"\"C:\\dir with space\\\\\"", "C:\\dir with space\\"},
        {L"\"x\\\\\\\"y\"", "x\\\"y"},
        {L"C:\\unquoted\\trailing\\", "C:\\unquoted\\trailing\\"},
        {L"\"\"", ""},
        {L"\"\u65e5\u672c \u00fc\"", "日本 ü"},
        {L"\"-leading dash\"", "-leading dash"},
        {L"\"http://127.0.0.1:8765/a?b=\\\"c\\\"&d=e\\\\\"", "http://127.0.0.1:8765/a?b=\"c\"&d=e\\"},
    };
    TempFolder folder;
    std::wstring log = folder.path() + L"args.jsonl";
    ScopedEnvironment logSetting(L"TAVLO_KIT_ARGS_LOG", log);
    // The first value goes to an option, the others are links after "--".
    std::wstring arguments = std::wstring(L"-j --video-password ") + kCases[0].quoted + L" --";
    for (size_t i = 1; i < std::size(kCases); ++i) {
        arguments += std::wstring(L" ") + kCases[i].quoted;
    }
    Finished run = run_standin(arguments);
    EXPECT_EQ(run.exitCode, 1u);  // every link after "--" is unknown
    EXPECT_NE(run.output.find("ERROR: Unsupported URL: -leading dash\n"), std::string::npos);

    std::string line;
    ASSERT_TRUE(read_file(log, line));
    ASSERT_FALSE(line.empty());
    ASSERT_EQ(line.back(), '\n');
    JsonValue argv;
    ASSERT_TRUE(parse_json(line.data(), line.size() - 1, argv)) << line;
    ASSERT_TRUE(argv.is(JsonKind::Array));
    const size_t fixed = 4;  // the program, -j, --video-password and "--"
    ASSERT_EQ(argv.size(), std::size(kCases) + fixed);
    EXPECT_EQ(argv.element(0).as_bytes(), wide_to_utf8(standin_path()));
    EXPECT_EQ(argv.element(1).as_bytes(), "-j");
    EXPECT_EQ(argv.element(2).as_bytes(), "--video-password");
    EXPECT_EQ(argv.element(3).as_bytes(), kCases[0].value);
    EXPECT_EQ(argv.element(4).as_bytes(), "--");
    for (size_t i = 1; i < std::size(kCases); ++i) {
        SCOPED_TRACE(wide_to_utf8(kCases[i].quoted));
        EXPECT_TRUE(argv.element(i + fixed).is(JsonKind::String));
        EXPECT_EQ(argv.element(i + fixed).as_bytes(), kCases[i].value);
    }
}

// The live recording through ffmpeg: the scenario keeps printing after the
// recorded start and has a child standing in for ffmpeg.
bool start_live_recording(const TempFolder& folder, Started& started) {
    return start_standin(L"-o " + output_template(folder) +
                             L" -i --encoding UTF-8 --downloader ffmpeg --hls-use-mpegts -- "
                             L"http://127.0.0.1:8765/live/index.m3u8",
                         started);
}

TEST(KitStandin, LiveRecordingStaysAliveUntilKilled) {
    TempFolder folder;
    Started started;
    ASSERT_TRUE(start_live_recording(folder, started));
    // On a busy machine the first records may take a while: wait for the
    // destination line (at most 10 s), then the recording must still run.
    const std::string destination = "[download] Destination: " + folder.utf8() + "index.mp4\n";
    std::string output;
    for (int tries = 0; tries < 100 && output.find(destination) == std::string::npos; ++tries) {
        Sleep(100);
        output += read_available(started.output.get());
    }
    EXPECT_NE(output.find(destination), std::string::npos) << output;
    EXPECT_EQ(WaitForSingleObject(started.process.get(), 1000), static_cast<DWORD>(WAIT_TIMEOUT));
    std::string part;
    EXPECT_TRUE(read_file(folder.path() + L"index.mp4.part", part));
    EXPECT_EQ(part, read_test_file("fixtures/live-partial.ts"));

    EXPECT_TRUE(TerminateProcess(started.process.get(), 1));
    EXPECT_EQ(WaitForSingleObject(started.process.get(), FINISH_TIMEOUT_MS), WAIT_OBJECT_0);
}

TEST(KitStandin, LiveRecordingHasAChildProcessOfItsOwn) {
    TempFolder folder;
    Started started;
    ASSERT_TRUE(start_live_recording(folder, started));
    // A console program started without a window also gets a conhost.exe
    // child (Windows does that, and so does Wine): look for the stand-in's own.
    std::vector<ProcessEntry> children;
    for (int tries = 0; tries < 50 && children.empty(); ++tries) {
        Sleep(100);
        children = children_of(started.id);
        std::erase_if(children, [](const ProcessEntry& p) { return p.exe != L"yt-dlp.exe"; });
    }
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0].parentId, started.id);
    UniqueHandle child(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, children[0].id));
    ASSERT_TRUE(child.valid());
    EXPECT_EQ(WaitForSingleObject(child.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // Kill the tree as the program would: afterwards the pipe reaches its end.
    EXPECT_TRUE(TerminateProcess(started.process.get(), 1));
    EXPECT_TRUE(TerminateProcess(child.get(), 1));
    EXPECT_EQ(WaitForSingleObject(child.get(), FINISH_TIMEOUT_MS), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(started.process.get(), FINISH_TIMEOUT_MS), WAIT_OBJECT_0);
    read_to_end(started.output.get());
}

TEST(KitStandin, ScenarioFolderFromTheEnvironment) {
    TempFolder kit;
    ASSERT_TRUE(write_file(kit.path() + L"a.scenario",
                           "link-prefix kit:\n"
                           "mode metadata\n"
                           "  say prefix\\n\n"
                           "  exit 3\n"));
    ASSERT_TRUE(write_file(kit.path() + L"b.scenario",
                           "# exact links win over prefixes; more conditions win over fewer\n"
                           "link kit:exact\n"
                           "mode metadata\n"
                           "  say exact\\ttab\\r\n"
                           "  say \\x41\\\\\\n\n"
                           "mode metadata\n"
                           "  if-arg -f 22\n"
                           "  say with -f 22\\n\n"
                           "  exit 4\n"));
    ScopedEnvironment kitSetting(L"TAVLO_KIT_DIR", kit.path());
    struct Case {
        const wchar_t* arguments;
        const char* output;
        DWORD exitCode;
    };
    const Case kCases[] = {
        {L"-j -- kit:other", "prefix\n", 3},
        {L"-j -- kit:exact", "exact\ttab\rA\\\n", 0},
        {L"-j -f 22 kit:exact", "with -f 22\n", 4},
        {L"-j -f 23 kit:exact kit:other", "exact\ttab\rA\\\nprefix\n", 3},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(wide_to_utf8(c.arguments));
        Finished run = run_standin(c.arguments);
        EXPECT_EQ(run.output, c.output);
        EXPECT_EQ(run.exitCode, c.exitCode);
    }
}

TEST(KitStandin, WritesOneRecordAtATimeWithThePauseBetween) {
    TempFolder kit;
    ASSERT_TRUE(write_file(kit.path() + L"records.scenario",
                           "link kit:records\n"
                           "mode download\n"
                           "  say \\r[download]   1.0%\\r[download] 100% of 1KiB\\n\n"
                           "  say done\n"
                           "  pause 400\n"));
    ScopedEnvironment kitSetting(L"TAVLO_KIT_DIR", kit.path());
    Started started;
    ASSERT_TRUE(start_standin(L"kit:records", started));
    // Each read returns what has been written so far: with 400 ms between
    // records, that is one record.
    const char* const kRecords[] = {"\r", "[download]   1.0%\r", "[download] 100% of 1KiB\n", "done"};
    for (const char* record : kRecords) {
        char buffer[256];
        DWORD got = 0;
        ASSERT_TRUE(ReadFile(started.output.get(), buffer, sizeof(buffer), &got, nullptr));
        EXPECT_EQ(std::string(buffer, got), record);
    }
    EXPECT_EQ(read_to_end(started.output.get()), "");
    EXPECT_EQ(WaitForSingleObject(started.process.get(), FINISH_TIMEOUT_MS), WAIT_OBJECT_0);
}

}  // namespace
