#include "app/tools/tool_runner.h"

#include <shlwapi.h>
#include <tlhelp32.h>

#include "base/text.h"
#include "base/win_handles.h"

namespace {

// The direct children of every process, from one snapshot.
struct Snapshot {
    UniqueHandle handle{CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)};

    template <typename Visit>
    void for_each_child(DWORD parent, Visit visit) {
        if (!handle) {
            return;
        }
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32FirstW(handle.get(), &entry); more; more = Process32NextW(handle.get(), &entry)) {
            if (entry.th32ParentProcessID == parent && entry.th32ProcessID != parent) {
                if (!visit(entry.th32ProcessID)) {
                    return;
                }
            }
        }
    }
};

// Held from making a child's pipes until the parent has closed the child's
// ends. A pipe end is inheritable until then, and every child that another
// job thread starts in that time would inherit it: a recording that runs
// until stopped would then hold a finished download's output pipe open, and
// that download would never see the end of its output.
SRWLOCK g_spawnLock = SRWLOCK_INIT;

class SpawnScope {
public:
    SpawnScope() { AcquireSRWLockExclusive(&g_spawnLock); }
    ~SpawnScope() { release(); }
    SpawnScope(const SpawnScope&) = delete;
    SpawnScope& operator=(const SpawnScope&) = delete;
    void release() {
        if (held_) {
            held_ = false;
            ReleaseSRWLockExclusive(&g_spawnLock);
        }
    }

private:
    bool held_ = true;
};

}  // namespace

bool is_existing_file(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool tool_path(const wchar_t* relative, wchar_t* out, size_t capacity) {
    wchar_t module[MAX_PATH * 2];
    DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2) {
        text_copy(out, capacity, L"");
        return false;
    }
    PathRemoveFileSpecW(module);
    text_copy(out, capacity, module);
    size_t length = text_length(out);
    if (length > 0 && out[length - 1] != L'\\') {
        text_append(out, capacity, L"\\");
    }
    text_append(out, capacity, relative);
    return true;
}

uint32_t run_tool_process(wchar_t* commandLine, OutputSink sink, void* sinkContext, void* owner,
                          std::atomic<uint32_t>* pidOut, DWORD* exitCode) {
    UniqueHeapBlock buffer(HeapAlloc(GetProcessHeap(), 0, CHUNK_SIZE + 1));
    if (!buffer) {
        if (pidOut) {
            *pidOut = 0;
        }
        return 0;
    }
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    SpawnScope spawning;  // released after the handles below on every early return
    UniqueHandle outRead, outWrite, inRead, inWrite;
    if (!CreatePipe(outRead.put(), outWrite.put(), &inherit, 0) ||
        !CreatePipe(inRead.put(), inWrite.put(), &inherit, 0)) {
        if (pidOut) {
            *pidOut = 0;
        }
        return 0;
    }
    // Only the child's ends are inherited: the parent's ends must not keep
    // the pipes open in other children.
    SetHandleInformation(outRead.get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(inWrite.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = inRead.get();
    startup.hStdOutput = outWrite.get();
    startup.hStdError = outWrite.get();
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessW(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                  &process);
    if (pidOut) {
        *pidOut = started ? process.dwProcessId : 0;
    }
    if (!started) {
        return 0;
    }
    UniqueHandle child(process.hProcess);
    CloseHandle(process.hThread);
    outWrite.reset();  // our copy would keep the pipe from ever ending
    inRead.reset();
    spawning.release();

    auto* bytes = static_cast<char*>(buffer.get());
    uint32_t total = 0;
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(outRead.get(), bytes, CHUNK_SIZE, &n, nullptr) || n == 0) {
            break;
        }
        bytes[n] = 0;  // sinks may search the chunk as text
        if (sink && !sink(bytes, n, total, sinkContext, 0, owner)) {
            break;  // the child is left to fail on its next write
        }
        total += n;
    }
    outRead.reset();
    inWrite.reset();  // the child's input stayed an open, empty pipe until now

    if (exitCode && WaitForSingleObject(child.get(), EXIT_WAIT_MS) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (GetExitCodeProcess(child.get(), &code)) {
            *exitCode = code;
        }
    }
    return total;
}

bool kill_process_tree(DWORD pid, DWORD waitMs) {
    if (pid == 0) {
        return false;
    }
    DWORD found[MAX_TREE];
    int foundCount = 0;
    {
        Snapshot snapshot;
        DWORD queue[MAX_TREE];
        int queued = 0;
        queue[queued++] = pid;
        for (int next = 0; next < queued; ++next) {
            snapshot.for_each_child(queue[next], [&](DWORD child) {
                if (foundCount < MAX_TREE) {
                    found[foundCount++] = child;
                }
                if (queued < MAX_TREE) {
                    queue[queued++] = child;
                }
                return foundCount < MAX_TREE || queued < MAX_TREE;
            });
        }
    }
    for (int i = 0; i < foundCount; ++i) {
        UniqueHandle child(OpenProcess(PROCESS_TERMINATE, FALSE, found[i]));
        if (child) {
            TerminateProcess(child.get(), 1);
        }
    }
    UniqueHandle root(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!root) {
        return false;
    }
    TerminateProcess(root.get(), 1);
    return WaitForSingleObject(root.get(), waitMs) == WAIT_OBJECT_0;
}

bool suspend_tool_process(DownloadRecord& item) {
    DWORD pid = item.downloadPid;
    if (pid == 0 || item.state != STATE_DOWNLOADING || item.paused) {
        return false;
    }
    // Only direct children: an ffmpeg started by the tool's child runs on
    // until its pipe fills, which stops it just as well.
    BOOL childAttached = FALSE;
    Snapshot snapshot;
    snapshot.for_each_child(pid, [&](DWORD child) {
        childAttached = DebugActiveProcess(child);
        if (childAttached) {
            DebugSetProcessKillOnExit(FALSE);  // a program that goes away must not take the tool with it
        }
        return true;
    });
    BOOL rootAttached = DebugActiveProcess(pid);
    if (rootAttached) {
        DebugSetProcessKillOnExit(FALSE);
    }
    if (!rootAttached && !childAttached) {
        return false;
    }
    item.paused = 1;
    return true;
}

bool resume_tool_process(DownloadRecord& item) {
    DWORD pid = item.downloadPid;
    if (pid == 0 || item.state != STATE_DOWNLOADING || !item.paused) {
        return false;
    }
    BOOL rootDetached = DebugActiveProcessStop(pid);
    BOOL childDetached = FALSE;
    Snapshot snapshot;
    snapshot.for_each_child(pid, [&](DWORD child) {
        childDetached = DebugActiveProcessStop(child);
        return true;
    });
    if (!rootDetached && !childDetached) {
        return false;
    }
    item.paused = 0;
    return true;
}
