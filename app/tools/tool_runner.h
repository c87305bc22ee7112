// Running the console tools: hidden children whose output streams to a sink
// chunk by chunk, and their process trees ended, frozen and thawed.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "app/tools/download_record.h"
#include "app/tools/output_sink.h"

constexpr DWORD CHUNK_SIZE = 65536;
constexpr DWORD EXIT_WAIT_MS = 10000;
constexpr DWORD NO_EXIT_CODE = 0xFFFFFFFF;
constexpr int MAX_TREE = 256;

// Runs the command line (writable: process creation may change it) with
// stdout and stderr on one pipe. The process id goes to pidOut as soon as
// the process exists (0 when it could not start). exitCode is written only
// when the exit code could be read within EXIT_WAIT_MS of the output ending.
// Returns the bytes the sink accepted (all bytes read without a sink).
uint32_t run_tool_process(wchar_t* commandLine, OutputSink sink, void* sinkContext, void* owner,
                          std::atomic<uint32_t>* pidOut, DWORD* exitCode);

// Ends the process and its descendants (breadth-first, children before
// grandchildren, at most 256), the root last. True when the root ended
// within waitMs.
bool kill_process_tree(DWORD pid, DWORD waitMs);

// Freezes the running download tool and its direct children by attaching as
// a debugger, and thaws them. UI thread only: the attachment belongs to the
// thread that made it. Both return whether anything changed; they set the
// record's paused flag.
bool suspend_tool_process(DownloadRecord& item);
bool resume_tool_process(DownloadRecord& item);

// The absolute path of a tool below the program's folder, e.g. "bin\yt-dlp.exe".
bool tool_path(const wchar_t* relative, wchar_t* out, size_t capacity);
template <size_t N>
bool tool_path(const wchar_t* relative, wchar_t (&out)[N]) {
    return tool_path(relative, out, N);
}
// True when the path names an existing file that is not a folder.
bool is_existing_file(const wchar_t* path);
