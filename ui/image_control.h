// "GdiImageCtrl": a picture drawn with GDI+ at its own size, animated when
// it has several frames. GDI+ must be started by the process.
#pragma once

#include <windows.h>

#include <memory>

#include "base/gdiplus.h"

constexpr UINT_PTR IMAGE_TIMER_ID = 0x8032;

// One per control, owned by its creator (zero-filled before use).
struct GdiImageState {
    HWND window;
    HWND parent;
    int id;
    // The control's own copy of the picture, one bitmap per frame (a single
    // image when there is one frame); freed by set_image and with the window.
    Gdiplus::Image** frames;
    UINT frameCount;
    UINT frameDelay;  // milliseconds, the same for every frame
    UINT currentFrame;
    UINT_PTR timerId;
    bool timerRunning;
};

// Registers the class (again is harmless) and creates the control. Null when
// the state already has a window or creation fails.
HWND create_image_control(GdiImageState* state, DWORD style, int x, int y, int width, int height, HWND parent, int id,
                          HINSTANCE instance);

// Shows a copy of image (or nothing): the caller keeps its own. Animates
// while the control is visible when the picture has several frames.
bool set_image(GdiImageState* state, Gdiplus::Image* image);

// A picture from the module's resources (the main program keeps its
// pictures as type 520), decoded by GDI+; null on any failure.
std::unique_ptr<Gdiplus::Image> load_resource_image(HINSTANCE instance, const wchar_t* name, const wchar_t* type);
