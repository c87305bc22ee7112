// Start-up and idle cost of tavlo.exe under Wine, measured from outside as a
// user sees it, side by side with a bare Win32 window program of the same
// build (the yardstick: Wine's own cost of starting a GUI process):
//   - process start to the main window shown with its hint (empty list),
//   - the same with 255 restored items whose metadata is cached, and the time
//     until every item shows its title and format link,
//   - the working set in both cases, and the CPU time the program uses while
//     it sits idle for 10 seconds with the 255 items.
// Every figure is the median of several runs. The program runs from the
// folder given as the first argument (tavlo.exe there, bare_window.exe
// beside this program); the prefix's data folder is moved aside and put back.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "app/items/download_item.h"
#include "app/items/item_rules.h"
#include "app/services/settings.h"
#include "app/shell/main_window.h"
#include "base/data_folder.h"
#include "base/text.h"

namespace {

constexpr int RUNS = 3;
constexpr int LIST_ITEMS = 255;
constexpr DWORD IDLE_MS = 10000;
constexpr DWORD WAIT_MS = 60000;

double now_ms() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Started {
    PROCESS_INFORMATION info = {};
    double startMs = 0;
    ~Started() {
        if (info.hProcess) {
            if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(info.hProcess, 99);
                WaitForSingleObject(info.hProcess, 10000);
            }
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
};

bool start(const std::wstring& path, Started& started) {
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    started.startMs = now_ms();
    return CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &started.info) != 0;
}

HWND visible_window_of(DWORD processId, const wchar_t* className) {
    struct Search {
        DWORD processId;
        const wchar_t* className;
        HWND found;
    } search = {processId, className, nullptr};
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            wchar_t name[64];
            if (pid == s->processId && IsWindowVisible(w) && GetClassNameW(w, name, 64) &&
                wcscmp(name, s->className) == 0) {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring text_of(HWND window) {
    wchar_t text[512] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &ignored);
    return text;
}

// Polls until ready() holds; the time since the process started, or -1.
template <typename Ready>
double time_until(const Started& started, Ready ready) {
    while (now_ms() - started.startMs < WAIT_MS) {
        if (ready()) {
            return now_ms() - started.startMs;
        }
        if (WaitForSingleObject(started.info.hProcess, 1) == WAIT_OBJECT_0) {
            return -1;
        }
    }
    return -1;
}

// The number of items that show their title and format link. The format
// link shows together with the title, and its visibility is read without a
// message to the program, so polling does not slow the program it measures;
// withTitles also reads every title (one message each).
int items_shown(HWND main, bool withTitles) {
    struct Count {
        int shown;
        bool withTitles;
    } count = {0, withTitles};
    EnumChildWindows(
        main,
        [](HWND child, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Count*>(lp);
            if (GetDlgCtrlID(child) == ID_ITEM_FORMAT && IsWindowVisible(child)) {
                if (!c->withTitles || text_of(GetDlgItem(GetParent(child), ID_ITEM_TITLE)) == L"sample") {
                    ++c->shown;
                }
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.shown;
}

double working_set_mb(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, &counters, sizeof(counters))) {
        return -1;
    }
    return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

double cpu_ms(HANDLE process) {
    FILETIME created;
    FILETIME ended;
    FILETIME kernel;
    FILETIME user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) {
        return -1;
    }
    auto ms = [](FILETIME t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

void close_program(const Started& started, HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    WaitForSingleObject(started.info.hProcess, 15000);
}

std::wstring folder_of(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

bool write_file(const std::wstring& path, const void* bytes, DWORD length) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, bytes, length, &written, nullptr) && written == length;
    CloseHandle(file);
    return ok;
}

std::string read_file(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    return bytes;
}

void remove_folder(const std::wstring& folder) {
    std::wstring pattern = folder + L"\\*";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0) {
                continue;
            }
            std::wstring path = folder + L"\\" + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_folder(path);
            } else {
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

// A list file of 255 links to the same small video, each with its metadata
// in the cache, as a list looks after the program has seen it once.
bool prepare_list(const std::wstring& dataFolder, const std::string& document, const std::wstring& downloads) {
    CreateDirectoryW((dataFolder + L"\\json").c_str(), nullptr);
    std::vector<unsigned char> list(static_cast<size_t>(LIST_ITEMS) * LIST_RECORD_SIZE);
    for (int i = 0; i < LIST_ITEMS; ++i) {
        ListRecord record = {};
        wchar_t link[128];
        text_format(link, L"http://127.0.0.1:8765/media/sample.mp4?copy=%d", i);
        text_copy(record.link, link);
        wchar_t key[33];
        if (!md5_hex(link, text_length(link) * sizeof(wchar_t), key)) {
            return false;
        }
        text_copy(record.key, key);
        text_copy(record.outputFolder, downloads.c_str());
        record.state = STATE_READY;
        unsigned char bytes[LIST_RECORD_SIZE];
        encode_list_record(record, bytes);
        std::memcpy(list.data() + static_cast<size_t>(i) * LIST_RECORD_SIZE, bytes, LIST_RECORD_SIZE);
        if (!write_file(dataFolder + L"\\json\\" + key, document.data(), static_cast<DWORD>(document.size()))) {
            return false;
        }
    }
    return write_file(dataFolder + L"\\list", list.data(), static_cast<DWORD>(list.size()));
}

struct Figures {
    std::vector<double> bareMs;
    std::vector<double> emptyMs;
    std::vector<double> emptyWorkingSetMb;
    std::vector<double> listWindowMs;
    std::vector<double> listShownMs;
    std::vector<double> listWorkingSetMb;
    std::vector<double> idleCpuPercent;
};

void print_row(const char* what, const std::vector<double>& values, const char* unit, const char* target) {
    std::printf("%-58s %9.1f %-3s %s\n", what, median(values), unit, target);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_bench PROGRAM_FOLDER CACHED_DOCUMENT\n");
        return 2;
    }
    std::wstring tavlo = std::wstring(argv[1]) + L"\\tavlo.exe";
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring bare = folder_of(self) + L"\\bare_window.exe";
    std::string document = read_file(argv[2]);
    if (document.empty()) {
        std::fprintf(stderr, "cannot read the cached document\n");
        return 2;
    }

    wchar_t folder[MAX_PATH];
    if (!data_folder(folder)) {
        return 2;
    }
    std::wstring dataFolder = folder;
    std::wstring aside = dataFolder + L".bench-aside";
    if (GetFileAttributesW(aside.c_str()) == INVALID_FILE_ATTRIBUTES) {
        MoveFileW(dataFolder.c_str(), aside.c_str());
    }
    remove_folder(dataFolder);
    std::wstring downloads = dataFolder + L".bench-downloads";
    CreateDirectoryW(downloads.c_str(), nullptr);

    set_settings_passphrase();
    // One untimed start of each first: the prefix's services and the file
    // cache warm up, so the runs measure the programs rather than Wine.
    for (const std::wstring* program : {&bare, &tavlo}) {
        Started started;
        if (start(*program, started)) {
            const wchar_t* className = program == &bare ? L"Tavlo_Bare" : MAIN_WINDOW_CLASS;
            HWND window = nullptr;
            time_until(started, [&] { return (window = visible_window_of(started.info.dwProcessId, className)) != nullptr; });
            Sleep(500);
            if (window) {
                close_program(started, window);
            }
        }
    }
    Figures figures;
    bool failed = false;
    for (int run = 0; run < RUNS && !failed; ++run) {
        {
            Started started;
            if (!start(bare, started)) {
                std::fprintf(stderr, "bare_window.exe did not start\n");
                failed = true;
                break;
            }
            HWND window = nullptr;
            double ms = time_until(started, [&] { return (window = visible_window_of(started.info.dwProcessId, L"Tavlo_Bare")) != nullptr; });
            figures.bareMs.push_back(ms);
            if (window) {
                close_program(started, window);
            }
        }

        // Empty list, no update check.
        remove_folder(dataFolder);
        CreateDirectoryW(dataFolder.c_str(), nullptr);
        Settings settings = {};
        set_default_settings(settings);
        settings.auto_update = 0;
        text_copy(settings.output_folder, downloads.c_str());
        if (!save_settings(settings)) {
            std::fprintf(stderr, "cannot write the settings\n");
            failed = true;
            break;
        }
        {
            Started started;
            if (!start(tavlo, started)) {
                std::fprintf(stderr, "tavlo.exe did not start\n");
                failed = true;
                break;
            }
            HWND window = nullptr;
            double ms = time_until(started, [&] {
                window = visible_window_of(started.info.dwProcessId, MAIN_WINDOW_CLASS);
                return window && IsWindowVisible(GetDlgItem(window, ID_HINT_TEXT));
            });
            figures.emptyMs.push_back(ms);
            Sleep(1000);
            figures.emptyWorkingSetMb.push_back(working_set_mb(started.info.hProcess));
            if (window) {
                close_program(started, window);
            }
        }

        // 255 restored items from the caches.
        if (!prepare_list(dataFolder, document, downloads)) {
            std::fprintf(stderr, "cannot write the list and its caches\n");
            failed = true;
            break;
        }
        {
            Started started;
            if (!start(tavlo, started)) {
                failed = true;
                break;
            }
            HWND window = nullptr;
            figures.listWindowMs.push_back(time_until(started, [&] {
                return (window = visible_window_of(started.info.dwProcessId, MAIN_WINDOW_CLASS)) != nullptr;
            }));
            double shown = time_until(started, [&] {
                Sleep(10);
                return window && items_shown(window, false) >= LIST_ITEMS;
            });
            figures.listShownMs.push_back(shown);
            int titled = window ? items_shown(window, true) : 0;
            if (shown < 0 || titled < LIST_ITEMS) {
                std::fprintf(stderr, "only %d of %d items showed their title and format link\n", titled, LIST_ITEMS);
                failed = true;
            }
            Sleep(1000);
            figures.listWorkingSetMb.push_back(working_set_mb(started.info.hProcess));
            double before = cpu_ms(started.info.hProcess);
            double idleStart = now_ms();
            Sleep(IDLE_MS);
            double used = cpu_ms(started.info.hProcess) - before;
            figures.idleCpuPercent.push_back(100.0 * used / (now_ms() - idleStart));
            if (window) {
                close_program(started, window);
            }
        }
    }

    remove_folder(dataFolder);
    remove_folder(downloads);
    if (GetFileAttributesW(aside.c_str()) != INVALID_FILE_ATTRIBUTES) {
        MoveFileW(aside.c_str(), dataFolder.c_str());
    }

    std::printf("Start-up under Wine, median of %d runs\n", RUNS);
    print_row("bare Win32 window program: start to window", figures.bareMs, "ms", "(yardstick)");
    print_row("tavlo.exe, empty list: start to window with hint", figures.emptyMs, "ms", "");
    std::printf("%-58s %9.1f %-3s %s\n", "  beyond the bare program", median(figures.emptyMs) - median(figures.bareMs),
                "ms", "target < 300");
    print_row("tavlo.exe, empty list: working set", figures.emptyWorkingSetMb, "MB", "");
    print_row("tavlo.exe, 255 cached items: start to window", figures.listWindowMs, "ms", "");
    std::printf("%-58s %9.1f %-3s %s\n", "  beyond the bare program",
                median(figures.listWindowMs) - median(figures.bareMs), "ms", "target < 300");
    print_row("tavlo.exe, 255 cached items: start to all titles and formats", figures.listShownMs, "ms",
              "target < 1000");
    print_row("tavlo.exe, 255 cached items: working set", figures.listWorkingSetMb, "MB", "target < 60");
    print_row("tavlo.exe, 255 cached items: idle CPU over 10 s", figures.idleCpuPercent, "%", "target < 1");
    return failed ? 1 : 0;
}
