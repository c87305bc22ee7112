// The setup program's process-wide state and the names it shares between
// the entry, the wizard and the install and removal procedures.
#pragma once

#include <windows.h>

// Sent to the wizard frame: wParam is the page to show; 0 or an unknown
// page ends the wizard.
constexpr UINT SETUP_GOTO_PAGE = WM_APP + 1;

constexpr int PAGE_START = 600;
constexpr int PAGE_WELCOME = 601;
constexpr int PAGE_OPTIONS = 603;
constexpr int PAGE_INSTALLING = 604;
constexpr int PAGE_UNINSTALLING = 606;
constexpr int PAGE_UNINSTALLED = 607;

constexpr wchar_t PRODUCT_NAME[] = L"Tavlo Video Downloader";
constexpr wchar_t SINGLE_INSTANCE_MAPPING[] = L"TAVLOSetupFileMapping";
constexpr wchar_t UNINSTALL_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t UNINSTALL_KEY_32[] = L"Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t WORK_FOLDER_NAME[] = L"tavlo_setup";

// Resources of type 520 carried by the setup executable.
constexpr int RESOURCE_EULA = 521;
constexpr int RESOURCE_ARCHIVER = 522;
constexpr int RESOURCE_PAYLOAD = 523;
// Pictures of type "PNG" and the icon.
constexpr int RESOURCE_ICON = 500;
constexpr int RESOURCE_BACKGROUND = 511;
constexpr int RESOURCE_LOGO = 512;
constexpr int RESOURCE_BACKGROUND_DARK = 513;

struct SetupState {
    HINSTANCE instance;
    bool silent;          // "/s"
    bool uninstallMode;   // "/u"; cleared when the user cancels the uninstall
    bool installed;       // an uninstall entry with a location exists
    bool desktopShortcut;
    bool removeSettings;
    unsigned short uiLanguage;
    wchar_t installDir[MAX_PATH];
    wchar_t removalDir[MAX_PATH];  // the folder the last removal found
    HWND wizardWindow;
    HWND pageWindow;
    HFONT font;  // page texts; made at start, deleted at the end
    HANDLE mapping;   // the single-instance block and its view
    HWND* mappedWindow;
};

extern SetupState g_setup;

// A translated text with "%PROGNAME%" replaced by the product name.
void product_text(const wchar_t* english, wchar_t* out, size_t capacity);
template <size_t N>
inline void product_text(const wchar_t* english, wchar_t (&out)[N]) {
    product_text(english, out, N);
}

// The work folder: the temporary folder with "tavlo_setup" appended, and a
// file in it; false when the path would not fit.
bool work_folder(wchar_t (&out)[MAX_PATH]);
bool work_file(const wchar_t* name, wchar_t (&out)[MAX_PATH]);

// Sends or posts SETUP_GOTO_PAGE to the wizard when there is one.
void send_to_wizard(int page);
void post_to_wizard(int page);
