// The update check at start-up and the download of a new setup program,
// each on a worker thread that tells the main window everything through
// posted messages; yt-dlp's self-update; the version text of an executable.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstddef>
#include <cstdint>

#include "app/services/update_rules.h"
#include "base/bind_status_callback.h"

inline constexpr wchar_t PROGRAM_VERSION[] = L"1.58";

// The update server's origin (scheme, host and port, no path). The path and
// the reply's format are fixed. Nothing the user or the command line gives
// changes the origin; only tests point it at a local server.
inline constexpr wchar_t UPDATE_SERVER[] = L"https://update.tavlo.app";
inline constexpr wchar_t UPDATE_PATH[] = L"/checkforupdate4.php";
// Sets the origin the next checks ask ("http://127.0.0.1:PORT"); null or
// empty goes back to UPDATE_SERVER. Call it before a check's thread starts.
void set_update_server(const wchar_t* origin);

// wParam of WM_APP_UPDATE_PROGRESS besides the percent 0..100 of the download.
constexpr WPARAM UPDATE_PROGRESS_DOWNLOAD_BEGAN = 101;
constexpr WPARAM UPDATE_PROGRESS_DOWNLOAD_ENDED = 102;
constexpr WPARAM UPDATE_PROGRESS_YTDLP_BEGAN = 103;
constexpr WPARAM UPDATE_PROGRESS_YTDLP_ENDED = 104;
// wParam of WM_APP_UPDATE_DOWNLOADED.
constexpr WPARAM UPDATE_DOWNLOAD_SUCCEEDED = 1;
constexpr WPARAM UPDATE_DOWNLOAD_FAILED = 2;

// Posted with WM_APP_UPDATE_RESULT; the receiver frees it with
// free_update_result. Zero-filled means nothing was found.
struct UpdateResult {
    int32_t available;  // the server's program version is newer than ours
    int32_t reserved;
    int64_t fileSize;   // of the new setup program; 0 when not given
    wchar_t* setupUrl;  // sys_string; null or empty when not given
};
void free_update_result(UpdateResult* result);  // null is fine

// The block run_update_check takes and frees. callback is the thread's own
// reference; a window that wants to cancel the check takes another one
// (callback->AddRef()) before it starts the thread, calls abort() on it and
// releases it when the result has come.
struct UpdateCheckJob {
    HWND window;  // receives the messages
    CBindStatusCallback* callback;
};
// Null when out of memory.
UpdateCheckJob* new_update_check(HWND window);
// For a block whose thread could not be started.
void free_update_check(UpdateCheckJob* job);
// Thread body: asks the update server, lets yt-dlp update itself when the
// server knows a newer one (posting UPDATE_PROGRESS_YTDLP_BEGAN and _ENDED),
// and ends by posting WM_APP_UPDATE_RESULT with a new UpdateResult (null only
// when there was no memory for one). Every failure simply finds nothing.
DWORD WINAPI run_update_check(void* job);

// The block download_update takes and frees, with the same rule for the
// callback; its progress goes to update_download_progress.
struct UpdateDownloadJob {
    HWND window;
    wchar_t* url;  // sys_string
    int64_t expectedSize;
    CBindStatusCallback* callback;
    PercentPacer pacer;
};
// Null when out of memory.
UpdateDownloadJob* new_update_download(HWND window, const wchar_t* url, int64_t expectedSize);
void free_update_download(UpdateDownloadJob* job);
// Thread body: downloads the setup program into the internet cache and
// posts WM_APP_UPDATE_DOWNLOADED: UPDATE_DOWNLOAD_SUCCEEDED with the file's
// path in a block of the process heap (the receiver frees it with HeapFree),
// or UPDATE_DOWNLOAD_FAILED without one. A file of any other size than the
// expected one is deleted and counts as failed.
DWORD WINAPI download_update(void* job);
// The download's progress routine (user: the UpdateDownloadJob): posts
// UPDATE_PROGRESS_DOWNLOAD_BEGAN and _ENDED, and the percent in between at
// most about twice a second. The end is always the last message.
HRESULT update_download_progress(ULONG progress, ULONG maximum, ULONG statusCode, const wchar_t* statusText,
                                 void* user);

// The main window's entry points: each starts its thread body above on a
// thread of its own (the thread's handle is not kept: the thread ends by
// itself after its last message). When cancel is given it receives a
// reference to the transfer's callback: call (*cancel)->abort() when the
// window closes, and (*cancel)->Release() once the final message came or
// the window is gone. False (and *cancel null) when nothing could be
// started: then no message will come.
bool start_update_check(HWND window, CBindStatusCallback** cancel = nullptr);
bool start_update_download(HWND window, const wchar_t* url, int64_t expectedSize,
                           CBindStatusCallback** cancel = nullptr);

// Lets "bin\yt-dlp.exe" beside the program replace itself (the user is asked
// for elevation), waits for it, then waits while the file it leaves during
// the replacement is there. Returns whether it could be started.
bool update_ytdlp();
// Waits while path names an existing file: up to `checks` times intervalMs
// apart. True when it is gone.
bool wait_while_file_exists(const wchar_t* path, int checks, DWORD intervalMs);

// The "FileVersion" text of the file's version resource, cut to outBytes
// bytes; false (and out empty) when it has none.
bool file_version_string(const wchar_t* path, wchar_t* out, size_t outBytes);
template <size_t N>
bool file_version_string(const wchar_t* path, wchar_t (&out)[N]) {
    return file_version_string(path, out, sizeof(out));
}

// Reads the XML the stream holds into document with XmlLite (document type
// definitions refused). On failure the document's error tells why and, for a
// document that did not parse, it holds no tree.
HRESULT load_xml(IStream* stream, XmlDocument& document);
// The same for bytes in memory.
HRESULT load_xml_bytes(const unsigned char* bytes, size_t length, XmlDocument& document);
