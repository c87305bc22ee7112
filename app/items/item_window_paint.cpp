// How the item window looks: its background with the separator line, the
// selected look, the colour sampled from the screen for the texts, the dark
// buttons with their own hover flags, and the drawn close box.
#include <windows.h>

#include <commctrl.h>

#include "app/items/item_view.h"
#include "app/items/item_window.h"
#include "base/win_handles.h"
#include "ui/dark_controls.h"
#include "ui/theme.h"

namespace {

void fill(HDC dc, const RECT& r, COLORREF colour) {
    UniqueGdi<HBRUSH> brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.get());
}

void frame(HDC dc, const RECT& r, COLORREF colour) {
    UniqueGdi<HBRUSH> brush(CreateSolidBrush(colour));
    FrameRect(dc, &r, brush.get());
}

// The background of the whole client area into dc.
void paint_background(ItemView& v, HDC dc, const RECT& area) {
    RECT client;
    GetClientRect(v.window, &client);
    if (v.item->selected) {
        FillRect(dc, &client, v.selectedBrush);
        frame(dc, client, g_colours.selectedItemBorder);
    } else {
        FillRect(dc, &area, v.normalBrush ? v.normalBrush : theme_background_brush());
    }
}

// Keeps the colour the texts stand on: the pixel just inside the painted
// area's top-left corner. A point on the separator row or the selection
// border is not the texts' background and is not taken.
void sample_background(ItemView& v, HDC dc, const RECT& area) {
    if (area.right - area.left <= 1 || area.bottom - area.top <= 1) {
        return;
    }
    RECT client;
    GetClientRect(v.window, &client);
    POINT at = {area.left + 1, area.top + 1};
    if (v.item->selected && (area.left < client.left || area.top < client.top || area.right > client.right ||
                             area.bottom > client.bottom)) {
        return;
    }
    if (at.y >= client.bottom - 1 || (v.item->selected && (at.x < 1 || at.x >= client.right - 1))) {
        return;
    }
    COLORREF colour = GetPixel(dc, at.x, at.y);
    if (colour != CLR_INVALID) {
        v.item->backgroundColour = colour;
        v.sampled = true;
    }
}

// The status line and the progress bar change every second: they are
// painted again over whatever the item just painted.
void repaint_busy_parts(ItemView& v) {
    if (is_shown(v.status)) {
        InvalidateRect(v.status, nullptr, FALSE);
    }
    if (is_shown(v.progress)) {
        InvalidateRect(v.progress, nullptr, FALSE);
    }
}

HBRUSH sampled_brush(ItemView& v) {
    DownloadItem& item = *v.item;
    COLORREF colour = v.sampled ? item.backgroundColour : g_colours.windowBackground;
    if (!item.backgroundBrush || v.brushColour != colour) {
        if (item.backgroundBrush) {
            DeleteObject(item.backgroundBrush);
        }
        item.backgroundBrush = CreateSolidBrush(colour);
        v.brushColour = colour;
    }
    return item.backgroundBrush ? item.backgroundBrush : theme_background_brush();
}

int* hover_flag(HWND button) {
    auto* item = reinterpret_cast<DownloadItem*>(GetWindowLongPtrW(GetParent(button), DWLP_USER));
    if (!item) {
        return nullptr;
    }
    switch (GetDlgCtrlID(button)) {
    case ID_ITEM_MAIN_BUTTON:
        return &item->hoverMainButton;
    case ID_ITEM_LOGIN:
        return &item->hoverLoginButton;
    case ID_ITEM_PASSWORD:
        return &item->hoverPasswordButton;
    default:
        return nullptr;
    }
}

// The item buttons' hover tracking: one flag per button in the record, the
// button's own procedure kept in its user data.
LRESULT CALLBACK button_hover_proc(HWND button, UINT message, WPARAM wp, LPARAM lp) {
    auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(button, GWLP_USERDATA));
    if (!previous) {
        return DefWindowProcW(button, message, wp, lp);
    }
    int* hover = hover_flag(button);
    switch (message) {
    case WM_MOUSEMOVE:
        if (hover && !*hover) {
            *hover = 1;
            TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, button, 0};
            TrackMouseEvent(&track);
            InvalidateRect(button, nullptr, FALSE);
        }
        break;
    case WM_MOUSELEAVE:
        if (hover) {
            *hover = 0;
        }
        InvalidateRect(button, nullptr, FALSE);
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(button, nullptr, FALSE);
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        SetWindowLongPtrW(button, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return CallWindowProcW(previous, button, message, wp, lp);
}

void draw_close_glyph(HDC dc, COLORREF colour) {
    UniqueGdi<HPEN> pen(CreatePen(PS_SOLID, 1, colour));
    UniqueGdi<HBRUSH> brush(CreateSolidBrush(colour));
    SelectScope selectPen(dc, pen.get());
    SelectScope selectBrush(dc, brush.get());
    const POINT down[4] = {{4, 5}, {6, 5}, {12, 12}, {10, 12}};
    const POINT up[4] = {{12, 5}, {10, 5}, {4, 12}, {6, 12}};
    Polygon(dc, down, 4);
    Polygon(dc, up, 4);
}

}  // namespace

bool make_item_brushes(ItemView& v, int width) {
    int w = width > 8 ? width : 8;  // the pattern repeats sideways; any width serves
    HDC screen = GetDC(nullptr);
    if (!screen) {
        return false;
    }
    HDC memory = CreateCompatibleDC(screen);
    v.patternBitmap = CreateCompatibleBitmap(screen, w, ITEM_HEIGHT);
    ReleaseDC(nullptr, screen);
    if (memory && v.patternBitmap) {
        SelectScope select(memory, v.patternBitmap);
        RECT all = {0, 0, w, ITEM_HEIGHT};
        fill(memory, all, g_colours.windowBackground);
        RECT line = {0, ITEM_HEIGHT - 1, w, ITEM_HEIGHT};
        fill(memory, line, g_colours.separator);
    }
    if (memory) {
        DeleteDC(memory);
    }
    v.normalBrush = v.patternBitmap ? CreatePatternBrush(v.patternBitmap) : nullptr;
    v.selectedBrush = CreateSolidBrush(g_colours.selectedItemBackground);
    v.controlBrush = v.item->selected ? v.selectedBrush : v.normalBrush;
    if (!v.controlBrush) {
        v.controlBrush = theme_background_brush();
    }
    return v.normalBrush && v.selectedBrush;
}

void free_item_brushes(ItemView& v) {
    DownloadItem& item = *v.item;
    if (item.backgroundBrush) {
        DeleteObject(item.backgroundBrush);
        item.backgroundBrush = nullptr;
    }
    if (v.normalBrush) {
        DeleteObject(v.normalBrush);
    }
    if (v.selectedBrush) {
        DeleteObject(v.selectedBrush);
    }
    if (v.patternBitmap) {
        DeleteObject(v.patternBitmap);
    }
    v.normalBrush = v.selectedBrush = nullptr;
    v.patternBitmap = nullptr;
    v.controlBrush = theme_background_brush();
}

void paint_item(ItemView& v) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(v.window, &ps);
    paint_background(v, dc, ps.rcPaint);
    sample_background(v, dc, ps.rcPaint);
    EndPaint(v.window, &ps);
    repaint_busy_parts(v);
}

void print_item_background(ItemView& v, HDC dc) {
    RECT client;
    GetClientRect(v.window, &client);
    paint_background(v, dc, client);
}

HBRUSH static_background(ItemView& v, HWND) {
    return sampled_brush(v);
}

HBRUSH control_background(ItemView& v, HDC dc, HWND control) {
    prepare_control_colours(dc, v.window, control);
    return v.controlBrush;
}

void draw_item_button(ItemView&, const DRAWITEMSTRUCT& draw) {
    int* hover = hover_flag(draw.hwndItem);
    draw_dark_button(draw, hover && *hover);
}

LRESULT close_box_custom_draw(ItemView& v, NMCUSTOMDRAW& draw) {
    switch (draw.dwDrawStage) {
    case CDDS_PREPAINT: {
        RECT r;
        GetClientRect(draw.hdr.hwndFrom, &r);
        FillRect(draw.hdc, &r, sampled_brush(v));
        return CDRF_NOTIFYITEMDRAW;
    }
    case CDDS_ITEMPREPAINT: {
        if (draw.uItemState & CDIS_FOCUS) {
            DrawFocusRect(draw.hdc, &draw.rc);
        }
        bool hot = (draw.uItemState & CDIS_HOT) != 0;
        draw_close_glyph(draw.hdc, hot ? g_colours.closeGlyphHot : g_colours.closeGlyph);
        return CDRF_SKIPDEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

void track_button_hover(HWND button) {
    LONG_PTR previous = GetWindowLongPtrW(button, GWLP_WNDPROC);
    SetWindowLongPtrW(button, GWLP_USERDATA, previous);
    SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(button_hover_proc));
}

void set_selected(DownloadItem& item, bool selected) {
    int look = selected ? SELECTED_LOOK : 0;
    if (item.selected == look) {
        return;
    }
    item.selected = look;
    ItemView* v = view_of(item);
    if (!v) {
        return;
    }
    v->controlBrush = selected ? v->selectedBrush : v->normalBrush;
    if (!v->controlBrush) {
        v->controlBrush = theme_background_brush();
    }
    LONG_PTR ex = GetWindowLongPtrW(v->window, GWL_EXSTYLE);
    SetWindowLongPtrW(v->window, GWL_EXSTYLE, selected ? ex | WS_EX_CONTROLPARENT : ex & ~WS_EX_CONTROLPARENT);
    if (item.backgroundBrush) {
        DeleteObject(item.backgroundBrush);  // made again on demand
        item.backgroundBrush = nullptr;
    }
    // The colour the next paint will sample: children that paint before
    // their parent already stand on the right colour.
    item.backgroundColour = selected ? g_colours.selectedItemBackground : g_colours.windowBackground;
    v->sampled = true;
    v->titleLink.textColour = selected ? g_colours.selectedItemText : g_colours.text;
    if (!v->formatMuted) {
        v->formatLink.textColour = v->titleLink.textColour;
    }
    RedrawWindow(v->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}
