#include "ui/input_frame.h"

#include <uxtheme.h>

#include "base/gdiplus.h"
#include "ui/theme.h"

namespace {

constexpr int FRAME = 4;      // room between the edit and the frame
constexpr float CORNER = 8;   // diameter of the corner arcs

Gdiplus::Color colour(COLORREF c) {
    return Gdiplus::Color(255, GetRValue(c), GetGValue(c), GetBValue(c));
}

}  // namespace

void flatten_input(HWND edit) {
    LONG_PTR ex = GetWindowLongPtrW(edit, GWL_EXSTYLE);
    SetWindowLongPtrW(edit, GWL_EXSTYLE, ex & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE));
    SetWindowTheme(edit, L" ", L" ");  // names no theme: the edit draws plainly
    RECT r;
    GetWindowRect(edit, &r);
    HWND parent = GetParent(edit);
    if (parent) {
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    }
    SetWindowPos(edit, nullptr, r.left + FRAME, r.top + FRAME, r.right - r.left - 2 * FRAME,
                 r.bottom - r.top - 2 * FRAME, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void draw_input_frame(HDC dc, HWND parent, HWND edit) {
    RECT r;
    GetWindowRect(edit, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    InflateRect(&r, FRAME, FRAME);
    bool focused = GetFocus() == edit;
    const ThemeColours& c = g_colours;

    // Whole coordinates are pixel centres (GDI+'s default pixel offset): the
    // outline runs through the outermost pixels, and a one-pixel pen covers
    // one row of them instead of blurring across two.
    auto left = static_cast<float>(r.left);
    auto top = static_cast<float>(r.top);
    auto right = static_cast<float>(r.right - 1);
    auto bottom = static_cast<float>(r.bottom - 1);
    Gdiplus::GraphicsPath outline;
    outline.AddArc(left, top, CORNER, CORNER, 180, 90);
    outline.AddArc(right - CORNER, top, CORNER, CORNER, 270, 90);
    outline.AddArc(right - CORNER, bottom - CORNER, CORNER, CORNER, 0, 90);
    outline.AddArc(left, bottom - CORNER, CORNER, CORNER, 90, 90);
    outline.CloseFigure();
    // The bottom edge with its two corners, drawn again in the inner colour.
    Gdiplus::GraphicsPath base;
    base.AddArc(right - CORNER, bottom - CORNER, CORNER, CORNER, 0, 90);
    base.AddArc(left, bottom - CORNER, CORNER, CORNER, 90, 90);

    Gdiplus::Graphics graphics(dc);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::SolidBrush fill(colour(focused ? c.inputBackgroundFocused : c.inputBackground));
    graphics.FillPath(&fill, &outline);
    Gdiplus::Pen outer(colour(focused ? c.inputFrameFocusedOuter : c.inputFrameOuter), 1.0f);
    graphics.DrawPath(&outer, &outline);
    Gdiplus::Pen inner(colour(focused ? c.inputFrameFocusedInner : c.inputFrameInner), 1.0f);
    graphics.DrawPath(&inner, &base);
}
