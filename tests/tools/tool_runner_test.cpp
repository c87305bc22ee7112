// The tool runner with real child processes: the test kit's stand-in
// yt-dlp.exe, laid out in bin\ beside this test program.
#include "app/tools/tool_runner.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "tests/test_support.h"
#include "tests/win_test_support.h"

namespace {

std::wstring yt_dlp() {
    wchar_t path[MAX_PATH];
    tool_path(L"bin\\yt-dlp.exe", path);
    return path;
}

// Collects what the runner hands over, and checks every chunk on the way.
struct Collected {
    std::mutex lock;
    std::string bytes;
    int chunks = 0;
    bool terminated = true;
    uint32_t largest = 0;
    bool beforeMatches = true;
    int stopAfter = -1;  // return 0 on this chunk
    std::atomic<uint32_t>* pid = nullptr;
    bool pidSeen = true;

    static int sink(const char* chunk, uint32_t length, uint32_t before, void* context, uintptr_t, void*) {
        auto* c = static_cast<Collected*>(context);
        std::lock_guard<std::mutex> hold(c->lock);
        c->terminated &= chunk[length] == 0;
        c->largest = length > c->largest ? length : c->largest;
        c->beforeMatches &= before == c->bytes.size();
        if (c->pid) {
            c->pidSeen &= *c->pid != 0;
        }
        if (c->chunks++ == c->stopAfter) {
            return 0;
        }
        c->bytes.append(chunk, length);
        return 1;
    }
    size_t size() {
        std::lock_guard<std::mutex> hold(lock);
        return bytes.size();
    }
};

uint32_t run(const std::wstring& arguments, Collected* collected, std::atomic<uint32_t>* pid, DWORD* exitCode) {
    std::wstring line = L"\"" + yt_dlp() + L"\" " + arguments;
    std::vector<wchar_t> writable(line.begin(), line.end());
    writable.push_back(0);
    return run_tool_process(writable.data(), collected ? Collected::sink : nullptr, collected, nullptr, pid, exitCode);
}

std::vector<DWORD> children_of(DWORD parent) {
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == parent) {
            found.push_back(entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    return found;
}

bool is_running(DWORD pid) {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!h) {
        return false;
    }
    bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
}

template <typename Condition>
bool wait_until(Condition condition, int ms = 10000) {
    for (int waited = 0; waited < ms; waited += 20) {
        if (condition()) {
            return true;
        }
        Sleep(20);
    }
    return condition();
}

// Scenarios of the test's own, for behaviour no recording shows.
// One file per scenario; files the scenarios replay go beside them.
class OwnScenarios {
public:
    explicit OwnScenarios(std::initializer_list<std::string> scenarios) {
        int n = 0;
        for (const std::string& text : scenarios) {
            write_whole_file(folder_.file(L"own" + std::to_wstring(n++) + L".scenario"), text);
        }
        SetEnvironmentVariableW(L"TAVLO_KIT_DIR", folder_.path().c_str());
    }
    ~OwnScenarios() { SetEnvironmentVariableW(L"TAVLO_KIT_DIR", nullptr); }
    const TempFolder& folder() const { return folder_; }

private:
    TempFolder folder_;
};

TEST(ToolPath, IsBelowTheProgramFolder) {
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring folder(module, wcsrchr(module, L'\\') + 1);
    EXPECT_EQ(yt_dlp(), folder + L"bin\\yt-dlp.exe");
    EXPECT_TRUE(is_existing_file(yt_dlp().c_str()));
    EXPECT_FALSE(is_existing_file(folder.c_str()));
}

TEST(RunToolProcess, StreamsTheOutputAndReportsPidAndExitCode) {
    Collected collected;
    std::atomic<uint32_t> pid{0};
    collected.pid = &pid;
    DWORD exitCode = NO_EXIT_CODE;
    uint32_t total = run(L"-j -i -- http://127.0.0.1:8765/media/sample.mp4", &collected, &pid, &exitCode);
    std::string expected = read_test_file("fixtures/ytdlp-j-direct-mp4.out");
    EXPECT_EQ(collected.bytes, expected);
    EXPECT_EQ(total, expected.size());
    EXPECT_EQ(exitCode, 0u);
    EXPECT_NE(pid.load(), 0u);      // published, and left for the caller to clear
    EXPECT_TRUE(collected.pidSeen);  // already while the output arrived
    EXPECT_TRUE(collected.terminated);
    EXPECT_TRUE(collected.beforeMatches);

    Collected failed;
    exitCode = NO_EXIT_CODE;
    run(L"-j -i http://127.0.0.1:8765/media/missing.mp4", &failed, nullptr, &exitCode);
    EXPECT_EQ(exitCode, 1u);
    EXPECT_NE(failed.bytes.find("ERROR: "), std::string::npos);
}

TEST(RunToolProcess, LargeOutputArrivesInChunksOfAtMost64KiB) {
    std::string big;
    for (int i = 0; i < 4000; ++i) {
        big += "[download]  45.3% of ~  12.34MiB at  1.23MiB/s ETA 00:05 (frag 4/8) padding padding\n";
    }
    OwnScenarios scenarios{"link http://test/big\nmode metadata\n  replay big.out\n"};
    write_whole_file(scenarios.folder().file(L"big.out"), big);
    Collected collected;
    EXPECT_EQ(run(L"-j http://test/big", &collected, nullptr, nullptr), big.size());
    EXPECT_EQ(collected.bytes, big);
    EXPECT_LE(collected.largest, CHUNK_SIZE);
    EXPECT_TRUE(collected.terminated);
}

TEST(RunToolProcess, NothingPrintedNothingStartedOrStoppedEarly) {
    OwnScenarios scenarios{"link http://test/silent\nmode metadata\n  exit 0\n",
                           "link http://test/talkative\nmode metadata\n  say one\\n\n  pause 300\n  say two\\n\n"
                           "  say three\\n\n"};
    Collected silent;
    DWORD exitCode = NO_EXIT_CODE;
    EXPECT_EQ(run(L"-j http://test/silent", &silent, nullptr, &exitCode), 0u);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(silent.chunks, 0);

    // The sink stops at once: nothing counted, the runner returns, the child
    // is left to end on its next write.
    Collected stopped;
    stopped.stopAfter = 0;
    std::atomic<uint32_t> pid{0};
    EXPECT_EQ(run(L"-j http://test/talkative", &stopped, &pid, nullptr), 0u);
    EXPECT_EQ(stopped.chunks, 1);
    EXPECT_TRUE(wait_until([&] { return !is_running(pid); }));

    std::wstring missing = L"\"C:\\no\\such\\tool.exe\" -j x";
    std::vector<wchar_t> line(missing.begin(), missing.end());
    line.push_back(0);
    pid = 77;
    exitCode = NO_EXIT_CODE;
    EXPECT_EQ(run_tool_process(line.data(), Collected::sink, &silent, nullptr, &pid, &exitCode), 0u);
    EXPECT_EQ(pid.load(), 0u);
    EXPECT_EQ(exitCode, NO_EXIT_CODE);  // untouched
}

// A running tool with a child of its own that prints until it is killed.
class RunningTool : public ::testing::Test {
protected:
    OwnScenarios scenarios{
        "link http://test/alive\nmode download\n  child 0\n  say [download] started\\n\n"
        "  alive 0 100\n  alive-record [download]  {n}.0% of 10.00MiB at 1.00MiB/s ETA 00:09\\n\n"};
    Collected collected;
    std::atomic<uint32_t> pid{0};
    DWORD exitCode = NO_EXIT_CODE;
    uint32_t total = 0;
    std::thread runner;

    void SetUp() override {
        runner = std::thread([this] { total = run(L"http://test/alive", &collected, &pid, &exitCode); });
        ASSERT_TRUE(wait_until([&] { return pid != 0 && collected.size() > 0 && !children_of(pid).empty(); }));
    }
    void TearDown() override {
        if (pid) {
            kill_process_tree(pid, 5000);
        }
        runner.join();
    }
};

TEST_F(RunningTool, KillingTheTreeEndsTheToolAndItsChildren) {
    std::vector<DWORD> kids = children_of(pid);
    ASSERT_FALSE(kids.empty());
    EXPECT_TRUE(kill_process_tree(pid, 5000));
    for (DWORD kid : kids) {
        EXPECT_TRUE(wait_until([&] { return !is_running(kid); })) << "child " << kid << " survived";
    }
    runner.join();  // the output ends with the tree
    runner = std::thread([] {});
    EXPECT_GT(total, 0u);
    EXPECT_EQ(exitCode, 1u);  // as the kill set it
    EXPECT_FALSE(kill_process_tree(0, 0));
}

TEST_F(RunningTool, PauseStopsTheOutputAndResumeRestartsIt) {
    DownloadRecord* item = new DownloadRecord();
    item->downloadPid = pid.load();
    item->state = STATE_DOWNLOADING;

    ASSERT_TRUE(suspend_tool_process(*item));
    EXPECT_EQ(item->paused, 1);
    EXPECT_FALSE(suspend_tool_process(*item));  // already paused
    Sleep(300);                                  // what was on its way arrives
    size_t frozen = collected.size();
    Sleep(1000);
    EXPECT_EQ(collected.size(), frozen) << "the tool kept printing while paused";

    ASSERT_TRUE(resume_tool_process(*item));
    EXPECT_EQ(item->paused, 0);
    EXPECT_TRUE(wait_until([&] { return collected.size() > frozen; }, 3000)) << "no output after resume";
    EXPECT_FALSE(resume_tool_process(*item));  // not paused any more

    item->state = STATE_READY;  // only a running download is paused
    EXPECT_FALSE(suspend_tool_process(*item));
    delete item;
}

}  // namespace
