// The wizard's pages, each a child dialog of the frame sized to the frame's
// client area. The frame destroys the current page before it makes the next.
#pragma once

#include <windows.h>

HWND create_start_page(HWND frame);                // 600: detection runs
HWND create_welcome_page(HWND frame);              // 601
HWND create_options_page(HWND frame);              // 603
HWND create_progress_page(HWND frame, int page);   // 604 installing, 606 uninstalling
HWND create_completed_page(HWND frame);            // 607
