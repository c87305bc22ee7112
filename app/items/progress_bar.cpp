#include "app/items/progress_bar.h"

#include <new>

#include "app/items/progress_geometry.h"
#include "base/win_handles.h"
#include "ui/theme.h"

namespace {

constexpr UINT_PTR MARQUEE_TIMER = 1;
constexpr UINT MARQUEE_INTERVAL_MS = 16;

struct ProgressBar {
    unsigned position;
    bool marquee;
    ULONGLONG marqueeStart;
};

ProgressBar* state_of(HWND window) {
    return reinterpret_cast<ProgressBar*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    if (right <= left) {
        return;
    }
    RECT r = {left, top, right, bottom};
    UniqueGdi<HBRUSH> brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.get());
}

LRESULT on_create(HWND window) {
    auto* bar = new (std::nothrow) ProgressBar{};
    if (!bar) {
        return -1;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bar));
    return 0;
}

LRESULT on_paint(HWND window, const ProgressBar& bar) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    fill(dc, client.left, client.top, client.right, client.bottom, g_colours.progressTrack);
    if (bar.marquee) {
        FillSpan lead, trail;
        marquee_fills(client.left, client.right, GetTickCount64() - bar.marqueeStart, lead, trail);
        fill(dc, lead.from, client.top, lead.to, client.bottom, g_colours.accent);
        fill(dc, trail.from, client.top, trail.to, client.bottom, g_colours.accent);
    } else {
        FillSpan done = progress_fill(client.left, client.right, bar.position);
        fill(dc, done.from, client.top, done.to, client.bottom, g_colours.accent);
    }
    EndPaint(window, &ps);
    return 0;
}

LRESULT on_set_position(HWND window, ProgressBar& bar, WPARAM wp) {
    bar.position = LOWORD(wp);
    InvalidateRect(window, nullptr, FALSE);
    return 0;
}

LRESULT on_set_marquee(HWND window, ProgressBar& bar, bool on) {
    if (on && !bar.marquee) {
        bar.marquee = true;
        bar.marqueeStart = GetTickCount64();
        SetTimer(window, MARQUEE_TIMER, MARQUEE_INTERVAL_MS, nullptr);
    } else if (!on && bar.marquee) {
        bar.marquee = false;
        KillTimer(window, MARQUEE_TIMER);
    }
    InvalidateRect(window, nullptr, FALSE);
    return 0;
}

LRESULT on_destroy(HWND window, ProgressBar* bar) {
    KillTimer(window, MARQUEE_TIMER);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    delete bar;
    return 0;
}

LRESULT CALLBACK progress_bar_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_CREATE) {
        return on_create(window);
    }
    ProgressBar* bar = state_of(window);
    if (!bar) {
        return DefWindowProcW(window, message, wp, lp);
    }
    switch (message) {
    case WM_PAINT:
        return on_paint(window, *bar);
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_TIMER:
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case PBM_TAVLO_SETPOS:
        return on_set_position(window, *bar, wp);
    case PBM_TAVLO_SETMARQUEE:
        return on_set_marquee(window, *bar, wp != 0);
    case WM_DESTROY:
        return on_destroy(window, bar);
    default:
        return DefWindowProcW(window, message, wp, lp);
    }
}

}  // namespace

bool register_progress_bar(HINSTANCE instance) {
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, PROGRESS_BAR_CLASS, &existing)) {
        return true;
    }
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = progress_bar_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = PROGRESS_BAR_CLASS;
    return RegisterClassExW(&wc) != 0;
}
