// The About box: the program icon, the product name, the program version
// joined with the installed yt-dlp's, the maker and the credit to yt-dlp
// and ffmpeg with links to their pages.
#pragma once

#include <windows.h>

// Control identifiers.
constexpr int ABOUT_TITLE = 801;
constexpr int ABOUT_CREDIT = 802;
constexpr int ABOUT_CREDIT_AND = 803;
constexpr int ABOUT_CREDIT_END = 804;
constexpr int ABOUT_VERSION = 805;
constexpr int ABOUT_MAKER_BEFORE = 807;
constexpr int ABOUT_MAKER_AFTER = 808;
constexpr int ABOUT_MAKER_LINK = 960;
constexpr int ABOUT_YTDLP_LINK = 961;
constexpr int ABOUT_FFMPEG_LINK = 962;
constexpr int ABOUT_ICON_ID = 500;  // icon resource of the program

// Where the links lead.
inline constexpr wchar_t MAKER_NAME[] = L"Tavlo Software";
inline constexpr wchar_t MAKER_URL[] = L"https://tavlo.app/";
inline constexpr wchar_t YTDLP_URL[] = L"https://github.com/yt-dlp/yt-dlp";
inline constexpr wchar_t FFMPEG_URL[] = L"https://ffmpeg.org/";

// The maker line is the translation of "Made by {maker}.": the maker's name,
// a link, takes the place of the placeholder, wherever the language puts it.
inline constexpr wchar_t MAKER_PLACEHOLDER[] = L"{maker}";
// The texts before and after the placeholder (cut to 127 characters each).
void about_maker_line(const wchar_t* line, wchar_t (&before)[128], wchar_t (&after)[128]);

struct AboutDialogParams {
    // Whose version is shown beside the program's. Null: "bin\yt-dlp.exe"
    // in the program's folder; tests name a file of their own.
    const wchar_t* ytdlpPath;
};

// "1.58", then "." and the yt-dlp file's version when it has one, then
// " (64 bits)".
void about_version_text(const wchar_t* ytdlpPath, wchar_t (&out)[260]);

// Dialog procedure for an in-memory template without controls; the
// WM_INITDIALOG lParam is a const AboutDialogParams* (may be null). Ends
// with IDOK or IDCANCEL.
INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wp, LPARAM lp);

// Shows the box modally, centred over owner: "About Tavlo", 260 x 120
// dialog units.
INT_PTR show_about_dialog(HWND owner, const AboutDialogParams* params = nullptr);
