// The data of one download item: the link, what was learned about it, the
// chosen download, progress and outcome. The jobs (metadata, download,
// thumbnail) read and write these fields from their worker threads; the
// item window (DownloadItem) adds everything that belongs to the screen.
//
// Plain data: the flags and numbers that cross threads are atomics; the
// texts are plain buffers that the item repaints from after a state message
// or on the list's timer. Nothing here needs <windows.h>, so the rules that
// fill it build and run natively too.
#pragma once

#include <atomic>
#include <cstdint>

#include "app/media/choice_memory.h"
#include "app/media/video_info.h"

// The states travel in WM_APP_ITEM_STATE and are stored in the list file.
enum ItemState : int {
    STATE_LOADING = 0,        // metadata job started
    STATE_INFO = 1,           // event only: a JSON document was accepted; never stored
    STATE_READY = 2,          // metadata job ended (an error when nothing was accepted)
    STATE_DOWNLOADING = 3,    // download job started
    STATE_DONE = 5,           // download job ended
    STATE_FILE_MISSING = 6,   // the output file is gone
    STATE_FAILED = 20,        // an error is shown
};

constexpr int MAX_PLAYLIST_ENTRIES = 256;
constexpr unsigned PERCENT_UNKNOWN = 200;

// The choice fields (selectedChoice, defaultChoice, choiceExplicit,
// dubbedChoice, playlistCount, selectAll) come from ChoiceState, which the
// metadata and choice rules work on.
struct DownloadRecord : ChoiceState {
    // Identity and link
    wchar_t* url;                // system string
    wchar_t key[64];             // md5_hex of the link's UTF-16LE units, or restored
    wchar_t* videoId;            // "v=" of the link, or null

    // Output and options, copied from the list when the item is made
    wchar_t outputFolder[260];
    wchar_t outputPath[260];
    wchar_t proxy[256];
    wchar_t extraOptions[512];
    wchar_t outputTemplate[256];
    wchar_t playlistItems[256];
    int useYoutubeAccount;
    int subtitlesOnly;
    int subtitleMode;            // 0 none, 1..3 the embedding modes of the format menu
    wchar_t videoPassword[256];
    wchar_t cookieArgument[276];
    wchar_t timeLeftText[64];
    // The list's memory of the last choice, shared by every item.
    wchar_t (*rememberedToken)[CHOICE_TOKEN_CAPACITY];
    int* rememberedSubtitlesOnly;
    int* rememberedSubtitleMode;

    // Metadata
    VideoInfo info;
    std::atomic<unsigned> documentsReceived;
    PlaylistEntry* playlistEntries;  // MAX_PLAYLIST_ENTRIES, process heap

    // Progress and outcome
    wchar_t statusText[256];
    wchar_t phaseText[256];
    std::atomic<unsigned> percent;   // 0..100, or PERCENT_UNKNOWN
    int liveRecording;
    wchar_t errorText[256];
    std::atomic<int> loginNeeded;
    std::atomic<int> passwordNeeded;
    std::atomic<int> loginDuringDownload;
    int signedIn;

    // Jobs and processes
    void* window;                // the item window the jobs post their states to (an HWND)
    void* metadataThread;        // thread handles; null when the job is not running
    void* downloadThread;
    void* thumbnailThread;
    uint32_t metadataThreadId;
    uint32_t downloadThreadId;
    uint32_t thumbnailThreadId;
    std::atomic<uint32_t> metadataPid;
    std::atomic<uint32_t> downloadPid;
    std::atomic<uint32_t> postProcessPid;
    std::atomic<int> abortMetadata;
    std::atomic<int> abortDownload;
    int paused;
    ItemState state;
    ItemState restoredState;     // read from the list file; 0 for new links
};
