#include "ui/message_box.h"

#include <shellapi.h>

#include <vector>

#include "base/text.h"
#include "base/win_handles.h"
#include "ui/dark_controls.h"
#include "ui/dialog_template.h"
#include "ui/theme.h"
#include "ui/translation.h"

namespace {

const wchar_t CAPTION[] = L"Tavlo Video Downloader";
constexpr int ID_TEXT = 100;
constexpr int ID_YES = IDYES;  // 6
constexpr int ID_NO = IDCANCEL;  // 2: No, Escape and closing the box
constexpr int BAND = 42;       // the button band at the bottom
constexpr int TEXT_TOP = 31;

struct MessageBoxState {
    const wchar_t* text;
    UINT type;
    HFONT font;
    SIZE textSize;
    HICON icon;
};

bool yes_no(const MessageBoxState& s) {
    return (s.type & 0x0F) == MB_YESNO;
}

// The stock icon of the message type, looked up by name: not every shell has it.
// The classic system icon stands in where it has none.
HICON stock_icon(UINT type) {
    int id;
    const wchar_t* classic;
    switch (type & 0xF0) {
    case MB_ICONINFORMATION:
        id = 79, classic = IDI_INFORMATION;  // SIID_INFO
        break;
    case MB_ICONWARNING:
        id = 78, classic = IDI_WARNING;  // SIID_WARNING
        break;
    case MB_ICONERROR:
        id = 80, classic = IDI_ERROR;  // SIID_ERROR
        break;
    case MB_ICONQUESTION:
        id = 23, classic = IDI_QUESTION;  // SIID_HELP
        break;
    default:
        return nullptr;
    }
    using GetStockIconInfo = HRESULT(WINAPI*)(int, UINT, SHSTOCKICONINFO*);
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    auto get = shell ? reinterpret_cast<GetStockIconInfo>(
                           reinterpret_cast<void*>(GetProcAddress(shell, "SHGetStockIconInfo")))
                     : nullptr;
    SHSTOCKICONINFO info = {};
    info.cbSize = sizeof(info);
    if (get && SUCCEEDED(get(id, SHGSI_ICON | SHGSI_LARGEICON, &info)) && info.hIcon) {
        return info.hIcon;
    }
    // A shared icon must not be destroyed: hand out a copy like the stock one.
    HICON shared = LoadIconW(nullptr, classic);
    return shared ? CopyIcon(shared) : nullptr;
}

HWND make_button(HWND dialog, const MessageBoxState& s, const wchar_t* english, int id, int x, int y) {
    HWND button = CreateWindowExW(0, L"Button", translate(english), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW,
                                  x, y, 76, 25, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  GetModuleHandleW(nullptr), nullptr);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(s.font), FALSE);
    track_hover(button);
    return button;
}

BOOL on_init_dialog(HWND dialog, MessageBoxState& s) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&s));
    set_dark_title_bar(dialog);
    RECT client;
    GetClientRect(dialog, &client);
    int box = s.textSize.cy > 32 ? s.textSize.cy : 32;
    HWND text = CreateWindowExW(0, L"Static", s.text, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 64,
                                TEXT_TOP + (box - s.textSize.cy) / 2, client.right - 80, s.textSize.cy, dialog,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_TEXT)), GetModuleHandleW(nullptr),
                                nullptr);
    SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(s.font), FALSE);
    int y = client.bottom - 34;
    HWND first;
    if (yes_no(s)) {
        first = make_button(dialog, s, UI_TEXT(L"Yes"), ID_YES, client.right - 168, y);
        make_button(dialog, s, UI_TEXT(L"No"), ID_NO, client.right - 84, y);
    } else {
        first = make_button(dialog, s, UI_TEXT(L"OK"), IDOK, client.right - 84, y);
    }
    SetFocus(first);
    return FALSE;  // the focus is set
}

void on_paint(HWND dialog, const MessageBoxState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    RECT client;
    GetClientRect(dialog, &client);
    FillRect(dc, &client, theme_background_brush());
    RECT band = {0, client.bottom - BAND, client.right, client.bottom};
    UniqueGdi<HBRUSH> panel(CreateSolidBrush(g_colours.panel));
    FillRect(dc, &band, panel.get());
    RECT line = {0, band.top - 1, client.right, band.top};
    UniqueGdi<HBRUSH> separator(CreateSolidBrush(g_colours.separator));
    FillRect(dc, &line, separator.get());
    if (s.icon) {
        int tall = s.textSize.cy > 32 ? s.textSize.cy - 32 : 0;
        DrawIconEx(dc, 16, TEXT_TOP + tall / 2, s.icon, 32, 32, 0, nullptr, DI_NORMAL);
    }
    EndPaint(dialog, &ps);
}

// Enter goes to the focused button: with owner-drawn buttons the dialog
// manager would otherwise always answer OK.
int command_result(HWND dialog, const MessageBoxState& s, int id) {
    if (id == IDOK && yes_no(s)) {
        return GetFocus() == GetDlgItem(dialog, ID_NO) ? ID_NO : ID_YES;
    }
    if (id == IDOK || id == ID_YES) {
        return id;
    }
    return ID_NO;  // No, Escape, and closing the box
}

INT_PTR CALLBACK message_box_proc(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
    auto* s = reinterpret_cast<MessageBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        return on_init_dialog(dialog, *reinterpret_cast<MessageBoxState*>(lp));
    case WM_ERASEBKGND:
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1);
        return TRUE;
    case WM_PAINT:
        if (s) {
            on_paint(dialog, *s);
            return TRUE;
        }
        return FALSE;
    case WM_CTLCOLORSTATIC:
        return dark_dialog_colours(reinterpret_cast<HDC>(wp));
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(theme_background_brush());
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        draw_dark_button(*item, hovered_window() == item->hwndItem);
        return TRUE;
    }
    case WM_COMMAND:
        if (s && HIWORD(wp) == BN_CLICKED) {
            EndDialog(dialog, command_result(dialog, *s, LOWORD(wp)));
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, ID_NO);
        return TRUE;
    default:
        return FALSE;
    }
}

// The box's size in dialog units, rounded up: never narrower or lower than asked.
std::vector<WORD> message_box_template(int clientWidth, int clientHeight) {
    LONG units = GetDialogBaseUnits();
    int baseX = LOWORD(units) ? LOWORD(units) : 8;
    int baseY = HIWORD(units) ? HIWORD(units) : 16;
    return dialog_template(static_cast<short>((clientWidth * 4 + baseX - 1) / baseX),
                           static_cast<short>(((clientHeight + 27) * 8 + baseY - 1) / baseY), CAPTION);
}

}  // namespace

int show_message(HWND owner, const wchar_t* text, UINT type) {
    UINT buttons = type & 0x0F;
    if (!is_dark() || (buttons != MB_OK && buttons != MB_YESNO)) {
        return MessageBoxW(owner, text, CAPTION, type);
    }
    MessageBoxState s = {};
    s.text = text ? text : L"";
    s.type = type;
    s.font = g_uiFont ? g_uiFont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

    HDC dc = GetDC(nullptr);
    {
        SelectScope select(dc, s.font);
        RECT r = {0, 0, 320, 0};
        DrawTextW(dc, s.text, -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        s.textSize = {r.right - r.left, r.bottom - r.top};
    }
    ReleaseDC(nullptr, dc);
    int box = s.textSize.cy > 32 ? s.textSize.cy : 32;
    int width = s.textSize.cx + 80 > 240 ? s.textSize.cx + 80 : 240;
    int height = TEXT_TOP + box + BAND;
    s.icon = stock_icon(type);

    std::vector<WORD> dialog = message_box_template(width, height);
    INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(dialog.data()),
                                             owner, message_box_proc, reinterpret_cast<LPARAM>(&s));
    if (s.icon) {
        DestroyIcon(s.icon);
    }
    return result > 0 ? static_cast<int>(result) : ID_NO;
}
