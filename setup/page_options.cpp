// Page 603: install options, the folder and the desktop shortcut.
#include "base/text.h"
#include "setup/install.h"
#include "base/pick_folder.h"
#include "setup/setup_message.h"
#include "setup/setup_rules.h"
#include "setup/setup_state.h"
#include "setup/wizard_look.h"
#include "setup/wizard_pages.h"
#include "ui/fit_to_text.h"
#include "ui/input_frame.h"
#include "ui/theme.h"
#include "ui/translation.h"

namespace {

constexpr int ID_SHORTCUT = 821;
constexpr int ID_CHANGE = 825;
constexpr int ID_FOLDER = 826;
constexpr int ID_BACK = 831;

// Lives as long as the page: made in WM_INITDIALOG, freed in WM_NCDESTROY.
struct OptionsPage {
    HWND window;
    HFONT titleFont;
    HBRUSH editBrush;  // the dark look's edit, without and with the focus
    HBRUSH editFocusedBrush;
    bool ready;  // the edit's first text is not a change by the user
};

OptionsPage* page_of(HWND window) {
    return reinterpret_cast<OptionsPage*>(GetWindowLongPtrW(window, DWLP_USER));
}

int text_width(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    return r.right - r.left;
}

BOOL on_init_dialog(HWND window) {
    auto* p = static_cast<OptionsPage*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(OptionsPage)));
    if (!p) {
        return FALSE;
    }
    p->window = window;
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(p));
    size_page(window);
    const int W = g_wizardLook.width;
    const int H = g_wizardLook.height;
    p->titleFont = page_font(26, 600);
    if (is_dark()) {
        p->editBrush = CreateSolidBrush(g_colours.inputBackground);
        p->editFocusedBrush = CreateSolidBrush(g_colours.inputBackgroundFocused);
    }
    add_text(window, translate(L"Install options"), 30, 60, p->titleFont);
    HWND label = add_text(window, translate(L"Install path"), 30, 164, g_setup.font);
    int L = label ? text_width(label) : 80;
    HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", g_setup.installDir,
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, L + 60, 160, 290, 23, window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_FOLDER)), g_setup.instance, nullptr);
    if (edit) {
        SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(g_setup.font), FALSE);
        SendMessageW(edit, EM_SETLIMITTEXT, 260, 0);
        if (is_dark()) {
            flatten_input(edit);  // the page paints its rounded frame
        }
    }
    add_button(window, translate(L"Change"), ID_CHANGE, L + 355, 159, 100, 25, g_setup.font, false);
    HWND box = add_check_box(window, translate(L"Add a shortcut on the desktop"), ID_SHORTCUT, 30, 210, W - 60, 20,
                             g_setup.font);
    if (box) {
        fit_to_text(box);
        if (is_dark()) {
            // The drawn box leaves a little more room before its caption.
            RECT r;
            GetWindowRect(box, &r);
            SetWindowPos(box, nullptr, 0, 0, r.right - r.left + 8, r.bottom - r.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            SendMessageW(box, BM_SETCHECK, g_setup.desktopShortcut ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
    add_button(window, translate(L"< Back"), ID_BACK, 15, H - 45, 120, 30, g_setup.font, false);
    HWND install = add_button(window, translate(L"Install Now"), IDOK, W - 195, H - 45, 180, 30, g_setup.font, true);
    p->ready = true;
    if (install) {
        SetFocus(install);
    }
    return FALSE;  // the focus is set
}

void on_nc_destroy(HWND window, OptionsPage* p) {
    if (!p) {
        return;
    }
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(p->titleFont), static_cast<HGDIOBJ>(p->editBrush),
                           static_cast<HGDIOBJ>(p->editFocusedBrush)}) {
        if (object) {
            DeleteObject(object);
        }
    }
    HeapFree(GetProcessHeap(), 0, p);
    SetWindowLongPtrW(window, DWLP_USER, 0);
}

void change_folder(HWND window) {
    wchar_t current[MAX_PATH];
    GetDlgItemTextW(window, ID_FOLDER, current, MAX_PATH);
    wchar_t chosen[MAX_PATH];
    if (SUCCEEDED(pick_folder(chosen, current))) {
        SetDlgItemTextW(window, ID_FOLDER, chosen);
    }
}

// Both ways out of the page need a usable folder.
void leave(HWND window, int nextPage) {
    trim_trailing_backslash(g_setup.installDir);
    if (is_valid_install_dir(g_setup.installDir)) {
        PostMessageW(GetParent(window), SETUP_GOTO_PAGE, static_cast<WPARAM>(nextPage), 0);
        return;
    }
    setup_message(window, translate(L"Invalid folder"), nullptr, MB_OK);
    HWND edit = GetDlgItem(window, ID_FOLDER);
    SetWindowTextW(edit, g_setup.installDir);
    SetFocus(edit);
}

void toggle_shortcut(HWND window) {
    HWND box = GetDlgItem(window, ID_SHORTCUT);
    if (is_dark()) {
        g_setup.desktopShortcut = !g_setup.desktopShortcut;
        InvalidateRect(box, nullptr, TRUE);
    } else {
        g_setup.desktopShortcut = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
}

// The dark look's frame around the folder edit, over the page's picture.
INT_PTR on_paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    HWND edit = GetDlgItem(window, ID_FOLDER);
    if (is_dark() && edit) {
        draw_input_frame(dc, window, edit);
    }
    EndPaint(window, &ps);
    return TRUE;
}

// The frame shows the focus: repaint it and the edit when it comes or goes.
void repaint_input_frame(HWND window) {
    HWND edit = GetDlgItem(window, ID_FOLDER);
    if (!is_dark() || !edit) {
        return;
    }
    RECT r;
    GetWindowRect(edit, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    InflateRect(&r, 6, 6);
    InvalidateRect(window, &r, TRUE);
    InvalidateRect(edit, nullptr, TRUE);
}

// The edit's colours inside the dark frame: the frame's fill, darker while
// it has the focus.
INT_PTR on_edit_colour(const OptionsPage& p, HDC dc, HWND edit) {
    bool hasFocus = GetFocus() == edit;
    SetTextColor(dc, g_colours.text);
    SetBkColor(dc, hasFocus ? g_colours.inputBackgroundFocused : g_colours.inputBackground);
    return reinterpret_cast<INT_PTR>(hasFocus ? p.editFocusedBrush : p.editBrush);
}

INT_PTR on_command(HWND window, OptionsPage& p, int id, int code) {
    switch (id) {
    case ID_FOLDER:
        if (code == EN_CHANGE && p.ready) {
            GetDlgItemTextW(window, ID_FOLDER, g_setup.installDir, MAX_PATH);
        } else if (code == EN_SETFOCUS || code == EN_KILLFOCUS) {
            repaint_input_frame(window);
        }
        return TRUE;
    case ID_CHANGE:
        change_folder(window);
        return TRUE;
    case ID_SHORTCUT:
        if (code == BN_CLICKED) {
            toggle_shortcut(window);
        }
        return TRUE;
    case ID_BACK:
        leave(window, PAGE_WELCOME);
        return TRUE;
    case IDOK:
        leave(window, PAGE_INSTALLING);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK options_page_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    OptionsPage* p = page_of(window);
    switch (message) {
    case WM_INITDIALOG:
        return on_init_dialog(window);
    case WM_SIZE:
        size_page(window);
        return TRUE;
    case WM_COMMAND:
        return p ? on_command(window, *p, LOWORD(wp), HIWORD(wp)) : FALSE;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        draw_page_item(item, item.CtlID == ID_SHORTCUT, g_setup.desktopShortcut);
        return TRUE;
    }
    case WM_PAINT:
        return on_paint(window);
    case WM_CTLCOLOREDIT:
        if (is_dark() && p) {
            return on_edit_colour(*p, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        }
        return page_colours(window, message, wp, lp);
    case WM_ERASEBKGND:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return page_colours(window, message, wp, lp);
    case WM_NCDESTROY:
        on_nc_destroy(window, p);
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

HWND create_options_page(HWND frame) {
    return create_page(frame, options_page_proc);
}
