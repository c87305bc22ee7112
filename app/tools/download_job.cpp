#include "app/app_messages.h"
#include "app/tools/browser_profile.h"
#include "app/tools/jobs.h"
#include "app/tools/live_finalize.h"
#include "app/tools/output_parser.h"
#include "app/tools/tool_commands.h"
#include "app/tools/tool_runner.h"
#include "base/text.h"
#include "ui/locale_format.h"
#include "ui/translation.h"

namespace {

void post_state(DownloadRecord& item, ItemState state) {
    PostMessageW(static_cast<HWND>(item.window), WM_APP_ITEM_STATE, static_cast<WPARAM>(state), 0);
}

// The local time for a live recording's file name; empty when it can't be had.
void clock_text(wchar_t (&out)[8]) {
    if (!GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_FORCE24HOURFORMAT, nullptr, L"HHmmss", out, 8)) {
        out[0] = 0;
    }
}

// Sets errorText unless an earlier, more precise message is there.
void fail_with(DownloadRecord& item, const wchar_t* english) {
    if (!item.errorText[0]) {
        text_copy(item.errorText, translate(english));
    }
}

DWORD WINAPI download_thread(void* record) {
    run_download_job(*static_cast<DownloadRecord*>(record));
    return 0;
}

}  // namespace

void run_download_job(DownloadRecord& item) {
    item.errorText[0] = 0;
    item.loginNeeded = 0;
    item.passwordNeeded = 0;
    item.liveRecording = is_live_source(item.info) ? 1 : 0;
    post_state(item, STATE_DOWNLOADING);

    item.percent = PERCENT_UNKNOWN;
    text_copy(item.statusText, translate(L"Loading..."));
    item.phaseText[0] = 0;
    item.timeLeftText[0] = 0;

    // The parse state holds a long open line: on the heap, not the thread's stack.
    auto* state = new ProgressParseState;
    prepare_progress_state(*state, item);

    if (item.useYoutubeAccount && !item.cookieArgument[0]) {
        browser_cookie_source(item.cookieArgument);
    }
    wchar_t ytdlp[DOWNLOAD_COMMAND_CAPACITY];
    tool_path(L"bin\\yt-dlp.exe", ytdlp);
    wchar_t clock[8];
    clock_text(clock);
    wchar_t language[4];
    interface_language_code(interface_language(), language);
    DownloadCommandContext context = {ytdlp, language, clock};
    wchar_t command[DOWNLOAD_COMMAND_CAPACITY];
    build_download_command(item, context, command);

    DWORD exitCode = NO_EXIT_CODE;
    uint32_t total = run_tool_process(command, handle_download_output, state, &item, &item.downloadPid, &exitCode);
    item.downloadPid = 0;

    bool post = true;
    if (total > 0 && item.abortDownload) {
        if (item.liveRecording) {
            finalize_live_recording(item);  // a stopped live recording becomes its file
        } else {
            post = false;  // abandoned because the item is going away
        }
    } else {
        item.statusText[0] = 0;
        item.phaseText[0] = 0;
        item.timeLeftText[0] = 0;
        if (total == 0) {
            fail_with(item, UI_TEXT(L"Downloading failed"));
        } else if (exitCode == 0 && !item.subtitlesOnly) {
            if (!is_existing_file(item.outputPath)) {
                text_copy(item.errorText, translate(L"No file was produced"));
            }
        } else if (exitCode == 0) {
            if (!state->subtitleWritten) {
                text_copy(item.errorText, translate(L"No subtitles available in the requested languages"));
            }
        } else {
            fail_with(item, UI_TEXT(L"Downloading failed"));
        }
        post = !item.abortDownload;
    }
    delete state;
    if (post) {
        if (!item.loginNeeded) {
            item.signedIn = 0;
        }
        post_state(item, STATE_DONE);
    }
    item.abortDownload = 0;
    HANDLE self = static_cast<HANDLE>(item.downloadThread);
    item.downloadThread = nullptr;
    if (self) {
        CloseHandle(self);
    }
}

bool start_download_job(DownloadRecord& item) {
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, download_thread, &item, CREATE_SUSPENDED, &id);
    if (!thread) {
        return false;
    }
    item.downloadThread = thread;
    item.downloadThreadId = id;
    ResumeThread(thread);
    return true;
}
