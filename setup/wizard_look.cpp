#include "setup/wizard_look.h"

#include <commctrl.h>

#include "base/text.h"
#include "setup/setup_state.h"
#include "ui/dark_controls.h"
#include "ui/fit_to_text.h"
#include "ui/theme.h"

WizardLook g_wizardLook = {};

std::vector<WORD> page_template() {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
    t->style = WS_CHILD;
    t->dwExtendedStyle = WS_EX_CONTROLPARENT;
    words.push_back(0);  // no menu
    words.push_back(0);  // the standard dialog class
    words.push_back(0);  // no title
    return words;
}

HWND create_page(HWND frame, DLGPROC procedure, LPARAM param) {
    std::vector<WORD> dialog = page_template();
    HINSTANCE instance = g_setup.instance ? g_setup.instance : GetModuleHandleW(nullptr);
    HWND page = CreateDialogIndirectParamW(instance, reinterpret_cast<DLGTEMPLATE*>(dialog.data()), frame, procedure,
                                           param);
    if (page) {
        ShowWindow(page, SW_SHOW);
    }
    return page;
}

void size_page(HWND page) {
    SetWindowPos(page, nullptr, 0, 0, g_wizardLook.width, g_wizardLook.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

// A themed control asks its parent to paint the background behind it into
// the control's own device context, whose origin is moved to the parent's;
// a pattern brush is anchored to the device, so it is moved along, or the
// picture's top row would show at the top of every such control.
void erase_with_picture(HWND page, HDC dc, HBRUSH background) {
    POINT origin = {0, 0};
    GetViewportOrgEx(dc, &origin);
    POINT previous = {0, 0};
    SetBrushOrgEx(dc, origin.x, origin.y, &previous);
    RECT client;
    GetClientRect(page, &client);
    FillRect(dc, &client, background);
    SetBrushOrgEx(dc, previous.x, previous.y, nullptr);
}

}  // namespace

INT_PTR page_colours(HWND page, UINT message, WPARAM wp, LPARAM lp) {
    HDC dc = reinterpret_cast<HDC>(wp);
    HWND control = reinterpret_cast<HWND>(lp);
    HBRUSH background = g_wizardLook.background ? g_wizardLook.background
                                                : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    switch (message) {
    case WM_ERASEBKGND:
        erase_with_picture(page, dc, background);
        SetWindowLongPtrW(page, DWLP_MSGRESULT, 1);
        return TRUE;
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(background);
    case WM_CTLCOLORSTATIC:
        prepare_control_colours(dc, page, control);
        SetTextColor(dc, g_colours.text);
        return reinterpret_cast<INT_PTR>(GetStockObject(HOLLOW_BRUSH));
    case WM_CTLCOLORBTN:
        prepare_control_colours(dc, page, control);
        SetTextColor(dc, g_colours.text);
        return reinterpret_cast<INT_PTR>(background);
    default:
        return 0;
    }
}

HFONT page_font(int height, int weight, const wchar_t* face, bool antialiased) {
    LOGFONTW lf = {};
    if (!g_setup.font || !GetObjectW(g_setup.font, sizeof(lf), &lf)) {
        text_copy(lf.lfFaceName, L"Segoe UI");
    }
    lf.lfHeight = height;
    lf.lfWidth = 0;
    lf.lfWeight = weight;
    lf.lfItalic = FALSE;
    lf.lfUnderline = FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    if (face) {
        text_copy(lf.lfFaceName, face);
    }
    if (antialiased) {
        lf.lfQuality = ANTIALIASED_QUALITY;
    }
    return CreateFontIndirectW(&lf);
}

namespace {

HWND make_child(HWND page, const wchar_t* className, const wchar_t* text, DWORD style, int id, int x, int y,
                int width, int height, HFONT font, DWORD exStyle = 0) {
    HWND control = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, page,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    if (control && font) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return control;
}

}  // namespace

HWND add_text(HWND page, const wchar_t* text, int x, int y, HFONT font) {
    HWND control = make_child(page, L"Static", text, SS_LEFT | SS_NOPREFIX, -1, x, y, 10, 10, font);
    if (control) {
        fit_to_text(control);
    }
    return control;
}

HWND add_button(HWND page, const wchar_t* text, int id, int x, int y, int width, int height, HFONT font,
                bool isDefault) {
    DWORD style = WS_TABSTOP | (is_dark() ? BS_OWNERDRAW : (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON));
    HWND button = make_child(page, L"Button", text, style, id, x, y, width, height, font);
    if (button && is_dark()) {
        track_hover(button);
    }
    return button;
}

HWND add_check_box(HWND page, const wchar_t* text, int id, int x, int y, int width, int height, HFONT font) {
    DWORD style = WS_TABSTOP | (is_dark() ? BS_OWNERDRAW : BS_AUTOCHECKBOX);
    HWND box = make_child(page, L"Button", text, style, id, x, y, width, height, font);
    if (box && is_dark()) {
        track_hover(box);
    }
    return box;
}

HWND add_marquee(HWND page, int x, int y, int width, int height) {
    HWND bar = make_child(page, PROGRESS_CLASSW, L"", PBS_MARQUEE, -1, x, y, width, height, nullptr);
    if (bar) {
        if (is_dark()) {
            SendMessageW(bar, PBM_SETBKCOLOR, 0, static_cast<LPARAM>(g_colours.progressTrack));
            SendMessageW(bar, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(g_colours.accent));
        }
        SendMessageW(bar, PBM_SETMARQUEE, TRUE, 20);
    }
    return bar;
}

void draw_page_item(const DRAWITEMSTRUCT& item, bool isCheckBox, bool checked) {
    if (isCheckBox) {
        draw_dark_check_box(item, checked);
    } else {
        draw_dark_button(item, hovered_window() == item.hwndItem);
    }
}

void centre_horizontally(HWND control, int y) {
    RECT r;
    GetWindowRect(control, &r);
    int width = r.right - r.left;
    SetWindowPos(control, nullptr, (g_wizardLook.width - width) / 2, y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
