// One entry of the download list as the screen shows it: the record the jobs
// work on, plus the window, its controls, fonts and menus.
//
// Allocated value-initialised (zero) by the download list and freed by it
// once its window is gone and its job threads have ended. Only the user-
// interface thread touches the window, its controls and menus.
#pragma once

#include <windows.h>

#include "app/tools/download_record.h"

namespace Gdiplus {
class Bitmap;
}
struct TranslationTable;

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

struct DownloadItem : DownloadRecord {
    HWND owner;                  // the main window, parent of dialogs
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
    int destroyed;

    HWND item_window() const { return static_cast<HWND>(window); }
};
