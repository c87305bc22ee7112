// One entry of the download list: the link, what was learned about it, the
// chosen download, progress and outcome, and the window that shows it.
//
// A plain record, allocated zero-filled by the download list and freed by it
// once its window is gone and its job threads have ended. The jobs write the
// fields they own and post WM_APP_ITEM_STATE; only the user-interface thread
// touches the window, its controls and menus. The flags and numbers that
// cross threads are atomics; the texts are plain buffers that the item
// repaints from after a state message or on the list's timer.
#pragma once

#include <windows.h>

#include <atomic>

#include "app/media/choice_memory.h"
#include "app/media/video_info.h"

namespace Gdiplus {
class Bitmap;
}
struct TranslationTable;

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

// Controls of the item window and commands of its menus.
constexpr int ID_ITEM_CLOSE = 2;            // close box, and "Remove from the list"
constexpr int ID_ITEM_STATUS = 801;
constexpr int ID_ITEM_MAIN_BUTTON = 802;
constexpr int ID_ITEM_PROGRESS = 803;
constexpr int ID_ITEM_OPEN_LOCATION = 804;
constexpr int ID_ITEM_LOGIN = 806;          // Login / Retry
constexpr int ID_ITEM_PASSWORD = 807;       // Enter password
constexpr int ID_ITEM_THUMBNAIL = 950;
constexpr int ID_ITEM_GLYPH = 951;
constexpr int ID_ITEM_TITLE = 1500;         // title link, and "Play"
constexpr int ID_ITEM_FORMAT = 1501;        // format link
constexpr int ID_ITEM_OPEN_URL = 1801;
constexpr int ID_ITEM_COPY_URL = 1802;
constexpr int ID_SUBTITLES_ONLY = 1805;
constexpr int ID_MENU_HEADER_VIDEO = 1900;
constexpr int ID_MENU_HEADER_AUDIO = 1901;
constexpr int ID_MENU_HEADER_SUBTITLES = 1902;
constexpr int ID_SUBTITLES_NONE = 1903;
constexpr int ID_SUBTITLES_FIRST = 1904;
constexpr int ID_SUBTITLES_SECOND = 1905;
constexpr int ID_SUBTITLES_BOTH = 1906;
constexpr int ID_FORMAT_CHOICE_FIRST = 2000;  // + index into formats

constexpr int ITEM_HEIGHT = 70;
constexpr int THUMBNAIL_WIDTH = 89;
constexpr int THUMBNAIL_HEIGHT = 50;
constexpr int MAX_PLAYLIST_ENTRIES = 256;
constexpr unsigned PERCENT_UNKNOWN = 200;

// The choice fields (selectedChoice, defaultChoice, choiceExplicit,
// dubbedChoice, playlistCount, selectAll) come from ChoiceState, which the
// metadata and choice rules work on.
struct DownloadItem : ChoiceState {
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
    int loginDuringDownload;
    int signedIn;

    // Jobs and processes
    HANDLE metadataThread;
    HANDLE downloadThread;
    HANDLE thumbnailThread;
    DWORD metadataThreadId;
    DWORD downloadThreadId;
    DWORD thumbnailThreadId;
    std::atomic<DWORD> metadataPid;
    std::atomic<DWORD> downloadPid;
    std::atomic<DWORD> postProcessPid;
    std::atomic<int> abortMetadata;
    std::atomic<int> abortDownload;
    int paused;

    // Window and presentation
    HWND window;
    HWND owner;
    HINSTANCE instance;
    HFONT normalFont;
    HFONT iconFont;
    const TranslationTable* translation;
    Gdiplus::Bitmap* thumbnail;
    HMENU contextMenu;
    HMENU formatMenu;
    HWND progressBar;
    int listIndex;
    int x, y, width, height;
    int selected;                // visual state value 4 while selected
    int hoverMainButton;
    int hoverLoginButton;
    int hoverPasswordButton;
    int hoverPlaylistOk;
    int selectAllChecked;        // drawn state of the playlist dialog's "Select all"
    HBRUSH backgroundBrush;
    COLORREF backgroundColour;
    ItemState state;
    ItemState restoredState;     // read from the list file; 0 for new links
    int destroyed;
};
