#include "setup/static_link.h"

#include "base/win_handles.h"
#include "ui/control_helpers.h"
#include "ui/theme.h"

namespace {

const wchar_t CLASS_NAME[] = L"StaticLink";
const COLORREF LINK_COLOUR = RGB(0, 102, 204);

WNDPROC g_staticProc = nullptr;

// One per control: made on WM_NCCREATE, freed on WM_NCDESTROY.
struct LinkState {
    HFONT underlined;  // the control's own
    HCURSOR hand;
    bool focused;
};

LinkState* state_of(HWND window) {
    return reinterpret_cast<LinkState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void set_underlined_font(HWND window, LinkState& s, HFONT from) {
    LOGFONTW lf = {};
    if (from && GetObjectW(from, sizeof(lf), &lf)) {
        lf.lfUnderline = TRUE;
    } else {
        NONCLIENTMETRICSW metrics = {};
        metrics.cbSize = sizeof(metrics);
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        lf = metrics.lfMessageFont;
        lf.lfQuality = CLEARTYPE_QUALITY;
        lf.lfUnderline = TRUE;
    }
    if (s.underlined) {
        DeleteObject(s.underlined);
    }
    s.underlined = CreateFontIndirectW(&lf);
    InvalidateRect(window, nullptr, TRUE);
}

LRESULT on_nc_create(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    auto* s = static_cast<LinkState*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(LinkState)));
    if (!s) {
        return FALSE;
    }
    s->hand = LoadCursorW(nullptr, IDC_HAND);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
    set_underlined_font(window, *s, nullptr);
    return CallWindowProcW(g_staticProc, window, message, wp, lp);
}

void on_nc_destroy(HWND window, LinkState* s) {
    if (s) {
        if (s->underlined) {
            DeleteObject(s->underlined);
        }
        HeapFree(GetProcessHeap(), 0, s);
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
}

void on_paint(HWND window, const LinkState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    HWND parent = GetParent(window);
    // The brush the parent gives its buttons: the page picture, lined up
    // with the parent (its statics get a hollow brush, which erases nothing).
    HBRUSH brush = reinterpret_cast<HBRUSH>(
        SendMessageW(parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window)));
    if (brush && brush != GetStockObject(HOLLOW_BRUSH)) {
        FillRect(dc, &client, brush);
    }
    wchar_t text[260];
    GetWindowTextW(window, text, 260);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, is_dark() ? g_colours.link : LINK_COLOUR);
    {
        SelectScope select(dc, s.underlined);
        DrawTextW(dc, text, -1, &client, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if (s.focused) {
        DrawFocusRect(dc, &client);
    }
    EndPaint(window, &ps);
}

// The area below the link shows the parent's picture again.
void repaint_with_parent(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    HWND parent = GetParent(window);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    InvalidateRect(parent, &r, TRUE);
    InvalidateRect(window, nullptr, TRUE);
}

// Enter and Space belong to the link: left to the dialog manager, Enter
// would press the page's default button instead.
LRESULT on_get_dialog_code(const MSG* message) {
    LRESULT code = DLGC_BUTTON;
    if (message && message->message == WM_KEYDOWN && (message->wParam == VK_RETURN || message->wParam == VK_SPACE)) {
        code |= DLGC_WANTMESSAGE;
    }
    return code;
}

void activate(HWND window) {
    SendMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), STN_CLICKED),
                 reinterpret_cast<LPARAM>(window));
}

LRESULT CALLBACK link_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    LinkState* s = state_of(window);
    switch (message) {
    case WM_NCCREATE:
        return on_nc_create(window, message, wp, lp);
    case WM_NCDESTROY:
        on_nc_destroy(window, s);
        break;
    case WM_PAINT:
        if (s) {
            on_paint(window, *s);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETFONT:
        if (s) {
            set_underlined_font(window, *s, reinterpret_cast<HFONT>(wp));
        }
        break;
    case WM_SETCURSOR:
        if (s && s->hand) {
            SetCursor(s->hand);
            return TRUE;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (s) {
            s->focused = message == WM_SETFOCUS;
            repaint_with_parent(window);
        }
        return 0;
    case WM_GETDLGCODE:
        return on_get_dialog_code(reinterpret_cast<const MSG*>(lp));
    case WM_KEYDOWN:
        if (wp == VK_RETURN || wp == VK_SPACE) {
            activate(window);
            return 0;
        }
        break;
    default:
        break;
    }
    return CallWindowProcW(g_staticProc, window, message, wp, lp);
}

}  // namespace

HWND create_static_link(const wchar_t* text, int y, HWND parent, int id) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!register_static_copy(instance, CLASS_NAME, link_proc, &g_staticProc)) {
        return nullptr;
    }
    return CreateWindowExW(0, CLASS_NAME, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | SS_NOTIFY, 10, y, 100, 20,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

void fit_static_link(HWND link) {
    LinkState* s = state_of(link);
    wchar_t text[260];
    GetWindowTextW(link, text, 260);
    HDC dc = GetDC(link);
    SIZE size = {100, 20};
    if (dc) {
        SelectScope select(dc, s ? s->underlined : nullptr);
        RECT r = {0, 0, 0, 0};
        DrawTextW(dc, text, -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        size = {r.right - r.left + 2, r.bottom - r.top + 2};
        ReleaseDC(link, dc);
    }
    SetWindowPos(link, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
