#include "ui/spinner.h"

#include "base/gdiplus.h"
#include "base/win_handles.h"
#include "ui/control_helpers.h"
#include "ui/spinner_curve.h"

namespace {

const wchar_t CLASS_NAME[] = L"LoadingSpinnerCtl";
constexpr UINT_PTR TIMER_ID = 1;

// Lives from WM_NCCREATE to WM_NCDESTROY.
struct SpinnerState {
    ULONGLONG startTime;
    DWORD dotColour;       // ARGB
    COLORREF background;   // SPINNER_PARENT_BACKGROUND: the parent supplies it
    UINT interval;
    bool running;
    bool hidden;
    bool timerOn;
};

SpinnerState* state_of(HWND window) {
    return reinterpret_cast<SpinnerState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void update_timer(HWND window, SpinnerState& s) {
    if (s.running && !s.hidden) {
        if (!s.timerOn) {
            s.timerOn = SetTimer(window, TIMER_ID, s.interval, nullptr) != 0;
        }
    } else if (s.timerOn) {
        KillTimer(window, TIMER_ID);
        s.timerOn = false;
    }
}

LRESULT on_nc_create(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    auto* s = static_cast<SpinnerState*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(SpinnerState)));
    if (!s) {
        return FALSE;
    }
    s->startTime = GetTickCount64();
    s->dotColour = 0xFFFFFFFF;
    s->background = SPINNER_PARENT_BACKGROUND;
    s->interval = SPINNER_DEFAULT_INTERVAL;
    s->running = true;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
    return DefWindowProcW(window, message, wp, lp);
}

LRESULT on_create(HWND window, SpinnerState& s, const CREATESTRUCTW& cs) {
    s.hidden = (cs.style & WS_VISIBLE) == 0;
    update_timer(window, s);
    return 0;
}

void fill_background(HWND window, const SpinnerState& s, HDC dc, const RECT& r) {
    if (s.background != SPINNER_PARENT_BACKGROUND) {
        UniqueGdi<HBRUSH> brush(CreateSolidBrush(s.background));
        FillRect(dc, &r, brush.get());
        return;
    }
    FillRect(dc, &r, parent_static_brush(GetParent(window), dc, window));
}

LRESULT on_paint(HWND window, SpinnerState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT r;
    GetClientRect(window, &r);
    // Drawn off screen and copied in one go: the dots change every frame
    // and must not flicker.
    HDC memory = CreateCompatibleDC(dc);
    UniqueGdi<HBITMAP> bitmap(CreateCompatibleBitmap(dc, r.right > 0 ? r.right : 1, r.bottom > 0 ? r.bottom : 1));
    if (memory && bitmap) {
        {
            SelectScope select(memory, bitmap.get());
            fill_background(window, s, memory, r);
            if (s.running) {
                draw_spinner_dots(memory, r.right, r.bottom, spinner_phase(GetTickCount64() - s.startTime),
                                  s.dotColour);
            }
            BitBlt(dc, 0, 0, r.right, r.bottom, memory, 0, 0, SRCCOPY);
        }
    }
    if (memory) {
        DeleteDC(memory);
    }
    EndPaint(window, &ps);
    update_timer(window, s);
    return 0;
}

LRESULT repaint(HWND window) {
    InvalidateRect(window, nullptr, FALSE);
    return 0;
}

LRESULT on_run(HWND window, SpinnerState& s, bool run) {
    if (run && !s.running) {
        s.startTime = GetTickCount64();  // a restart begins with the first dot
    }
    s.running = run;
    update_timer(window, s);
    return repaint(window);  // a stopped spinner shows only its background
}

LRESULT on_set_interval(HWND window, SpinnerState& s, UINT interval) {
    s.interval = interval ? interval : SPINNER_DEFAULT_INTERVAL;
    if (s.timerOn) {
        SetTimer(window, TIMER_ID, s.interval, nullptr);  // same id: replaces the running timer
    }
    return 0;
}

LRESULT on_show(HWND window, SpinnerState& s, bool shown) {
    s.hidden = !shown;
    update_timer(window, s);
    return 0;
}

LRESULT on_nc_destroy(HWND window, SpinnerState* s) {
    if (s) {
        if (s->timerOn) {
            KillTimer(window, TIMER_ID);
        }
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        HeapFree(GetProcessHeap(), 0, s);
    }
    return 0;
}

LRESULT CALLBACK spinner_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE) {
        return on_nc_create(window, message, wp, lp);
    }
    SpinnerState* s = state_of(window);
    if (!s) {
        return DefWindowProcW(window, message, wp, lp);
    }
    switch (message) {
    case WM_CREATE:
        return on_create(window, *s, *reinterpret_cast<CREATESTRUCTW*>(lp));
    case WM_PAINT:
        return on_paint(window, *s);
    case WM_ERASEBKGND:
        return 1;  // painting covers everything
    case WM_SIZE:
        return repaint(window);
    case WM_TIMER:
        if (wp == TIMER_ID) {
            return repaint(window);  // the next frame
        }
        break;
    case WM_SHOWWINDOW:
        on_show(window, *s, wp != 0);
        break;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case SPINNER_SET_DOT_COLOUR:
        s->dotColour = static_cast<DWORD>(lp);
        return repaint(window);
    case SPINNER_SET_BACKGROUND:
        s->background = static_cast<COLORREF>(lp);
        return repaint(window);
    case SPINNER_RUN:
        return on_run(window, *s, wp != 0);
    case SPINNER_IS_RUNNING:
        return s->running ? 1 : 0;
    case SPINNER_SET_INTERVAL:
        return on_set_interval(window, *s, static_cast<UINT>(wp));
    case WM_NCDESTROY:
        on_nc_destroy(window, s);
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wp, lp);
}

}  // namespace

bool register_spinner_class(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(instance, CLASS_NAME, &wc)) {
        return true;
    }
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = spinner_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = CLASS_NAME;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void draw_spinner_dots(HDC dc, int width, int height, double phase, DWORD argb) {
    Gdiplus::Graphics graphics(dc);
    Gdiplus::SmoothingMode smoothing = graphics.GetSmoothingMode();
    Gdiplus::PixelOffsetMode offset = graphics.GetPixelOffsetMode();
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    Gdiplus::SolidBrush brush{Gdiplus::Color(argb)};
    SpinnerGeometry g = spinner_geometry(width, height);
    auto y = static_cast<Gdiplus::REAL>(spinner_dot_y(g));
    for (int i = 0; i < SPINNER_DOT_COUNT; ++i) {
        SpinnerDot dot = spinner_dot(phase, i);
        if (dot.radius < 0.05) {
            continue;
        }
        auto x = static_cast<Gdiplus::REAL>(spinner_dot_x(g, i));
        auto r = static_cast<Gdiplus::REAL>(dot.radius * g.scale);
        // Alternate filling turns the inner circle into a hole: a ring.
        Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
        path.AddEllipse(x - r, y - r, 2 * r, 2 * r);
        if (dot.hole > 0.4) {
            auto h = static_cast<Gdiplus::REAL>(dot.hole * g.scale);
            path.AddEllipse(x - h, y - h, 2 * h, 2 * h);
        }
        graphics.FillPath(&brush, &path);
    }
    graphics.SetPixelOffsetMode(offset);
    graphics.SetSmoothingMode(smoothing);
}
