#include "ui/image_control.h"

#include <cstring>
#include <new>
#include <vector>

#include "base/win_handles.h"
#include "ui/control_helpers.h"

namespace {

const wchar_t CLASS_NAME[] = L"GdiImageCtrl";
constexpr PROPID FRAME_DELAY_TAG = 0x5100;  // PropertyTagFrameDelay: hundredths of a second per frame
constexpr UINT DEFAULT_DELAY_MS = 100;

WNDPROC g_staticProc = nullptr;

LRESULT call_static(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    return g_staticProc ? CallWindowProcW(g_staticProc, window, message, wp, lp)
                        : DefWindowProcW(window, message, wp, lp);
}

GdiImageState* state_of(HWND window) {
    return reinterpret_cast<GdiImageState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void free_frames(Gdiplus::Image** frames, UINT count) {
    if (!frames) {
        return;
    }
    for (UINT i = 0; i < count; ++i) {
        delete frames[i];
    }
    delete[] frames;
}

// The first delay of the picture, for every frame. Web browsers show a
// delay of 0 or 1 hundredth as a tenth of a second; so does this control,
// rather than repaint as fast as its timer allows.
UINT frame_delay(Gdiplus::Image& image) {
    UINT size = image.GetPropertyItemSize(FRAME_DELAY_TAG);
    if (size < sizeof(Gdiplus::PropertyItem)) {
        return DEFAULT_DELAY_MS;
    }
    std::vector<BYTE> buffer(size);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (image.GetPropertyItem(FRAME_DELAY_TAG, size, item) != Gdiplus::Ok || item->length < sizeof(UINT32) ||
        !item->value) {
        return DEFAULT_DELAY_MS;
    }
    UINT32 hundredths = *static_cast<const UINT32*>(item->value);
    return hundredths > 1 ? hundredths * 10 : DEFAULT_DELAY_MS;
}

// Frames of the picture's first dimension, when that is time (an animation);
// other kinds of frames (pages) are not played.
UINT animation_frames(Gdiplus::Image& image, GUID* dimension) {
    if (image.GetFrameDimensionsCount() == 0 || image.GetFrameDimensionsList(dimension, 1) != Gdiplus::Ok ||
        *dimension != Gdiplus::FrameDimensionTime) {
        return 1;
    }
    UINT count = image.GetFrameCount(dimension);
    return count ? count : 1;
}

// A frame as a bitmap of its own: a clone of an animated picture does not
// keep its frames everywhere GDI+ runs (Wine's keeps only the current one).
Gdiplus::Image* copy_frame(Gdiplus::Image& image, const GUID& dimension, UINT index) {
    if (image.SelectActiveFrame(&dimension, index) != Gdiplus::Ok) {
        return nullptr;
    }
    auto width = static_cast<INT>(image.GetWidth());
    auto height = static_cast<INT>(image.GetHeight());
    auto* frame = new Gdiplus::Bitmap(width, height, PixelFormat32bppPARGB);
    if (!frame || frame->GetLastStatus() != Gdiplus::Ok) {
        delete frame;
        return nullptr;
    }
    Gdiplus::Graphics graphics(frame);
    graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    if (graphics.DrawImage(&image, Gdiplus::Rect(0, 0, width, height), 0, 0, width, height, Gdiplus::UnitPixel) !=
        Gdiplus::Ok) {
        delete frame;
        return nullptr;
    }
    return frame;
}

bool is_shown(HWND window) {
    return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

void stop_animation(GdiImageState& s) {
    if (s.timerRunning) {
        KillTimer(s.window, s.timerId);
        s.timerRunning = false;
    }
}

void start_animation(GdiImageState& s) {
    if (s.window && s.frameCount > 1 && !s.timerRunning) {
        s.timerRunning = SetTimer(s.window, s.timerId, s.frameDelay, nullptr) != 0;
    }
}

void repaint_with_parent(const GdiImageState& s) {
    InvalidateRect(s.window, nullptr, TRUE);
    HWND parent = GetParent(s.window);
    if (parent) {
        RECT r;
        GetWindowRect(s.window, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        InvalidateRect(parent, &r, TRUE);
    }
}

LRESULT on_nc_create(HWND window, const CREATESTRUCTW& cs) {
    auto* s = static_cast<GdiImageState*>(cs.lpCreateParams);
    if (!s) {
        return FALSE;
    }
    s->window = window;
    s->timerId = IMAGE_TIMER_ID;
    s->timerRunning = false;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
    return TRUE;
}

LRESULT on_create(GdiImageState& s, const CREATESTRUCTW& cs) {
    s.parent = cs.hwndParent;
    s.id = static_cast<int>(reinterpret_cast<INT_PTR>(cs.hMenu));
    if (cs.style & WS_VISIBLE) {
        start_animation(s);
    }
    return 0;
}

LRESULT on_paint(HWND window, GdiImageState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    Gdiplus::Image* frame = s.frames[s.currentFrame < s.frameCount ? s.currentFrame : 0];
    if (frame) {
        // At its own size in pixels: the picture is made to fit the control, never scaled.
        Gdiplus::Graphics graphics(dc);
        graphics.DrawImage(frame, 0, 0, static_cast<INT>(frame->GetWidth()), static_cast<INT>(frame->GetHeight()));
    }
    EndPaint(window, &ps);
    return 0;
}

void on_show(GdiImageState& s, bool shown) {
    if (shown) {
        start_animation(s);
    } else {
        stop_animation(s);  // nobody sees it: no repainting
    }
}

LRESULT on_timer(GdiImageState& s) {
    if (s.frameCount < 2) {
        stop_animation(s);
        return 0;
    }
    s.currentFrame = (s.currentFrame + 1) % s.frameCount;
    InvalidateRect(s.window, nullptr, FALSE);
    return 0;
}

void on_nc_destroy(HWND window, GdiImageState& s) {
    stop_animation(s);
    free_frames(s.frames, s.frameCount);
    s.frames = nullptr;
    s.frameCount = 0;
    s.currentFrame = 0;
    s.window = nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
}

LRESULT CALLBACK image_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE && !on_nc_create(window, *reinterpret_cast<CREATESTRUCTW*>(lp))) {
        return FALSE;
    }
    GdiImageState* s = state_of(window);
    if (!s) {
        return call_static(window, message, wp, lp);
    }
    switch (message) {
    case WM_CREATE:
        if (call_static(window, message, wp, lp) == -1) {
            return -1;
        }
        return on_create(*s, *reinterpret_cast<CREATESTRUCTW*>(lp));
    case WM_PAINT:
        if (s->frames) {
            return on_paint(window, *s);
        }
        break;  // no picture: the static's own painting
    case WM_SHOWWINDOW:
        on_show(*s, wp != 0);
        break;
    case WM_TIMER:
        if (wp == s->timerId) {
            return on_timer(*s);
        }
        break;
    case WM_NCDESTROY:
        on_nc_destroy(window, *s);
        break;
    default:
        break;
    }
    return call_static(window, message, wp, lp);
}

}  // namespace

HWND create_image_control(GdiImageState* state, DWORD style, int x, int y, int width, int height, HWND parent, int id,
                          HINSTANCE instance) {
    if (!state || state->window || !register_static_copy(instance, CLASS_NAME, image_proc, &g_staticProc)) {
        return nullptr;
    }
    state->parent = parent;
    state->id = id;
    HWND window = CreateWindowExW(0, CLASS_NAME, L"", style | WS_CHILD, x, y, width, height, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, state);
    if (!window) {
        state->window = nullptr;
    }
    return window;
}

bool set_image(GdiImageState* state, Gdiplus::Image* image) {
    if (!state) {
        return false;
    }
    Gdiplus::Image** frames = nullptr;
    UINT count = 0;
    UINT delay = DEFAULT_DELAY_MS;
    if (image) {
        GUID dimension = {};
        count = animation_frames(*image, &dimension);
        frames = new (std::nothrow) Gdiplus::Image*[count]();
        if (!frames) {
            return false;
        }
        if (count == 1) {
            frames[0] = image->Clone();
        } else {
            delay = frame_delay(*image);
            for (UINT i = 0; i < count; ++i) {
                frames[i] = copy_frame(*image, dimension, i);
            }
            image->SelectActiveFrame(&dimension, 0);  // the caller's picture as it came
        }
        for (UINT i = 0; i < count; ++i) {
            if (!frames[i] || frames[i]->GetLastStatus() != Gdiplus::Ok) {
                free_frames(frames, count);  // the control keeps what it showed
                return false;
            }
        }
    }
    bool animated = state->timerRunning;
    stop_animation(*state);
    free_frames(state->frames, state->frameCount);
    state->frames = frames;
    state->frameCount = frames ? count : 0;
    state->frameDelay = delay;
    state->currentFrame = 0;
    if (state->window) {
        if (animated || is_shown(state->window)) {
            start_animation(*state);
        }
        repaint_with_parent(*state);
    }
    return true;
}

std::unique_ptr<Gdiplus::Image> load_resource_image(HINSTANCE instance, const wchar_t* name, const wchar_t* type) {
    HRSRC found = FindResourceW(instance, name, type);
    DWORD size = found ? SizeofResource(instance, found) : 0;
    HGLOBAL loaded = size ? LoadResource(instance, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        return nullptr;
    }
    // GDI+ reads the picture lazily from the stream and holds it for the
    // picture's life: the stream gets its own copy of the bytes.
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    void* target = copy ? GlobalLock(copy) : nullptr;
    if (!target) {
        if (copy) {
            GlobalFree(copy);
        }
        return nullptr;
    }
    memcpy(target, bytes, size);
    GlobalUnlock(copy);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(copy, TRUE, &stream))) {
        GlobalFree(copy);
        return nullptr;
    }
    std::unique_ptr<Gdiplus::Image> image(Gdiplus::Image::FromStream(stream));
    stream->Release();
    if (!image || image->GetLastStatus() != Gdiplus::Ok) {
        return nullptr;
    }
    return image;
}
