// Signing in through a browser: yt-dlp reads the cookies of a Firefox-family
// browser, and the Login action opens that browser on the site's sign-in
// page with a profile of the program's own ("ffprofile" in the data folder)
// that keeps its cookies when the browser closes.
#pragma once

#include <windows.h>

#include <cstddef>

#include "app/tools/download_record.h"

constexpr size_t SIGN_IN_URL_CAPACITY = 272;  // "https://" + a host of up to 255 characters + "/"

struct BrowserLocation {
    wchar_t path[MAX_PATH];
    bool inProgramFolder;  // the LibreWolf shipped with the program, not an installed Firefox
};

// The Firefox registered at this registry root and view, when its program
// file exists.
bool find_installed_firefox(HKEY root, REGSAM view, wchar_t (&path)[MAX_PATH]);
// An installed Firefox (the machine's registrations first, then the user's),
// else "browser\LibreWolf\librewolf.exe" in the program folder.
bool find_sign_in_browser(BrowserLocation& found);

// The value of yt-dlp's --cookies-from-browser: "firefox" for an installed
// Firefox, "firefox:<profile folder>" for the program's LibreWolf, empty
// (0 returned) when there is no browser or the text would not fit.
size_t browser_cookie_source(wchar_t* out, size_t capacity);
template <size_t N>
size_t browser_cookie_source(wchar_t (&out)[N]) {
    return browser_cookie_source(out, N);
}

// Creates "<dataFolder>\ffprofile" with its missing parents and rewrites its
// user.js; gives the profile folder.
bool prepare_browser_profile(const wchar_t* dataFolder, wchar_t (&profile)[MAX_PATH]);
// Starts the browser on startUrl with the prepared profile, and does not
// watch it; gives the profile folder.
bool launch_sign_in_browser(const wchar_t* dataFolder, const wchar_t* startUrl, wchar_t (&profile)[MAX_PATH]);

// The page the browser opens for a link: YouTube's sign-in page for YouTube
// links and links without a readable host, else the site's front page.
void sign_in_start_url(const wchar_t* url, wchar_t (&out)[SIGN_IN_URL_CAPACITY]);
// The item's Login action (UI thread). True when the browser was started;
// the item's cookieArgument then names the profile.
bool sign_in_with_browser(DownloadRecord& item);
