// The password dialog of an item: asked for when a tool reports that the
// video needs one.
#include "app/items/password_dialog.h"

#include <uxtheme.h>

#include "base/text.h"
#include "base/win_handles.h"
#include "ui/dark_controls.h"
#include "ui/dialog_template.h"
#include "ui/theme.h"
#include "ui/translation.h"

namespace {

constexpr int ID_PROMPT = 990;
constexpr int ID_PASSWORD = 996;

struct PasswordDialog {
    DownloadItem* item;
    HFONT font;
    HBRUSH editBrush;  // dark mode: the edit's own background
};

PasswordDialog* state_of(HWND dialog) {
    return reinterpret_cast<PasswordDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

HWND make_control(HWND dialog, const PasswordDialog& d, DWORD exStyle, const wchar_t* cls, const wchar_t* text,
                  DWORD style, int id, int x, int y, int w, int h) {
    HWND control = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, dialog,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(d.font), FALSE);
    return control;
}

BOOL on_init_dialog(HWND dialog, PasswordDialog& d) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&d));
    SetWindowTextW(dialog, translate(L"Password required"));
    RECT client;
    GetClientRect(dialog, &client);
    int w = client.right;
    int h = client.bottom;
    bool dark = is_dark();
    make_control(dialog, d, 0, L"Static", translate(L"Please enter the video password:"), SS_LEFT | SS_NOPREFIX,
                 ID_PROMPT, 15, 16, w - 30, 20);
    HWND edit = make_control(dialog, d, dark ? 0 : WS_EX_CLIENTEDGE, L"Edit", L"",
                             WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL, ID_PASSWORD, 15, 36, w - 30, 23);
    SendMessageW(edit, EM_LIMITTEXT, 255, 0);
    DWORD buttonStyle = WS_TABSTOP | (dark ? BS_OWNERDRAW : 0);
    HWND ok = make_control(dialog, d, 0, L"Button", translate(L"OK"), buttonStyle | (dark ? 0 : BS_DEFPUSHBUTTON),
                           IDOK, (w - 162) / 2, h - 35, 76, 25);
    HWND cancel = make_control(dialog, d, 0, L"Button", translate(L"Cancel"), buttonStyle, IDCANCEL,
                               (w - 162) / 2 + 86, h - 35, 76, 25);
    EnableWindow(ok, FALSE);  // nothing to send yet
    if (dark) {
        set_dark_title_bar(dialog);
        SetWindowTheme(edit, L" ", L" ");
        MoveWindow(edit, 16, 37, w - 32, 20, FALSE);
        d.editBrush = CreateSolidBrush(g_colours.editBackground);
        track_hover(ok);
        track_hover(cancel);
    }
    SetFocus(edit);
    return FALSE;
}

// The line under the edit, and its frame while it has the focus.
void paint_dark(HWND dialog) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    RECT client;
    GetClientRect(dialog, &client);
    FillRect(dc, &client, theme_background_brush());
    HWND edit = GetDlgItem(dialog, ID_PASSWORD);
    RECT r;
    GetWindowRect(edit, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    bool focused = GetFocus() == edit;
    RECT line = {r.left - 1, r.bottom, r.right + 1, r.bottom + 2};
    UniqueGdi<HBRUSH> lineBrush(CreateSolidBrush(focused ? g_colours.editLineFocused : g_colours.editLine));
    FillRect(dc, &line, lineBrush.get());
    if (focused) {
        UniqueGdi<HBRUSH> frame(CreateSolidBrush(g_colours.editFrame));
        RECT top = {r.left - 1, r.top - 1, r.right + 1, r.top};
        RECT left = {r.left - 1, r.top - 1, r.left, r.bottom};
        RECT right = {r.right, r.top - 1, r.right + 1, r.bottom};
        FillRect(dc, &top, frame.get());
        FillRect(dc, &left, frame.get());
        FillRect(dc, &right, frame.get());
    }
    EndPaint(dialog, &ps);
}

void repaint_around_edit(HWND dialog) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, ID_PASSWORD), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    InflateRect(&r, 4, 4);
    InvalidateRect(dialog, &r, FALSE);
}

BOOL on_command(HWND dialog, PasswordDialog& d, WORD id, WORD code) {
    if (id == ID_PASSWORD) {
        if (code == EN_CHANGE) {
            HWND ok = GetDlgItem(dialog, IDOK);
            EnableWindow(ok, GetWindowTextLengthW(GetDlgItem(dialog, ID_PASSWORD)) > 0);
            InvalidateRect(ok, nullptr, FALSE);
        } else if (is_dark() && (code == EN_SETFOCUS || code == EN_KILLFOCUS)) {
            repaint_around_edit(dialog);
        }
        return TRUE;
    }
    if (id == IDOK) {
        if (GetWindowTextLengthW(GetDlgItem(dialog, ID_PASSWORD)) == 0) {
            return TRUE;  // Enter on an empty field: nothing to send
        }
        GetDlgItemTextW(dialog, ID_PASSWORD, d.item->videoPassword, 256);
        EndDialog(dialog, 1);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog, 2);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK password_dialog_proc(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_INITDIALOG) {
        return on_init_dialog(dialog, *reinterpret_cast<PasswordDialog*>(lp));
    }
    PasswordDialog* d = state_of(dialog);
    if (!d) {
        return FALSE;
    }
    switch (message) {
    case WM_COMMAND:
        return on_command(dialog, *d, LOWORD(wp), HIWORD(wp));
    case WM_CLOSE:
        EndDialog(dialog, 2);
        return TRUE;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        draw_dark_button(*item, hovered_window() == item->hwndItem);
        return TRUE;
    }
    case WM_ERASEBKGND:
        if (is_dark()) {
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1);
            return TRUE;
        }
        return FALSE;
    case WM_PAINT:
        if (is_dark()) {
            paint_dark(dialog);
            return TRUE;
        }
        return FALSE;
    case WM_CTLCOLOREDIT:
        if (is_dark() && d->editBrush) {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetTextColor(dc, g_colours.text);
            SetBkColor(dc, g_colours.editBackground);
            return reinterpret_cast<INT_PTR>(d->editBrush);
        }
        return FALSE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG:
        if (is_dark()) {
            return dark_dialog_colours(reinterpret_cast<HDC>(wp));
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

int ask_video_password(DownloadItem& item) {
    PasswordDialog d = {};
    d.item = &item;
    d.font = item.normalFont ? item.normalFont : g_uiFont;
    if (!d.font) {
        d.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    std::vector<WORD> frame = dialog_template(165, 55, L"password");
    INT_PTR result = DialogBoxIndirectParamW(item.instance ? item.instance : GetModuleHandleW(nullptr),
                                             reinterpret_cast<DLGTEMPLATE*>(frame.data()), item.owner,
                                             password_dialog_proc, reinterpret_cast<LPARAM>(&d));
    if (d.editBrush) {
        DeleteObject(d.editBrush);
    }
    return result == 1 ? 1 : 2;
}
