#include "ui/static_link.h"

#include "base/text.h"
#include "base/win_handles.h"
#include "ui/control_helpers.h"
#include "ui/theme.h"

namespace {

const wchar_t CLASS_NAME[] = L"StaticLinkCtrl";
const wchar_t ARROW_ROOM[] = L"    ";  // keeps the drop-down triangle off the text

// The system static's procedure: whatever this control does not handle
// itself goes there, as for any static.
WNDPROC g_staticProc = nullptr;

LRESULT call_static(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    return g_staticProc ? CallWindowProcW(g_staticProc, window, message, wp, lp)
                        : DefWindowProcW(window, message, wp, lp);
}

StaticLinkState* state_of(HWND window) {
    return reinterpret_cast<StaticLinkState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

UINT draw_flags(DWORD style) {
    // DT_VCENTER works on single lines only; the text is measured as one line too.
    UINT flags = DT_VCENTER | DT_SINGLELINE;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER:
        flags |= DT_CENTER;
        break;
    case SS_RIGHT:
        flags |= DT_RIGHT;
        break;
    default:
        break;
    }
    if (style & SS_NOPREFIX) {
        flags |= DT_NOPREFIX;
    }
    switch (style & SS_ELLIPSISMASK) {
    case SS_ENDELLIPSIS:
        flags |= DT_END_ELLIPSIS | DT_WORD_ELLIPSIS;
        break;
    case SS_PATHELLIPSIS:
        flags |= DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS;
        break;
    case SS_WORDELLIPSIS:
        flags |= DT_WORD_ELLIPSIS;
        break;
    default:
        break;
    }
    return flags;
}

HFONT underlined_copy(HFONT font) {
    LOGFONTW lf = {};
    if (!font || !GetObjectW(font, sizeof(lf), &lf)) {
        return nullptr;
    }
    lf.lfUnderline = TRUE;
    return CreateFontIndirectW(&lf);
}

// A plain text never keeps the focus: Tab moves on over it.
bool is_plain_text(HWND window) {
    wchar_t name[32];
    if (!GetClassNameW(window, name, 32) || !text_equal(name, CLASS_NAME)) {
        return false;
    }
    const StaticLinkState* s = state_of(window);
    return s && !s->link;
}

// Height follows the text; the width is the room last offered, which
// WM_WINDOWPOSCHANGING then narrows to the text.
void fit_to_room(StaticLinkState& s) {
    int width = s.widthLimit ? s.widthLimit : s.textWidth;
    SetWindowPos(s.window, nullptr, 0, 0, width, s.textHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void measure(StaticLinkState& s) {
    SIZE size = measure_text(s.window, s.text);
    s.textWidth = size.cx;
    s.textHeight = size.cy;
}

void store_text(StaticLinkState& s, const wchar_t* text) {
    if (!s.text) {
        return;
    }
    text_copy(s.text, s.capacity, text ? text : L"");
    if (s.arrow) {
        text_append(s.text, s.capacity, ARROW_ROOM);
    }
    measure(s);
    fit_to_room(s);
    InvalidateRect(s.window, nullptr, FALSE);
}

void activate(const StaticLinkState& s) {
    // The parent may destroy this control in answer: nothing may follow.
    SendMessageW(s.parent, WM_COMMAND, MAKEWPARAM(s.commandId, 0), reinterpret_cast<LPARAM>(s.window));
}

LRESULT on_nc_create(HWND window, const CREATESTRUCTW& cs) {
    auto* s = static_cast<StaticLinkState*>(cs.lpCreateParams);
    if (!s) {
        return FALSE;
    }
    s->window = window;
    s->font = nullptr;
    s->underlinedFont = nullptr;
    s->text = nullptr;
    s->focused = false;
    s->hovered = false;
    s->widthLimit = 0;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
    return TRUE;
}

LRESULT on_create(StaticLinkState& s, const CREATESTRUCTW& cs) {
    s.parent = cs.hwndParent;
    s.commandId = static_cast<int>(reinterpret_cast<INT_PTR>(cs.hMenu));
    s.handCursor = LoadCursorW(nullptr, IDC_HAND);
    s.arrowCursor = LoadCursorW(nullptr, IDC_ARROW);
    s.text = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, LINK_TEXT_CAPACITY * sizeof(wchar_t)));
    if (!s.text) {
        return -1;
    }
    s.capacity = LINK_TEXT_CAPACITY;
    s.drawFlags = draw_flags(static_cast<DWORD>(cs.style));
    store_text(s, cs.lpszName);
    return 0;
}

LRESULT on_set_text(HWND window, StaticLinkState& s, WPARAM wp, LPARAM lp) {
    // The window text stays the caller's (without the room for the arrow),
    // for GetWindowText and accessibility. The static's own handler would
    // paint its plain look at once.
    DefWindowProcW(window, WM_SETTEXT, wp, lp);
    store_text(s, reinterpret_cast<const wchar_t*>(lp));
    return TRUE;
}

void on_pos_changing(StaticLinkState& s, WINDOWPOS& pos) {
    if (pos.flags & SWP_NOSIZE) {
        return;
    }
    s.widthLimit = pos.cx;
    if (pos.cx > s.textWidth) {
        pos.cx = s.textWidth;  // never wider than the text
    }
}

LRESULT on_set_font(StaticLinkState& s, HFONT font, bool redraw) {
    s.font = font;
    if (s.underlinedFont) {
        DeleteObject(s.underlinedFont);
    }
    s.underlinedFont = underlined_copy(font);
    if (s.text) {
        // The new font may be larger: the height follows it.
        measure(s);
        fit_to_room(s);
    }
    if (redraw) {
        InvalidateRect(s.window, nullptr, FALSE);
    }
    return 0;
}

void draw_arrow(HDC dc, const RECT& r, COLORREF colour) {
    int right = r.right;
    int middle = (r.bottom - r.top) / 2;
    UniqueGdi<HPEN> pen(CreatePen(PS_SOLID, 1, colour));
    UniqueGdi<HBRUSH> brush(CreateSolidBrush(colour));
    SelectScope selectPen(dc, pen.get());
    SelectScope selectBrush(dc, brush.get());
    POINT points[3] = {{right - 7, middle - 1}, {right - 4, middle + 2}, {right - 1, middle - 1}};
    Polygon(dc, points, 3);
}

void on_style_changed(StaticLinkState& s, int which, const STYLESTRUCT& styles) {
    if (which == GWL_STYLE) {
        s.drawFlags = draw_flags(styles.styleNew);
        InvalidateRect(s.window, nullptr, FALSE);
    }
}

LRESULT on_paint(StaticLinkState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(s.window, &ps);
    RECT r;
    GetClientRect(s.window, &r);
    FillRect(dc, &r, parent_static_brush(s.parent, dc, s.window));

    bool underline = s.hovered && s.link;
    HFONT font = underline ? s.underlinedFont : s.font;
    UniqueGdi<HFONT> fallback;
    if (!font) {
        // No font set: the one the text was measured in.
        UniqueGdi<HFONT> normal(ui_font());
        fallback.reset(underline ? underlined_copy(normal.get()) : normal.release());
        font = fallback.get();
    }
    {
        SelectScope select(dc, font);
        if (s.focused) {
            DrawFocusRect(dc, &r);
        }
        COLORREF colour = s.link ? s.linkColour : s.textColour;
        SetTextColor(dc, colour);
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, s.text ? s.text : L"", -1, &r, s.drawFlags);
        if (s.arrow) {
            draw_arrow(dc, r, colour);
        }
    }
    EndPaint(s.window, &ps);
    return 0;
}

LRESULT on_set_focus(StaticLinkState& s, HWND previous) {
    if (s.link) {
        s.focused = true;
        InvalidateRect(s.window, nullptr, FALSE);
        return 0;
    }
    // Pass the focus on in the direction it came, over other plain texts;
    // a ring of plain texts would otherwise hand it round for ever.
    bool backwards = GetKeyState(VK_SHIFT) < 0;
    HWND next = GetNextDlgTabItem(s.parent, s.window, backwards);
    for (int guard = 0; next && next != s.window && is_plain_text(next) && guard < 1000; ++guard) {
        next = GetNextDlgTabItem(s.parent, next, backwards);
    }
    if (!next || next == s.window || is_plain_text(next)) {
        next = (previous && IsWindow(previous) && !is_plain_text(previous)) ? previous : s.parent;
    }
    SetFocus(next);
    return 0;
}

LRESULT on_kill_focus(StaticLinkState& s) {
    s.focused = false;
    InvalidateRect(s.window, nullptr, FALSE);
    return 0;
}

LRESULT on_mouse_move(StaticLinkState& s) {
    if (!s.link || s.hovered) {
        return 0;
    }
    s.hovered = true;
    TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, s.window, 0};
    TrackMouseEvent(&track);
    InvalidateRect(s.window, nullptr, FALSE);
    SetCursor(s.handCursor);
    return 0;
}

LRESULT on_mouse_leave(StaticLinkState& s) {
    s.hovered = false;
    InvalidateRect(s.window, nullptr, FALSE);
    return 0;
}

bool on_set_cursor(const StaticLinkState& s) {
    if (!s.hovered || !s.link) {
        return false;  // the class cursor
    }
    SetCursor(s.handCursor);
    return true;
}

LRESULT on_button_up(const StaticLinkState& s) {
    if (s.link) {
        activate(s);
    }
    return 0;
}

LRESULT on_key_down(StaticLinkState& s, WPARAM key, LPARAM flags) {
    bool repeat = (flags & (1 << 30)) != 0;  // a held key activates once
    if (s.link && (key == VK_RETURN || key == VK_SPACE) && !repeat) {
        activate(s);
    }
    return 0;
}

LRESULT on_get_dlg_code(const StaticLinkState& s, const MSG* message) {
    // Enter on a focused link opens it instead of pressing the dialog's default button.
    if (s.link && message && message->message == WM_KEYDOWN && message->wParam == VK_RETURN) {
        return DLGC_WANTMESSAGE;
    }
    return s.link ? 0 : DLGC_STATIC;
}

void on_nc_destroy(HWND window, StaticLinkState& s) {
    if (s.underlinedFont) {
        DeleteObject(s.underlinedFont);
        s.underlinedFont = nullptr;
    }
    if (s.text) {
        HeapFree(GetProcessHeap(), 0, s.text);
        s.text = nullptr;
    }
    s.capacity = 0;
    s.window = nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
}

LRESULT CALLBACK link_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE && !on_nc_create(window, *reinterpret_cast<CREATESTRUCTW*>(lp))) {
        return FALSE;
    }
    StaticLinkState* s = state_of(window);
    if (!s) {
        return call_static(window, message, wp, lp);
    }
    switch (message) {
    case WM_CREATE:
        if (call_static(window, message, wp, lp) == -1) {
            return -1;
        }
        return on_create(*s, *reinterpret_cast<CREATESTRUCTW*>(lp));
    case WM_SETTEXT:
        return on_set_text(window, *s, wp, lp);
    case WM_WINDOWPOSCHANGING:
        on_pos_changing(*s, *reinterpret_cast<WINDOWPOS*>(lp));
        break;
    case WM_WINDOWPOSCHANGED:
        InvalidateRect(window, nullptr, FALSE);  // the cut or the arrow moves with the width
        break;
    case WM_SETFONT:
        return on_set_font(*s, reinterpret_cast<HFONT>(wp), LOWORD(lp) != 0);
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_STYLECHANGED:
        on_style_changed(*s, static_cast<int>(wp), *reinterpret_cast<const STYLESTRUCT*>(lp));
        break;
    case WM_PAINT:
        return on_paint(*s);
    case WM_ERASEBKGND:
        return 1;  // painting fills everything
    case WM_SETFOCUS:
        return on_set_focus(*s, reinterpret_cast<HWND>(wp));
    case WM_KILLFOCUS:
        return on_kill_focus(*s);
    case WM_MOUSEMOVE:
        return on_mouse_move(*s);
    case WM_MOUSELEAVE:
        return on_mouse_leave(*s);
    case WM_SETCURSOR:
        if (on_set_cursor(*s)) {
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        return 0;  // the static would notify its parent on the press already
    case WM_LBUTTONUP:
        return on_button_up(*s);
    case WM_KEYDOWN:
        return on_key_down(*s, wp, lp);
    case WM_GETDLGCODE:
        return on_get_dlg_code(*s, reinterpret_cast<const MSG*>(lp));
    case WM_NCDESTROY:
        on_nc_destroy(window, *s);
        break;
    default:
        break;
    }
    return call_static(window, message, wp, lp);
}

}  // namespace

HWND create_link_control(StaticLinkState* state, const wchar_t* text, DWORD style, int x, int y, HWND parent, int id,
                         HINSTANCE instance) {
    if (!state || state->window || !register_static_copy(instance, CLASS_NAME, link_proc, &g_staticProc)) {
        return nullptr;
    }
    state->parent = parent;
    state->commandId = id;
    HWND window = CreateWindowExW(0, CLASS_NAME, text ? text : L"", style | WS_CHILD | SS_NOTIFY, x, y, 100, 20,
                                  parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, state);
    if (!window) {
        state->window = nullptr;
    }
    return window;
}
