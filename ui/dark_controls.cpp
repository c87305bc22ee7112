#include "ui/dark_controls.h"

#include <commctrl.h>

#include "base/text.h"
#include "base/win_handles.h"
#include "ui/theme.h"

namespace {

HWND g_hovered = nullptr;
constexpr UINT_PTR HOVER_SUBCLASS = 0x7A40;

void fill(HDC dc, const RECT& r, COLORREF colour) {
    UniqueGdi<HBRUSH> brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.get());
}

void frame(HDC dc, RECT r, COLORREF colour) {
    UniqueGdi<HBRUSH> brush(CreateSolidBrush(colour));
    FrameRect(dc, &r, brush.get());
}

void draw_caption(HDC dc, HWND control, RECT r, COLORREF colour, UINT format) {
    wchar_t text[260];
    GetWindowTextW(control, text, 260);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    SelectScope select(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawTextW(dc, text, -1, &r, format | DT_SINGLELINE | DT_VCENTER);
}

LRESULT CALLBACK hover_proc(HWND window, UINT message, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_MOUSEMOVE:
        if (g_hovered != window) {
            HWND previous = g_hovered;
            g_hovered = window;
            TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window, 0};
            TrackMouseEvent(&track);
            if (previous) {
                InvalidateRect(previous, nullptr, FALSE);
            }
            InvalidateRect(window, nullptr, FALSE);
        }
        break;
    case WM_MOUSELEAVE:
        if (g_hovered == window) {
            g_hovered = nullptr;
        }
        InvalidateRect(window, nullptr, FALSE);
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window, nullptr, FALSE);
        break;
    case WM_NCDESTROY:
        if (g_hovered == window) {
            g_hovered = nullptr;
        }
        RemoveWindowSubclass(window, hover_proc, HOVER_SUBCLASS);
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wp, lp);
}

}  // namespace

void draw_dark_button(const DRAWITEMSTRUCT& item, bool hover) {
    const ThemeColours& c = g_colours;
    bool pressed = (item.itemState & ODS_SELECTED) != 0;
    bool focused = (item.itemState & ODS_FOCUS) != 0;
    bool disabled = (item.itemState & ODS_DISABLED) != 0;
    RECT r = item.rcItem;
    fill(item.hDC, r, pressed ? c.buttonPressed : hover ? c.buttonHot : c.buttonFace);
    RECT border = {r.left, r.top, r.right - 1, r.bottom - 1};
    COLORREF borderColour = pressed   ? c.buttonBorderPressed
                            : focused ? c.buttonBorderFocused
                            : hover   ? c.buttonBorderHot
                                      : c.buttonBorder;
    frame(item.hDC, border, borderColour);
    draw_caption(item.hDC, item.hwndItem, r, disabled ? c.disabledText : c.text, DT_CENTER);
}

void draw_dark_check_box(const DRAWITEMSTRUCT& item, bool checked) {
    const ThemeColours& c = g_colours;
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    fill(dc, r, c.windowBackground);
    int top = r.top + (r.bottom - r.top - 16) / 2;
    RECT box = {r.left + 2, top, r.left + 18, top + 16};
    if (checked) {
        fill(dc, box, c.checkBoxChecked);
        UniqueGdi<HPEN> pen(CreatePen(PS_SOLID, 2, c.checkMark));
        SelectScope select(dc, pen.get());
        POINT tick[3] = {{box.left + 3, box.top + 8}, {box.left + 6, box.top + 11}, {box.right - 3, box.top + 4}};
        Polyline(dc, tick, 3);
    } else {
        fill(dc, box, c.checkBoxFace);
        frame(dc, box, c.checkBoxBorder);
    }
    if (item.itemState & ODS_FOCUS) {
        RECT focus = {box.left + 2, box.top + 2, box.right - 2, box.bottom - 2};
        SetTextColor(dc, c.text);
        DrawFocusRect(dc, &focus);
    }
    RECT caption = {box.right + 5, r.top, r.right, r.bottom};
    draw_caption(dc, item.hwndItem, caption, c.text, DT_LEFT);
}

void track_hover(HWND control) {
    SetWindowSubclass(control, hover_proc, HOVER_SUBCLASS, 0);
}

HWND hovered_window() {
    return g_hovered;
}
