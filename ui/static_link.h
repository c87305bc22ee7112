// "StaticLinkCtrl": a text that can act as a hyperlink or as a drop-down link.
// As plain text it never keeps the focus and ignores the mouse; as a link it
// underlines under the pointer and sends WM_COMMAND (id, window) to its
// parent when clicked or when Enter or Space is pressed on it.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr size_t LINK_TEXT_CAPACITY = 32768;

// One per control, owned by its creator (zero-filled before use). The owner
// sets link, arrow and the colours directly, before or after creation, and
// repaints the control after a change. The rest belongs to the control.
struct StaticLinkState {
    HWND window;
    HWND parent;
    int commandId;
    HFONT font;            // the owner's font, not deleted here
    HFONT underlinedFont;  // made on WM_SETFONT, deleted with the window
    HCURSOR handCursor;
    HCURSOR arrowCursor;
    wchar_t* text;  // process heap, zero-filled; freed with the window
    size_t capacity;
    int textWidth;   // of the text in the normal font
    int textHeight;
    bool focused;
    bool hovered;
    bool link;   // false: plain text
    bool arrow;  // a drop-down triangle at the right; four spaces make room for it
    int widthLimit;  // the last width asked for; 0 until then
    COLORREF textColour;
    COLORREF linkColour;
    UINT drawFlags;  // DrawText flags from the static styles
};

// Registers the class (again is harmless) and creates the control, 100 x 20
// with style plus SS_NOTIFY, sized to its text. Null when the state already
// has a window or creation fails.
HWND create_link_control(StaticLinkState* state, const wchar_t* text, DWORD style, int x, int y, HWND parent, int id,
                         HINSTANCE instance);
