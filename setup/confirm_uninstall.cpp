#include "setup/confirm_uninstall.h"

#include "base/win_handles.h"
#include "setup/setup_state.h"
#include "setup/wizard_look.h"
#include "ui/dark_controls.h"
#include "ui/dialog_template.h"
#include "ui/fit_to_text.h"
#include "ui/theme.h"
#include "ui/translation.h"

namespace {

constexpr int ID_TEXT = 100;
constexpr int ID_REMOVE_SETTINGS = 821;
constexpr int BUTTON_HEIGHT = 28;
constexpr int DIALOG_WIDTH = 450;
constexpr int DIALOG_HEIGHT = 200;

// Colours of the light look; the dark look takes the theme's.
constexpr COLORREF BAND_LIGHT = RGB(0xF0, 0xF0, 0xF0);
constexpr COLORREF BAND_LINE_LIGHT = RGB(0xDF, 0xDF, 0xDF);

// Lives as long as the dialog (on the caller's stack).
struct ConfirmState {
    HWND owner;
    bool removeSettings;  // the dark look's own check state
    HBRUSH band;
    HBRUSH window;
};

COLORREF band_colour() {
    return is_dark() ? g_colours.panel : BAND_LIGHT;
}

void centre_over(HWND dialog, HWND owner) {
    RECT area;
    if (owner && IsWindowVisible(owner)) {
        GetWindowRect(owner, &area);
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    int x = area.left + ((area.right - area.left) - DIALOG_WIDTH) / 2;
    int y = area.top + ((area.bottom - area.top) - DIALOG_HEIGHT) / 2;
    SetWindowPos(dialog, nullptr, x, y, DIALOG_WIDTH, DIALOG_HEIGHT, SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND make_control(HWND dialog, const wchar_t* className, const wchar_t* text, DWORD style, int id, int x, int y,
                  int width, int height) {
    HWND control = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, dialog,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    if (control) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(g_setup.font), FALSE);
        if (is_dark() && (style & BS_OWNERDRAW)) {
            track_hover(control);
        }
    }
    return control;
}

BOOL on_init_dialog(HWND dialog, ConfirmState& s) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&s));
    set_dark_title_bar(dialog);
    centre_over(dialog, s.owner);
    RECT client;
    GetClientRect(dialog, &client);
    wchar_t question[512];
    product_text(L"Are you sure you want to uninstall %PROGNAME%?", question);
    HWND text = make_control(dialog, L"Static", question, SS_LEFT | SS_NOPREFIX, ID_TEXT, 15, 30, 10, 10);
    if (text) {
        fit_to_text(text);
    }
    DWORD buttonStyle = WS_TABSTOP | (is_dark() ? BS_OWNERDRAW : BS_PUSHBUTTON);
    make_control(dialog, L"Button", translate(L"Remove settings"),
                 WS_TABSTOP | (is_dark() ? BS_OWNERDRAW : BS_AUTOCHECKBOX), ID_REMOVE_SETTINGS, 15, 70, 300, 16);
    int y = client.bottom - 38;
    HWND uninstall = make_control(dialog, L"Button", translate(L"Uninstall now"),
                                  buttonStyle | (is_dark() ? 0 : BS_DEFPUSHBUTTON), IDOK, client.right - 290, y, 170,
                                  BUTTON_HEIGHT);
    make_control(dialog, L"Button", translate(L"Cancel"), buttonStyle, IDCANCEL, client.right - 110, y, 100,
                 BUTTON_HEIGHT);
    if (uninstall) {
        SetFocus(uninstall);
    }
    return FALSE;  // the focus is set
}

void on_paint(HWND dialog, const ConfirmState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    RECT client;
    GetClientRect(dialog, &client);
    FillRect(dc, &client, s.window);
    RECT band = {0, client.bottom - BUTTON_HEIGHT - 20, client.right, client.bottom};
    FillRect(dc, &band, s.band);
    RECT line = {0, band.top - 1, client.right, band.top};
    UniqueGdi<HBRUSH> lineBrush(CreateSolidBrush(is_dark() ? g_colours.separator : BAND_LINE_LIGHT));
    FillRect(dc, &line, lineBrush.get());
    EndPaint(dialog, &ps);
}

void on_uninstall_now(HWND dialog, const ConfirmState& s) {
    g_setup.removeSettings = is_dark() ? s.removeSettings
                                       : IsDlgButtonChecked(dialog, ID_REMOVE_SETTINGS) == BST_CHECKED;
    send_to_wizard(PAGE_UNINSTALLING);
    EndDialog(dialog, 1);
}

INT_PTR on_command(HWND dialog, ConfirmState& s, int id, int code) {
    switch (id) {
    case IDOK:
        on_uninstall_now(dialog, s);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 2);
        return TRUE;
    case ID_REMOVE_SETTINGS:
        if (is_dark() && code == BN_CLICKED) {
            s.removeSettings = !s.removeSettings;
            InvalidateRect(GetDlgItem(dialog, ID_REMOVE_SETTINGS), nullptr, TRUE);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR on_control_colour(HDC dc, const ConfirmState& s, bool button) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, is_dark() ? g_colours.text : RGB(0, 0, 0));
    SetBkColor(dc, button ? band_colour() : (is_dark() ? g_colours.windowBackground : RGB(255, 255, 255)));
    return reinterpret_cast<INT_PTR>(button ? s.band : s.window);
}

INT_PTR CALLBACK confirm_proc(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
    auto* s = reinterpret_cast<ConfirmState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        return on_init_dialog(dialog, *reinterpret_cast<ConfirmState*>(lp));
    case WM_ERASEBKGND:
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1);
        return TRUE;
    case WM_PAINT:
        if (s) {
            on_paint(dialog, *s);
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND:
        return s ? on_command(dialog, *s, LOWORD(wp), HIWORD(wp)) : FALSE;
    case WM_DRAWITEM:
        if (s) {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            draw_page_item(item, item.CtlID == ID_REMOVE_SETTINGS, s->removeSettings);
            return TRUE;
        }
        return FALSE;
    case WM_CTLCOLORSTATIC:
        // The check box asks as a static too: it sits on the white part.
        return s ? on_control_colour(reinterpret_cast<HDC>(wp), *s, false) : FALSE;
    case WM_CTLCOLORBTN:
        return s ? on_control_colour(reinterpret_cast<HDC>(wp), *s, true) : FALSE;
    case WM_CTLCOLORDLG:
        return s ? reinterpret_cast<INT_PTR>(s->window) : FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

int confirm_uninstall(HWND owner) {
    ConfirmState s = {};
    s.owner = owner;
    s.band = CreateSolidBrush(band_colour());
    s.window = is_dark() ? CreateSolidBrush(g_colours.windowBackground)
                         : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    std::vector<WORD> dialog = dialog_template(200, 100, translate(L"Uninstallation"));
    auto* t = reinterpret_cast<DLGTEMPLATE*>(dialog.data());
    t->style &= ~DS_CENTER;  // placed over the owner in WM_INITDIALOG
    INT_PTR result = DialogBoxIndirectParamW(g_setup.instance, reinterpret_cast<DLGTEMPLATE*>(dialog.data()),
                                             owner ? owner : GetDesktopWindow(), confirm_proc,
                                             reinterpret_cast<LPARAM>(&s));
    DeleteObject(s.band);
    if (is_dark()) {
        DeleteObject(s.window);
    }
    return result == 1 ? 1 : 2;
}
