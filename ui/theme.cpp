#include "ui/theme.h"

#include <dwmapi.h>

#include "base/text.h"
#include "base/win_handles.h"

ThemeColours g_colours;
HFONT g_uiFont = nullptr;

namespace {

enum class DarkAnswer { Undecided, Light, Dark };
DarkAnswer g_answer = DarkAnswer::Undecided;
HBRUSH g_backgroundBrush = nullptr;

constexpr DWORD DWMWA_DARK_MODE = 20;  // DWMWA_USE_IMMERSIVE_DARK_MODE

}  // namespace

bool system_prefers_dark() {
    DWORD value = 1;
    DWORD size = sizeof(value);
    LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                                  L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size);
    return status == ERROR_SUCCESS && value == 0;
}

bool is_dark() {
    if (g_answer == DarkAnswer::Undecided) {
        return system_prefers_dark();
    }
    return g_answer == DarkAnswer::Dark;
}

void fix_dark_mode(bool dark) {
    g_answer = dark ? DarkAnswer::Dark : DarkAnswer::Light;
}

void fill_theme_colours() {
    ThemeColours& c = g_colours;
    c = {};
    if (is_dark()) {
        c.windowBackground = RGB(25, 25, 25);
        c.panel = RGB(41, 41, 41);
        c.text = RGB(240, 240, 240);
        c.secondaryText = RGB(165, 165, 165);
        c.accent = RGB(96, 205, 255);
        c.separator = RGB(60, 60, 60);
        c.progressTrack = RGB(74, 74, 74);
        c.listSelection = RGB(49, 64, 84);
        c.link = RGB(153, 235, 255);
        c.selectedItemBackground = RGB(39, 39, 39);
        c.selectedItemBorder = RGB(255, 255, 255);
        c.selectedItemText = RGB(255, 255, 255);
        c.buttonFace = RGB(58, 58, 58);
        c.buttonHot = RGB(74, 74, 74);
        c.buttonPressed = RGB(45, 45, 45);
        c.buttonBorder = RGB(90, 90, 90);
        c.buttonBorderHot = RGB(120, 120, 120);
        c.buttonBorderPressed = RGB(140, 140, 140);
        c.buttonBorderFocused = RGB(76, 194, 255);
        c.toolbarHot = RGB(58, 58, 58);
        c.toolbarPressed = RGB(45, 45, 45);
        c.checkBoxBorder = RGB(134, 134, 134);
        c.checkBoxFace = RGB(39, 39, 39);
        c.checkBoxChecked = RGB(76, 194, 255);
        c.checkMark = RGB(27, 21, 8);
        c.editBackground = RGB(55, 55, 55);
        c.editLine = RGB(159, 159, 159);
        c.editFrame = RGB(58, 58, 58);
        c.editLineFocused = RGB(76, 194, 255);
        c.comboBackground = RGB(44, 44, 44);
        c.comboFrame = RGB(58, 58, 58);
        c.comboArrow = RGB(224, 224, 224);
        c.inputBackground = RGB(44, 44, 44);
        c.inputBackgroundFocused = RGB(34, 34, 34);
        c.inputFrameOuter = RGB(47, 47, 47);
        c.inputFrameInner = RGB(62, 62, 62);
        c.inputFrameFocusedOuter = RGB(59, 59, 59);
        c.inputFrameFocusedInner = RGB(76, 194, 255);
    } else {
        c.windowBackground = RGB(255, 255, 255);
        c.panel = GetSysColor(COLOR_BTNFACE);
        c.text = RGB(0, 0, 0);
        c.secondaryText = RGB(108, 108, 108);
        c.accent = RGB(0, 120, 215);
        c.separator = RGB(220, 220, 220);
        c.progressTrack = RGB(217, 217, 217);
        c.listSelection = RGB(0, 120, 215);
        c.link = RGB(0, 102, 204);
        c.selectedItemBackground = RGB(204, 232, 255);
        c.selectedItemBorder = RGB(0, 120, 215);
        c.selectedItemText = RGB(0, 0, 0);
        c.buttonFace = RGB(236, 236, 236);
        c.buttonHot = RGB(225, 225, 225);
        c.buttonPressed = RGB(210, 210, 210);
        c.buttonBorder = RGB(173, 173, 173);
        c.buttonBorderHot = RGB(140, 140, 140);
        c.buttonBorderPressed = RGB(120, 120, 120);
    }
    c.closeGlyph = RGB(176, 192, 205);
    c.closeGlyphHot = RGB(230, 58, 59);
    c.mutedText = RGB(108, 108, 108);
    c.disabledText = RGB(140, 140, 140);

    if (g_backgroundBrush) {
        DeleteObject(g_backgroundBrush);
    }
    g_backgroundBrush = CreateSolidBrush(c.windowBackground);
}

HBRUSH theme_background_brush() {
    if (!g_backgroundBrush) {
        fill_theme_colours();
    }
    return g_backgroundBrush;
}

void enable_dark_menus() {
    wchar_t path[MAX_PATH];
    UINT n = GetSystemDirectoryW(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return;
    }
    text_append(path, L"\\uxtheme.dll");
    // Kept loaded for the rest of the run: the process now draws through it.
    HMODULE uxtheme = LoadLibraryW(path);
    if (!uxtheme) {
        return;
    }
    // Undocumented exports, known only by ordinal: SetPreferredAppMode and
    // FlushMenuThemes. Where they are missing, menus simply stay light.
    using SetPreferredAppMode = int(WINAPI*)(int);
    using FlushMenuThemes = void(WINAPI*)();
    auto setMode = reinterpret_cast<SetPreferredAppMode>(
        reinterpret_cast<void*>(GetProcAddress(uxtheme, MAKEINTRESOURCEA(135))));
    auto flush = reinterpret_cast<FlushMenuThemes>(
        reinterpret_cast<void*>(GetProcAddress(uxtheme, MAKEINTRESOURCEA(136))));
    if (setMode) {
        setMode(2);  // force dark
    }
    if (flush) {
        flush();
    }
}

void set_dark_title_bar(HWND window) {
    BOOL dark = is_dark() ? TRUE : FALSE;
    DwmSetWindowAttribute(window, DWMWA_DARK_MODE, &dark, sizeof(dark));
}

HFONT ui_font() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    metrics.lfMessageFont.lfQuality = CLEARTYPE_QUALITY;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

SIZE measure_text(HWND window, const wchar_t* text) {
    SIZE size = {0, 0};
    HDC dc = GetDC(window);
    if (!dc) {
        return size;
    }
    HFONT font = window ? reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)) : nullptr;
    UniqueGdi<HFONT> fallback;
    if (!font) {
        fallback.reset(ui_font());
        font = fallback.get();
    }
    {
        SelectScope select(dc, font);
        RECT r = {0, 0, 0, 0};
        DrawTextW(dc, text ? text : L"", -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        size.cx = r.right - r.left;
        size.cy = r.bottom - r.top;
    }
    ReleaseDC(window, dc);
    return size;
}

void set_font_variant(HWND control, int height, int weight) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    UniqueGdi<HFONT> fallback;
    if (!font) {
        fallback.reset(ui_font());
        font = fallback.get();
    }
    LOGFONTW lf = {};
    if (!GetObjectW(font, sizeof(lf), &lf)) {
        return;
    }
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfItalic = FALSE;
    lf.lfUnderline = FALSE;
    // The control keeps this font for its life; its window deletes it.
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(CreateFontIndirectW(&lf)), TRUE);
}

BOOL CALLBACK set_font_on_child(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

INT_PTR dark_dialog_colours(HDC dc) {
    SetTextColor(dc, g_colours.text);
    SetBkColor(dc, g_colours.windowBackground);
    return reinterpret_cast<INT_PTR>(theme_background_brush());
}

void prepare_control_colours(HDC dc, HWND parent, HWND control) {
    SetBkMode(dc, TRANSPARENT);
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    SetBrushOrgEx(dc, -r.left, -r.top, nullptr);
}
