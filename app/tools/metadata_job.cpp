#include "app/app_messages.h"
#include "app/tools/browser_profile.h"
#include "app/tools/jobs.h"
#include "app/tools/metadata_output.h"
#include "app/tools/tool_commands.h"
#include "app/tools/tool_runner.h"
#include "base/data_folder.h"
#include "base/text.h"
#include "base/win_handles.h"
#include "ui/locale_format.h"

namespace {

void post_state(DownloadRecord& item, ItemState state) {
    PostMessageW(static_cast<HWND>(item.window), WM_APP_ITEM_STATE, static_cast<WPARAM>(state), 0);
}

bool write_cache(void* file, const char* bytes, uint32_t length) {
    DWORD written = 0;
    return WriteFile(static_cast<HANDLE>(file), bytes, length, &written, nullptr) && written == length;
}

// Reads a cached copy of the tool's output through the same collector.
void read_cache(DownloadRecord& item, MetadataOutput& output, const wchar_t* path) {
    UniqueHandle file(
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return;
    }
    DWORD size = GetFileSize(file.get(), nullptr);
    if (size == 0 || size == INVALID_FILE_SIZE) {
        return;
    }
    UniqueHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    const void* view = mapping ? MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0) : nullptr;
    if (!view) {
        return;
    }
    output.cacheFile = nullptr;  // nothing is written back while reading
    collect_metadata_output(static_cast<const char*>(view), size, 0, &output, 0, &item);
    UnmapViewOfFile(view);
}

// Live and stream sources change from one run to the next: never cached.
bool keep_cache(const DownloadRecord& item, uint32_t total) {
    if (item.abortMetadata || total == 0 || item.documentsReceived == 0 || item.info.isLive) {
        return false;
    }
    return !(item.info.duration == 0 && text_contains_nocase(item.info.extractor, L":stream"));
}

void run_tool(DownloadRecord& item, MetadataOutput& output, const wchar_t* cachePath) {
    HANDLE cache = cachePath[0] ? CreateFileW(cachePath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr)
                                : INVALID_HANDLE_VALUE;
    output.cacheFile = cache != INVALID_HANDLE_VALUE ? cache : nullptr;
    output.writeCache = write_cache;

    if (item.useYoutubeAccount && !item.cookieArgument[0]) {
        browser_cookie_source(item.cookieArgument);
    }
    wchar_t ytdlp[METADATA_COMMAND_CAPACITY];
    tool_path(L"bin\\yt-dlp.exe", ytdlp);
    wchar_t command[METADATA_COMMAND_CAPACITY];
    build_metadata_command(item, ytdlp, command);
    uint32_t total = run_tool_process(command, collect_metadata_output, &output, &item, &item.metadataPid, nullptr);
    item.metadataPid = 0;
    if (cache != INVALID_HANDLE_VALUE) {
        CloseHandle(cache);
    }
    output.cacheFile = nullptr;
    if (cachePath[0] && !keep_cache(item, total)) {
        DeleteFileW(cachePath);
    }
}

DWORD WINAPI metadata_thread(void* record) {
    run_metadata_job(*static_cast<DownloadRecord*>(record));
    return 0;
}

}  // namespace

bool metadata_cache_path(const DownloadRecord& item, wchar_t (&path)[MAX_PATH]) {
    if (!item.key[0] || !data_path(L"json", path)) {
        path[0] = 0;
        return false;
    }
    CreateDirectoryW(path, nullptr);  // made at start as well; a cache needs it
    text_append(path, L"\\");
    text_append(path, item.key);
    return true;
}

void run_metadata_job(DownloadRecord& item) {
    item.errorText[0] = 0;
    item.loginNeeded = 0;
    item.passwordNeeded = 0;
    post_state(item, STATE_LOADING);

    MetadataOutput output = {};
    wchar_t language[4];
    interface_language_code(interface_language(), language);
    output.userLanguage = language;
    output.postState = post_state;
    if (prepare_metadata_output(output)) {
        wchar_t cachePath[MAX_PATH];
        metadata_cache_path(item, cachePath);
        if (cachePath[0]) {
            read_cache(item, output, cachePath);
        }
        if (item.documentsReceived == 0) {
            run_tool(item, output, cachePath);
        }
        release_metadata_output(output);
    }
    if (!item.abortMetadata) {
        if (!item.loginNeeded) {
            item.signedIn = 0;
        }
        post_state(item, STATE_READY);
    }
    item.abortMetadata = 0;
    HANDLE self = static_cast<HANDLE>(item.metadataThread);
    item.metadataThread = nullptr;
    if (self) {
        CloseHandle(self);
    }
}

bool start_metadata_job(DownloadRecord& item) {
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, metadata_thread, &item, CREATE_SUSPENDED, &id);
    if (!thread) {
        return false;
    }
    item.metadataThread = thread;
    item.metadataThreadId = id;
    ResumeThread(thread);
    return true;
}
