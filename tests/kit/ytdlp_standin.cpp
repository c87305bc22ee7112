// yt-dlp.exe of the test kit: answers yt-dlp command lines by replaying the
// recorded output of the real tool (tests/fixtures) that a scenario file
// names for the link, and makes the files that output talks about, so that
// the program under test can drive it exactly like the real one.
//
// Kit errors (a broken scenario, a missing fixture, a file it cannot make)
// print "kit error: ..." and exit 99, so that a test fails loudly.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/utf.h"
#include "tests/kit/replay.h"
#include "tests/kit/scenario.h"
#include "tests/kit/ytdlp_args.h"

namespace {

constexpr int KIT_ERROR_EXIT = 99;
constexpr int USAGE_EXIT = 2;
constexpr DWORD CHILD_INTERVAL_MS = 1000;
constexpr std::string_view DEFAULT_FILE_BYTES = "tavlo kit stand-in file\n";
constexpr std::string_view DEFAULT_ALIVE_RECORD =
    "[download]  50.0% of ~  10.00MiB at  200.00KiB/s ETA 00:25 (frag {n}/100)\n";
constexpr std::string_view CHILD_RECORD = "[kit child] still running\n";

class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~UniqueHandle() {
        if (valid()) {
            CloseHandle(handle_);
        }
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            if (valid()) {
                CloseHandle(handle_);
            }
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

class FindScope {
public:
    explicit FindScope(HANDLE find) : find_(find) {}
    ~FindScope() {
        if (find_ != INVALID_HANDLE_VALUE) {
            FindClose(find_);
        }
    }
    FindScope(const FindScope&) = delete;
    FindScope& operator=(const FindScope&) = delete;

private:
    HANDLE find_;
};

// Everything goes to standard output: the program under test joins stdout and
// stderr into one pipe anyway. Unbuffered, so each record leaves at once.
// False once nobody reads any more.
bool write_output(std::string_view bytes) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    while (!bytes.empty()) {
        DWORD written = 0;
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        if (!WriteFile(out, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

int kit_error(const std::string& message) {
    write_output("kit error: " + message + "\n");
    return KIT_ERROR_EXIT;
}

std::string error_text(const char* what, const std::string& path, DWORD code) {
    return std::string(what) + " " + path + " (error " + std::to_string(code) + ")";
}

// The one place where the command line becomes UTF-8.
std::vector<std::string> command_line_arguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv) {
        return args;
    }
    for (int i = 0; i < count; ++i) {
        args.push_back(wide_to_utf8(argv[i]));
    }
    LocalFree(argv);
    return args;
}

std::wstring environment_value(const wchar_t* name) {
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return std::wstring();
    }
    std::wstring value(size, L'\0');
    DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

std::wstring module_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return std::wstring();
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// TAVLO_KIT_DIR, else the kit folder beside this program.
std::wstring kit_folder() {
    std::wstring folder = environment_value(L"TAVLO_KIT_DIR");
    if (folder.empty()) {
        folder = module_path();
        folder.resize(folder.find_last_of(L"\\/") + 1);
        folder += L"kit";
    }
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') {
        folder += L'\\';
    }
    return folder;
}

bool read_file(const std::wstring& path, std::string& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    bytes.clear();
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    return true;
}

bool load_scenarios(const std::wstring& folder, std::vector<Scenario>& scenarios, std::string& error) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"*.scenario").c_str(), &found);
    FindScope scope(find);
    if (find == INVALID_HANDLE_VALUE) {
        error = "no *.scenario files in " + wide_to_utf8(folder);
        return false;
    }
    std::vector<std::wstring> names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            names.push_back(found.cFileName);
        }
    } while (FindNextFileW(find, &found));
    std::sort(names.begin(), names.end());
    for (const std::wstring& name : names) {
        std::string text;
        std::string why;
        Scenario scenario;
        if (!read_file(folder + name, text)) {
            error = "cannot read " + wide_to_utf8(folder + name);
            return false;
        }
        if (!parse_scenario(text, scenario, why)) {
            error = wide_to_utf8(name) + ":" + why;
            return false;
        }
        scenario.name = wide_to_utf8(name);
        scenarios.push_back(std::move(scenario));
    }
    return check_scenarios(scenarios, error);
}

std::string json_string(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escape[8];
            static const char kHex[] = "0123456789abcdef";
            escape[0] = '\\';
            escape[1] = 'u';
            escape[2] = '0';
            escape[3] = '0';
            escape[4] = kHex[u >> 4];
            escape[5] = kHex[u & 15];
            out.append(escape, 6);
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

// One JSON array per run, appended in a single write so that runs side by
// side do not mix their lines.
bool append_argument_log(const std::wstring& path, const std::vector<std::string>& argv) {
    std::string line = "[";
    for (size_t i = 0; i < argv.size(); ++i) {
        line += i ? "," : "";
        line += json_string(argv[i]);
    }
    line += "]\n";
    UniqueHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.valid() && WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size();
}

// yt-dlp makes missing output folders; so does the stand-in. Failures show
// up when the file itself is created.
void make_parent_folders(const std::wstring& path) {
    for (size_t i = path.find_first_of(L"\\/", 3); i != std::wstring::npos; i = path.find_first_of(L"\\/", i + 1)) {
        CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }
}

struct FileWork {
    std::string content;
    std::string convertSubs;
    std::string pending;  // final path of the download whose .part is open
    std::vector<std::string> subtitles;
    std::string error;
};

bool make_file(FileWork& work, const std::string& path, bool keepExisting) {
    std::wstring wide = utf8_to_wide(path);
    make_parent_folders(wide);
    UniqueHandle file(CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, keepExisting ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        DWORD code = GetLastError();
        if (keepExisting && code == ERROR_FILE_EXISTS) {
            return true;
        }
        work.error = error_text("cannot create", path, code);
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), work.content.data(), static_cast<DWORD>(work.content.size()), &written, nullptr)) {
        work.error = error_text("cannot write", path, GetLastError());
        return false;
    }
    return true;
}

bool finish_pending(FileWork& work) {
    if (work.pending.empty()) {
        return true;
    }
    std::string part = work.pending + ".part";
    bool moved = MoveFileExW(utf8_to_wide(part).c_str(), utf8_to_wide(work.pending).c_str(), MOVEFILE_REPLACE_EXISTING);
    DWORD code = moved ? 0 : GetLastError();
    if (!moved) {
        work.error = error_text("cannot rename", part, code);
    }
    work.pending.clear();
    return moved;
}

bool apply_file_action(FileWork& work, const FileAction& action) {
    switch (action.effect) {
    case FileEffect::None:
        return true;
    case FileEffect::PartStarted:
        if (!finish_pending(work) || !make_file(work, action.path + ".part", false)) {
            return false;
        }
        work.pending = action.path;
        return true;
    case FileEffect::PartFinished:
        return finish_pending(work);
    case FileEffect::FileMade:
        return finish_pending(work) && make_file(work, action.path, true);
    case FileEffect::SubtitleWritten:
        work.subtitles.push_back(action.path);
        return make_file(work, action.path, true);
    case FileEffect::SubtitlesConverted:
        for (const std::string& subtitle : work.subtitles) {
            if (!work.convertSubs.empty() && !make_file(work, with_extension(subtitle, work.convertSubs), true)) {
                return false;
            }
        }
        return true;
    case FileEffect::FileDeleted:
        if (!DeleteFileW(utf8_to_wide(action.path).c_str())) {
            DWORD code = GetLastError();
            if (code != ERROR_FILE_NOT_FOUND) {
                work.error = error_text("cannot delete", action.path, code);
                return false;
            }
        }
        return true;
    }
    return true;
}

// Ended with the block that started it, unless this program is killed first:
// then it runs on, as ffmpeg does when only yt-dlp is killed.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() {
        if (handle.valid() && WaitForSingleObject(handle.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(handle.get(), 1);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    UniqueHandle handle;
};

// The same program as a child that only prints now and then, standing in for
// the ffmpeg that yt-dlp runs, so that a process tree exists to pause and kill.
UniqueHandle start_child(unsigned seconds, DWORD& error) {
    std::wstring exe = module_path();
    std::wstring command = L"\"" + exe + L"\" --kit-child " + std::to_wstring(seconds);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    HANDLE inheritable = nullptr;
    HANDLE self = GetCurrentProcess();
    if (DuplicateHandle(self, GetStdHandle(STD_OUTPUT_HANDLE), self, &inheritable, 0, TRUE, DUPLICATE_SAME_ACCESS)) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = inheritable;
        startup.hStdError = inheritable;
    }
    UniqueHandle output(inheritable);
    // No creation flags: the child shares this program's console, as ffmpeg
    // shares yt-dlp's. A console of its own would mean a conhost.exe of its
    // own, which under Wine holds the output pipe too and can outlive a child
    // killed while starting, so that the pipe never ends.
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        error = GetLastError();
        return UniqueHandle();
    }
    CloseHandle(info.hThread);
    return UniqueHandle(info.hProcess);
}

bool time_is_up(uint64_t since, unsigned seconds) {
    return GetTickCount64() - since >= uint64_t{seconds ? seconds : UNTIL_KILLED_LIMIT_S} * 1000;
}

int run_child(unsigned seconds) {
    uint64_t start = GetTickCount64();
    while (!time_is_up(start, seconds)) {
        Sleep(CHILD_INTERVAL_MS);
        if (!write_output(CHILD_RECORD)) {
            return 0;
        }
    }
    return 0;
}

// Replays block for one link. Returns its exit code, 1 when nobody reads the
// output any more, KIT_ERROR_EXIT for kit errors.
int run_block(const ScenarioBlock& block, const std::wstring& folder, const ToolRequest& request) {
    std::vector<std::string> outputs;
    for (const ReplayStep& step : block.steps) {
        outputs.emplace_back(step.fromFile ? std::string() : step.text);
        if (step.fromFile && !read_file(folder + utf8_to_wide(step.text), outputs.back())) {
            return kit_error("cannot read " + step.text + " (line " + std::to_string(block.line) + ")");
        }
    }
    FileWork work;
    work.convertSubs = request.convertSubs;
    work.content = std::string(DEFAULT_FILE_BYTES);
    if (!block.contentFile.empty() && !read_file(folder + utf8_to_wide(block.contentFile), work.content)) {
        return kit_error("cannot read " + block.contentFile + " (line " + std::to_string(block.line) + ")");
    }

    ChildProcess child;
    if (block.child) {
        DWORD code = 0;
        child.handle = start_child(block.childSeconds, code);
        if (!child.handle.valid()) {
            return kit_error("cannot start the child process (line " + std::to_string(block.line) + ", error " +
                             std::to_string(code) + ")");
        }
    }
    // Files are made before their record is written: when the program under
    // test reads a line, the folder already shows what the line says.
    for (const std::string& bytes : outputs) {
        for (size_t pos = 0; pos < bytes.size();) {
            size_t end = record_end(bytes, pos);
            std::string_view recorded(bytes.data() + pos, end - pos);
            pos = end;
            std::string record = request.hasOutputTemplate
                                     ? replace_all(recorded, RECORDED_OUTPUT_FOLDER, request.outputFolder)
                                     : std::string(recorded);
            // Without -o the recorded paths name the capture machine's folder: leave the disk alone.
            if (request.hasOutputTemplate && !apply_file_action(work, read_file_action(record))) {
                return kit_error(work.error);
            }
            if (!write_output(record)) {
                return 1;
            }
            if (block.pauseMs) {
                Sleep(block.pauseMs);
            }
        }
    }
    if (block.alive) {
        std::string_view pattern = block.aliveRecord.empty() ? DEFAULT_ALIVE_RECORD : block.aliveRecord;
        uint64_t aliveStart = GetTickCount64();
        for (unsigned count = 1; !time_is_up(aliveStart, block.aliveSeconds); ++count) {
            uint64_t clock = block.aliveClockMs + (GetTickCount64() - aliveStart);
            if (!write_output(expand_alive_record(pattern, count, clock))) {
                return 1;
            }
            Sleep(block.aliveIntervalMs);
        }
    }
    // A failed run leaves its .part behind, as yt-dlp does.
    if (block.exitCode == 0 && !finish_pending(work)) {
        return kit_error(work.error);
    }
    if (child.handle.valid()) {
        WaitForSingleObject(child.handle.get(), INFINITE);
    }
    return static_cast<int>(block.exitCode);
}

const char* kind_name(RunKind kind) {
    switch (kind) {
    case RunKind::Metadata:
        return "metadata";
    case RunKind::Download:
    case RunKind::DownloadNewline:
        return "download";
    case RunKind::Version:
        return "version";
    case RunKind::Update:
        return "update";
    }
    return "?";
}

}  // namespace

int wmain(int, wchar_t**) {
    std::vector<std::string> argv = command_line_arguments();
    if (argv.size() == 3 && argv[1] == "--kit-child") {
        return run_child(static_cast<unsigned>(std::strtoul(argv[2].c_str(), nullptr, 10)));
    }
    std::wstring logPath = environment_value(L"TAVLO_KIT_ARGS_LOG");
    if (!logPath.empty() && !append_argument_log(logPath, argv)) {
        return kit_error("cannot append to " + wide_to_utf8(logPath));
    }
    std::vector<std::string> args(argv.size() > 1 ? argv.begin() + 1 : argv.end(), argv.end());
    ToolRequest request = read_tool_request(args);

    std::wstring folder = kit_folder();
    std::vector<Scenario> scenarios;
    std::string error;
    if (!load_scenarios(folder, scenarios, error)) {
        return kit_error(error);
    }
    BlockQuery query;
    query.kind = request.kind;
    query.newline = request.newline;
    query.args = &args;
    query.exists = [&request](const std::string& name) {
        return GetFileAttributesW(utf8_to_wide(request.outputFolder + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    };

    if (request.kind == RunKind::Version || request.kind == RunKind::Update) {
        for (const Scenario& scenario : scenarios) {
            if (const ScenarioBlock* block = choose_block(scenario, query)) {
                return run_block(*block, folder, request);
            }
        }
        return kit_error(std::string("no scenario has a ") + kind_name(request.kind) + " block");
    }
    if (request.links.empty()) {
        write_output(
            "Usage: yt-dlp [OPTIONS] URL [URL...]\n\n"
            "yt-dlp: error: You must provide at least one URL.\n"
            "Type yt-dlp --help to see a list of all options.\n");
        return USAGE_EXIT;
    }
    // Like yt-dlp with -i: every link in turn, exit code 1 if any failed.
    int exitCode = 0;
    for (const std::string& link : request.links) {
        const Scenario* scenario = find_scenario(scenarios, link);
        int code = 1;
        if (!scenario) {
            if (!write_output("ERROR: Unsupported URL: " + link + "\n")) {
                return 1;
            }
        } else {
            if (!scenario->argsLog.empty() && !append_argument_log(folder + utf8_to_wide(scenario->argsLog), argv)) {
                return kit_error("cannot append to " + scenario->argsLog);
            }
            const ScenarioBlock* block = choose_block(*scenario, query);
            if (!block) {
                return kit_error(scenario->name + " has no " + kind_name(request.kind) +
                                 " block for this command line");
            }
            code = run_block(*block, folder, request);
            if (code == KIT_ERROR_EXIT) {
                return code;
            }
        }
        if (exitCode == 0) {
            exitCode = code;
        }
    }
    return exitCode;
}
