#include "app/shell/main_window_panel.h"

#include <commctrl.h>
#include <shellapi.h>

#include <new>
#include <vector>

#include "base/win_handles.h"
#include "ui/dark_controls.h"
#include "ui/theme.h"
#include "ui/translation.h"

namespace {

constexpr int TOOLBAR_X = 8;
constexpr int TOOLBAR_Y = 7;
constexpr int TOOLBAR_WIDTH = 550;
constexpr int TOOLBAR_HEIGHT = 26;
constexpr int BUTTON_SIZE = 26;
constexpr int CLEAR_WIDTH = 100;  // at least; wider where a translation needs it
constexpr int CLEAR_HEIGHT = 27;
constexpr int CLEAR_MARGIN = 10;  // from the button's right to the panel's right edge
constexpr int CLEAR_PADDING = 24;  // around the caption, inside the button's frame
constexpr int CLEAR_Y = 6;

// Lives as long as the panel; freed with its window.
struct PanelState {
    HWND panel;
    HWND toolbar;
    HWND clear;
    int clearWidth;
    HFONT font;
    HBITMAP patternBitmap;
    HBRUSH pattern;        // 1 x 40: the darker top line, then the panel colour
    HBRUSH hotBrush;       // dark mode only
    HBRUSH pressedBrush;   // dark mode only
    HIMAGELIST images;
};

struct PanelParams {
    HFONT font;
};

HBRUSH make_pattern(PanelState& s) {
    // One column: the panel is 40 pixels high, so the line shows once.
    DWORD pixels[PANEL_HEIGHT];
    COLORREF line = panel_line_colour(g_colours.panel);
    for (int y = 0; y < PANEL_HEIGHT; ++y) {
        COLORREF c = y == 0 ? line : g_colours.panel;
        pixels[y] = (static_cast<DWORD>(GetRValue(c)) << 16) | (static_cast<DWORD>(GetGValue(c)) << 8) | GetBValue(c);
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 1;
    info.bmiHeader.biHeight = -PANEL_HEIGHT;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    s.patternBitmap = CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, pixels, &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return s.patternBitmap ? CreatePatternBrush(s.patternBitmap) : nullptr;
}

// The shell's small stock icon; where the system has no stock icons (older
// systems, Wine) the classic picture of the shell's own icon resources.
HICON small_shell_icon(SHSTOCKICONID id, int classicResource, const wchar_t* systemIcon) {
    using GetStockIconInfo = HRESULT(WINAPI*)(SHSTOCKICONID, UINT, SHSTOCKICONINFO*);
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    auto get = shell ? reinterpret_cast<GetStockIconInfo>(
                           reinterpret_cast<void*>(GetProcAddress(shell, "SHGetStockIconInfo")))
                     : nullptr;
    SHSTOCKICONINFO info = {};
    info.cbSize = sizeof(info);
    if (get && SUCCEEDED(get(id, SHGSI_ICON | SHGSI_SMALLICON, &info)) && info.hIcon) {
        return info.hIcon;
    }
    HICON icon = nullptr;
    if (ExtractIconExW(L"shell32.dll", -classicResource, nullptr, &icon, 1) == 1 && icon) {
        return icon;
    }
    // A shared system icon must not be destroyed: hand out a copy.
    HICON shared = static_cast<HICON>(LoadImageW(nullptr, systemIcon, IMAGE_ICON, 16, 16, LR_SHARED));
    return shared ? CopyIcon(shared) : nullptr;
}

// Adds the icon and destroys it; its index, or I_IMAGENONE.
int add_icon(HIMAGELIST images, HICON icon) {
    if (!icon) {
        return I_IMAGENONE;
    }
    int index = ImageList_AddIcon(images, icon);
    DestroyIcon(icon);
    return index >= 0 ? index : I_IMAGENONE;
}

// The Options picture, then the folder and the help icons; each button
// takes the index its picture really got, so a missing one leaves a button
// without a picture rather than with another's.
struct ToolbarImages {
    int options;
    int folder;
    int help;
};
ToolbarImages build_images(PanelState& s, HINSTANCE instance) {
    ToolbarImages indices = {I_IMAGENONE, I_IMAGENONE, I_IMAGENONE};
    s.images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 0);
    if (!s.images) {
        return indices;
    }
    UniqueGdi<HBITMAP> options(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(OPTIONS_BITMAP_RESOURCE), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (options) {
        int index = ImageList_Add(s.images, options.get(), nullptr);
        indices.options = index >= 0 ? index : I_IMAGENONE;
    }
    // Resources 4 and 24 of shell32.dll are the classic folder and help pictures.
    indices.folder = add_icon(s.images, small_shell_icon(SIID_FOLDER, 4, IDI_APPLICATION));
    indices.help = add_icon(s.images, small_shell_icon(SIID_HELP, 24, IDI_QUESTION));
    return indices;
}

void create_toolbar(PanelState& s, HINSTANCE instance) {
    // Text beside each picture (a list toolbar): below it, it would not fit
    // the 26-pixel band.
    s.toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBSTYLE_FLAT | TBSTYLE_LIST |
                                    TBSTYLE_CUSTOMERASE | CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_NORESIZE,
                                TOOLBAR_X, TOOLBAR_Y, TOOLBAR_WIDTH, TOOLBAR_HEIGHT, s.panel,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_TOOLBAR)), instance, nullptr);
    if (!s.toolbar) {
        return;
    }
    SendMessageW(s.toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(s.toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    SendMessageW(s.toolbar, WM_SETFONT, reinterpret_cast<WPARAM>(s.font), FALSE);
    ToolbarImages images = build_images(s, instance);
    SendMessageW(s.toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(s.images));
    SendMessageW(s.toolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(BUTTON_SIZE, BUTTON_SIZE));

    struct Button {
        int command;
        int image;
        const wchar_t* text;
    };
    const Button buttons[] = {
        {ID_ABOUT, images.help, translate(L"About")},
        {ID_OPTIONS, images.options, translate(L"Options")},
        {ID_OPEN_FOLDER, images.folder, translate(L"Open downloads folder")},
    };
    TBBUTTON added[3] = {};
    for (int i = 0; i < 3; ++i) {
        added[i].iBitmap = buttons[i].image;
        added[i].idCommand = buttons[i].command;
        added[i].fsState = TBSTATE_ENABLED;
        added[i].fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        added[i].iString = reinterpret_cast<INT_PTR>(buttons[i].text);
    }
    SendMessageW(s.toolbar, TB_ADDBUTTONSW, 3, reinterpret_cast<LPARAM>(added));
}

void create_clear_button(PanelState& s, HINSTANCE instance) {
    RECT client;
    GetClientRect(s.panel, &client);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (is_dark() ? BS_OWNERDRAW : BS_PUSHBUTTON);
    s.clear = CreateWindowExW(0, L"Button", translate(L"Clear list"), style, 0, CLEAR_Y, CLEAR_WIDTH, CLEAR_HEIGHT,
                              s.panel, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_CLEAR_LIST)), instance,
                              nullptr);
    if (!s.clear) {
        return;
    }
    SendMessageW(s.clear, WM_SETFONT, reinterpret_cast<WPARAM>(s.font), FALSE);
    // 100 pixels hold the English caption; some translations need more, and
    // a cut caption would hide what the button does.
    wchar_t caption[128];
    GetWindowTextW(s.clear, caption, 128);
    int needed = measure_text(s.clear, caption).cx + CLEAR_PADDING;
    s.clearWidth = needed > CLEAR_WIDTH ? needed : CLEAR_WIDTH;
    SetWindowPos(s.clear, nullptr, client.right - CLEAR_MARGIN - s.clearWidth, CLEAR_Y, s.clearWidth, CLEAR_HEIGHT,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (is_dark()) {
        track_hover(s.clear);
    }
}

BOOL on_init_dialog(HWND panel, const PanelParams& params) {
    auto* s = new (std::nothrow) PanelState();
    if (!s) {
        return FALSE;
    }
    SetWindowLongPtrW(panel, DWLP_USER, reinterpret_cast<LONG_PTR>(s));
    s->panel = panel;
    s->font = params.font;
    s->pattern = make_pattern(*s);
    if (is_dark()) {
        s->hotBrush = CreateSolidBrush(g_colours.toolbarHot);
        s->pressedBrush = CreateSolidBrush(g_colours.toolbarPressed);
    }
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(panel, GWLP_HINSTANCE));
    create_toolbar(*s, instance);
    create_clear_button(*s, instance);
    return FALSE;  // the focus stays where it is: the panel is still hidden
}

HBRUSH panel_brush(const PanelState& s) {
    return s.pattern ? s.pattern : GetSysColorBrush(COLOR_BTNFACE);
}

void on_paint(HWND panel, const PanelState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(panel, &ps);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    FillRect(dc, &ps.rcPaint, panel_brush(s));
    EndPaint(panel, &ps);
}

void on_size(const PanelState& s, int width) {
    if (s.clear) {
        SetWindowPos(s.clear, nullptr, width - CLEAR_MARGIN - s.clearWidth, CLEAR_Y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// The dark toolbar: the panel colour behind the buttons, the hot and pressed
// brushes under them, light text, and nothing of the toolbar's own look.
LRESULT on_toolbar_draw(const PanelState& s, NMTBCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT: {
        UniqueGdi<HBRUSH> background(CreateSolidBrush(g_colours.panel));
        FillRect(draw.nmcd.hdc, &draw.nmcd.rc, background.get());
        return CDRF_NOTIFYITEMDRAW;
    }
    case CDDS_ITEMPREPAINT: {
        UINT state = draw.nmcd.uItemState;
        if ((state & (CDIS_SELECTED | CDIS_CHECKED)) && s.pressedBrush) {
            FillRect(draw.nmcd.hdc, &draw.nmcd.rc, s.pressedBrush);
        } else if ((state & CDIS_HOT) && s.hotBrush) {
            FillRect(draw.nmcd.hdc, &draw.nmcd.rc, s.hotBrush);
        }
        draw.clrText = (state & CDIS_DISABLED) ? RGB(140, 140, 140) : RGB(255, 255, 255);
        return TBCDRF_USECDCOLORS | TBCDRF_NOBACKGROUND | TBCDRF_NOEDGES | TBCDRF_NOOFFSET;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

// Behind the buttons the toolbar shows the panel as it is painted: its own
// erasing would put a lighter band across the panel.
LRESULT on_toolbar_erase(const PanelState& s, const NMCUSTOMDRAW& draw) {
    RECT r;
    GetClientRect(s.toolbar, &r);
    prepare_control_colours(draw.hdc, s.panel, s.toolbar);
    FillRect(draw.hdc, &r, panel_brush(s));
    return CDRF_SKIPDEFAULT;
}

INT_PTR on_notify(HWND panel, const PanelState& s, NMHDR& header) {
    if (header.idFrom != ID_TOOLBAR || header.code != NM_CUSTOMDRAW) {
        return FALSE;
    }
    auto& draw = reinterpret_cast<NMTBCUSTOMDRAW&>(header);
    LRESULT result = CDRF_DODEFAULT;
    if (draw.nmcd.dwDrawStage == CDDS_PREERASE) {
        result = on_toolbar_erase(s, draw.nmcd);
    } else if (is_dark()) {
        result = on_toolbar_draw(s, draw);
    }
    SetWindowLongPtrW(panel, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR on_draw_item(const DRAWITEMSTRUCT& item) {
    if (item.CtlID != ID_CLEAR_LIST) {
        return FALSE;
    }
    draw_dark_button(item, hovered_window() == item.hwndItem);
    return TRUE;
}

// The light push button's corners and the statics show the pattern, lined
// up with the panel's own painting.
INT_PTR on_control_colour(HWND panel, const PanelState& s, HDC dc, HWND control) {
    prepare_control_colours(dc, panel, control);
    SetTextColor(dc, g_colours.text);
    return reinterpret_cast<INT_PTR>(panel_brush(s));
}

void on_nc_destroy(HWND panel, PanelState* s) {
    SetWindowLongPtrW(panel, DWLP_USER, 0);
    if (s->images) {
        ImageList_Destroy(s->images);
    }
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(s->pattern), static_cast<HGDIOBJ>(s->patternBitmap),
                           static_cast<HGDIOBJ>(s->hotBrush), static_cast<HGDIOBJ>(s->pressedBrush)}) {
        if (object) {
            DeleteObject(object);
        }
    }
    delete s;
}

INT_PTR CALLBACK panel_proc(HWND panel, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_INITDIALOG) {
        return on_init_dialog(panel, *reinterpret_cast<const PanelParams*>(lp));
    }
    auto* s = reinterpret_cast<PanelState*>(GetWindowLongPtrW(panel, DWLP_USER));
    if (!s) {
        return FALSE;
    }
    switch (message) {
    case WM_ERASEBKGND:
        SetWindowLongPtrW(panel, DWLP_MSGRESULT, 1);  // WM_PAINT covers all of it
        return TRUE;
    case WM_PAINT:
        on_paint(panel, *s);
        return TRUE;
    case WM_SIZE:
        on_size(*s, LOWORD(lp));
        return TRUE;
    case WM_NOTIFY:
        return on_notify(panel, *s, *reinterpret_cast<NMHDR*>(lp));
    case WM_DRAWITEM:
        return on_draw_item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return on_control_colour(panel, *s, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_COMMAND:
        // The main window does what the buttons ask.
        SendMessageW(GetParent(panel), WM_COMMAND, wp, lp);
        return TRUE;
    case WM_NCDESTROY:
        on_nc_destroy(panel, s);
        return FALSE;
    default:
        return FALSE;
    }
}

// A child dialog without controls of its own template: WM_INITDIALOG makes them.
std::vector<WORD> panel_template() {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
    t->style = WS_CHILD | WS_CLIPCHILDREN | DS_CONTROL;
    t->dwExtendedStyle = WS_EX_CONTROLPARENT;
    words.push_back(0);  // no menu
    words.push_back(0);  // the standard dialog class
    words.push_back(0);  // no title
    return words;
}

}  // namespace

COLORREF panel_line_colour(COLORREF panel) {
    auto darker = [](int channel) { return static_cast<BYTE>(channel > 9 ? channel - 9 : 0); };
    return RGB(darker(GetRValue(panel)), darker(GetGValue(panel)), darker(GetBValue(panel)));
}

HWND create_bottom_panel(HWND mainWindow, HINSTANCE instance, HFONT font) {
    PanelParams params = {font};
    std::vector<WORD> frame = panel_template();
    HWND panel = CreateDialogIndirectParamW(instance, reinterpret_cast<DLGTEMPLATE*>(frame.data()), mainWindow,
                                            panel_proc, reinterpret_cast<LPARAM>(&params));
    return panel;
}
