// The About box. Its texts are the product's own English names; only the
// caption and "OK" are translated.
#include "app/services/about_dialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/services/update.h"
#include "base/text.h"
#include "base/win_handles.h"
#include "ui/dark_controls.h"
#include "ui/dialog_template.h"
#include "ui/fit_to_text.h"
#include "ui/static_link.h"
#include "ui/theme.h"
#include "ui/translation.h"

namespace {

constexpr int LEFT = 188;       // every text starts here, right of the icon
constexpr int ICON_AT = 30;
constexpr int ICON_SIZE = 128;
constexpr int BAND_MARGIN = 16;
constexpr COLORREF LIGHT_BACKGROUND = 0xECE9E6;
constexpr COLORREF LIGHT_BAND = 0xF0F0F0;
constexpr COLORREF LIGHT_BAND_LINE = 0xDFDFDF;
constexpr COLORREF LIGHT_VERSION_TEXT = 0x404040;
constexpr COLORREF LIGHT_TEXT = 0x292521;
constexpr UINT_PTR NO_CARET_SUBCLASS = 0x7A53;

struct AboutDialog {
    HFONT font;          // the shared UI font, or ownFont
    HFONT ownFont;       // made here when the program has none yet
    HFONT titleFont;     // made for the title, deleted here
    HFONT versionFont;   // made for the version, deleted here
    HBRUSH background;   // light look: made here; dark look: the theme's
    bool ownBackground;
    HICON icon;
    bool dark;
    StaticLinkState makerLink;
    StaticLinkState ytdlpLink;
    StaticLinkState ffmpegLink;
};

AboutDialog* state_of(HWND dialog) {
    return reinterpret_cast<AboutDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

HWND make_control(HWND dialog, HFONT font, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x,
                  int y, int w, int h) {
    HWND control = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, dialog,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

RECT rect_in(HWND dialog, HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A static of the credit or maker line, fitted to its text; returns its
// right edge, where the next piece of the line starts.
int make_text(HWND dialog, const AboutDialog& a, const wchar_t* text, int id, int x, int y) {
    HWND control = make_control(dialog, a.font, L"Static", text, SS_LEFT | SS_NOPREFIX, id, x, y, 100, 20);
    fit_to_text(control);
    return rect_in(dialog, control).right;
}

int make_link(HWND dialog, AboutDialog& a, StaticLinkState& state, const wchar_t* text, int id, int x, int y) {
    state.link = true;
    state.linkColour = g_colours.link;
    state.textColour = a.dark ? g_colours.text : LIGHT_TEXT;
    HWND link = create_link_control(&state, text, WS_VISIBLE | SS_LEFT | SS_NOPREFIX | WS_TABSTOP, x, y, dialog, id,
                                    GetModuleHandleW(nullptr));
    if (!link) {
        return x;
    }
    SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(a.font), TRUE);
    return rect_in(dialog, link).right;
}

// Selecting and copying the version works; the blinking caret of an input
// field would only suggest that it can be changed. The caret the edit makes
// on getting the focus is taken away at once rather than hidden: the edit
// shows a hidden caret again whenever it repaints.
LRESULT CALLBACK no_caret_proc(HWND edit, UINT message, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_SETFOCUS: {
        LRESULT result = DefSubclassProc(edit, message, wp, lp);
        HideCaret(edit);
        DestroyCaret();
        return result;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, no_caret_proc, NO_CARET_SUBCLASS);
        break;
    default:
        break;
    }
    return DefSubclassProc(edit, message, wp, lp);
}

// A copy of the control's font with this height and weight, kept by the
// caller; null when the font could not be made (the control keeps its own).
HFONT make_font_variant(HWND control, int height, int weight) {
    set_font_variant(control, height, weight);
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    return font;
}

void program_ytdlp_path(wchar_t (&out)[MAX_PATH]) {
    wchar_t module[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH);
    out[0] = 0;
    if (n == 0 || n >= MAX_PATH) {
        return;
    }
    wchar_t* slash = nullptr;
    for (wchar_t* p = module; *p; ++p) {
        if (*p == L'\\' || *p == L'/') {
            slash = p;
        }
    }
    if (!slash) {
        return;
    }
    slash[1] = 0;
    text_copy(out, module);
    if (text_append(out, L"bin\\yt-dlp.exe") + 1 >= MAX_PATH) {
        out[0] = 0;  // cut: it would name another file
    }
}

void create_controls(HWND dialog, AboutDialog& a, const AboutDialogParams* params) {
    RECT client;
    GetClientRect(dialog, &client);
    DWORD button = WS_TABSTOP | (a.dark ? BS_OWNERDRAW : BS_DEFPUSHBUTTON);
    HWND ok = make_control(dialog, a.font, L"Button", translate(L"OK"), button, IDOK, client.right - 84,
                           client.bottom - 33, 76, 25);

    HWND title = make_control(dialog, a.font, L"Static", L"Tavlo Video Downloader", SS_LEFT | SS_NOPREFIX,
                              ABOUT_TITLE, LEFT, 20, 100, 20);
    HFONT titleFont = make_font_variant(title, 28, 500);
    a.titleFont = titleFont != a.font ? titleFont : nullptr;
    fit_to_text(title);
    RECT titleRect = rect_in(dialog, title);
    int titleHeight = titleRect.bottom - titleRect.top;

    wchar_t version[260];
    about_version_text(params ? params->ytdlpPath : nullptr, version);
    HWND edit = make_control(dialog, a.font, L"Edit", version, ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP,
                             ABOUT_VERSION, LEFT, titleHeight + 20, 100, 30);
    HFONT versionFont = make_font_variant(edit, 18, 400);
    a.versionFont = versionFont != a.font ? versionFont : nullptr;
    SIZE versionSize = measure_text(edit, version);
    SetWindowPos(edit, nullptr, 0, 0, versionSize.cx + 8, 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HideCaret(edit);
    SetWindowSubclass(edit, no_caret_proc, NO_CARET_SUBCLASS, 0);

    int y = titleHeight + 60;
    wchar_t before[128];
    wchar_t after[128];
    about_maker_line(translate(L"Made by {maker}."), before, after);
    int x = make_text(dialog, a, before, ABOUT_MAKER_BEFORE, LEFT, y);
    x = make_link(dialog, a, a.makerLink, MAKER_NAME, ABOUT_MAKER_LINK, x, y);
    make_text(dialog, a, after, ABOUT_MAKER_AFTER, x, y);

    HWND credit = make_control(dialog, a.font, L"Static", L"Tavlo Video Downloader is made possible by the ",
                               SS_LEFT | SS_NOPREFIX, ABOUT_CREDIT, LEFT, titleHeight + 80, 100, 20);
    fit_to_text(credit);
    y = rect_in(dialog, credit).bottom + 2;
    x = make_link(dialog, a, a.ytdlpLink, L"yt-dlp", ABOUT_YTDLP_LINK, LEFT, y);
    x = make_text(dialog, a, L" and ", ABOUT_CREDIT_AND, x, y);
    x = make_link(dialog, a, a.ffmpegLink, L"ffmpeg", ABOUT_FFMPEG_LINK, x, y);
    make_text(dialog, a, L" open source projects.", ABOUT_CREDIT_END, x, y);

    if (a.dark) {
        track_hover(ok);
    }
}

BOOL on_init_dialog(HWND dialog, const AboutDialogParams* params) {
    auto* a = static_cast<AboutDialog*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(AboutDialog)));
    if (!a) {
        EndDialog(dialog, IDCANCEL);
        return FALSE;
    }
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(a));
    a->dark = is_dark();
    if (a->dark) {
        a->background = theme_background_brush();
    } else {
        a->background = CreateSolidBrush(LIGHT_BACKGROUND);
        a->ownBackground = true;
    }
    a->font = g_uiFont;
    if (!a->font) {
        a->ownFont = ui_font();
        a->font = a->ownFont;
    }
    a->icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ABOUT_ICON_ID), IMAGE_ICON,
                                            ICON_SIZE, ICON_SIZE, LR_CREATEDIBSECTION));
    SetWindowTextW(dialog, translate(L"About Tavlo"));
    if (a->dark) {
        set_dark_title_bar(dialog);
    }
    create_controls(dialog, *a, params);
    SetFocus(GetDlgItem(dialog, IDOK));
    return FALSE;
}

void paint(HWND dialog, const AboutDialog& a, HDC dc) {
    RECT client;
    GetClientRect(dialog, &client);
    if (a.dark) {
        FillRect(dc, &client, a.background);
    }
    HWND ok = GetDlgItem(dialog, IDOK);
    RECT okRect = ok ? rect_in(dialog, ok) : RECT{0, 0, 0, 25};
    int top = client.bottom - (okRect.bottom - okRect.top) - BAND_MARGIN;
    RECT band = {client.left, top, client.right, client.bottom};
    UniqueGdi<HBRUSH> bandBrush(CreateSolidBrush(a.dark ? g_colours.panel : LIGHT_BAND));
    FillRect(dc, &band, bandBrush.get());
    RECT line = {client.left, top - 1, client.right, top};
    UniqueGdi<HBRUSH> lineBrush(CreateSolidBrush(a.dark ? g_colours.separator : LIGHT_BAND_LINE));
    FillRect(dc, &line, lineBrush.get());
    if (a.icon) {
        DrawIconEx(dc, ICON_AT, ICON_AT, a.icon, ICON_SIZE, ICON_SIZE, 0, nullptr, DI_NORMAL);
    }
}

BOOL on_paint(HWND dialog, const AboutDialog& a) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    paint(dialog, a, dc);
    EndPaint(dialog, &ps);
    return TRUE;
}

void open_link(HWND dialog, int id) {
    const wchar_t* target = id == ABOUT_MAKER_LINK ? MAKER_URL : id == ABOUT_YTDLP_LINK ? YTDLP_URL : FFMPEG_URL;
    ShellExecuteW(dialog, L"open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

BOOL on_command(HWND dialog, int id) {
    switch (id) {
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, id);
        return TRUE;
    case ABOUT_MAKER_LINK:
    case ABOUT_YTDLP_LINK:
    case ABOUT_FFMPEG_LINK:
        open_link(dialog, id);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR on_control_colour(const AboutDialog& a, HDC dc, HWND control) {
    bool version = control && GetDlgCtrlID(control) == ABOUT_VERSION;
    COLORREF text = a.dark ? g_colours.text : version ? LIGHT_VERSION_TEXT : LIGHT_TEXT;
    SetTextColor(dc, text);
    SetBkMode(dc, TRANSPARENT);
    SetBkColor(dc, a.dark ? g_colours.windowBackground : LIGHT_BACKGROUND);
    return reinterpret_cast<INT_PTR>(a.background);
}

// The controls are gone by now: nothing draws with their fonts any more.
void free_fonts(AboutDialog& a) {
    for (HFONT* font : {&a.titleFont, &a.versionFont, &a.ownFont}) {
        if (*font) {
            DeleteObject(*font);
            *font = nullptr;
        }
    }
}

void on_destroy(AboutDialog& a) {
    if (a.ownBackground && a.background) {
        DeleteObject(a.background);
    }
    a.background = nullptr;
    if (a.icon) {
        DestroyIcon(a.icon);
        a.icon = nullptr;
    }
}

}  // namespace

void about_maker_line(const wchar_t* line, wchar_t (&before)[128], wchar_t (&after)[128]) {
    const wchar_t* at = text_find(line, MAKER_PLACEHOLDER);
    if (!at) {
        // A translation that lost the placeholder still names the maker, after its text.
        text_copy(before, line);
        text_append(before, L" ");
        after[0] = 0;
        return;
    }
    text_copy_n(before, line, static_cast<size_t>(at - line));
    text_copy(after, at + text_length(MAKER_PLACEHOLDER));
}

void about_version_text(const wchar_t* ytdlpPath, wchar_t (&out)[260]) {
    text_copy(out, PROGRAM_VERSION);
    wchar_t path[MAX_PATH];
    if (ytdlpPath) {
        text_copy(path, ytdlpPath);
    } else {
        program_ytdlp_path(path);
    }
    wchar_t ytdlp[260];  // 520 bytes
    if (path[0] && file_version_string(path, ytdlp, sizeof(ytdlp)) && ytdlp[0]) {
        text_append(out, L".");
        text_append(out, ytdlp);
    }
    text_append(out, L" (64 bits)");
}

INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_INITDIALOG) {
        return on_init_dialog(dialog, reinterpret_cast<const AboutDialogParams*>(lp));
    }
    AboutDialog* a = state_of(dialog);
    if (!a) {
        return FALSE;
    }
    switch (message) {
    case WM_COMMAND:
        return on_command(dialog, LOWORD(wp));
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        draw_dark_button(*item, hovered_window() == item->hwndItem);
        return TRUE;
    }
    case WM_ERASEBKGND:
        if (a->dark) {
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1);  // the painting covers everything
            return TRUE;
        }
        return FALSE;
    case WM_PAINT:
        return on_paint(dialog, *a);
    case WM_PRINTCLIENT:
        paint(dialog, *a, reinterpret_cast<HDC>(wp));
        return TRUE;
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(a->background);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return on_control_colour(*a, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_DESTROY:
        on_destroy(*a);
        return FALSE;
    case WM_NCDESTROY:
        free_fonts(*a);
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        HeapFree(GetProcessHeap(), 0, a);
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR show_about_dialog(HWND owner, const AboutDialogParams* params) {
    std::vector<WORD> frame = dialog_template(260, 120, translate(L"About Tavlo"));
    INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(frame.data()),
                                             owner, about_dialog_proc, reinterpret_cast<LPARAM>(params));
    return result == IDOK ? IDOK : IDCANCEL;
}
