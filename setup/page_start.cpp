// Page 600: the blank start page, shown while the existing installation is
// looked for.
#include "setup/setup_entry.h"
#include "setup/wizard_look.h"
#include "setup/wizard_pages.h"

namespace {

DWORD WINAPI detection_thread(void*) {
    detect_installation();  // switches the wizard to the welcome page
    return 0;
}

BOOL on_init_dialog(HWND page) {
    size_page(page);
    HANDLE thread = CreateThread(nullptr, 0, detection_thread, nullptr, 0, nullptr);
    if (thread) {
        CloseHandle(thread);
    }
    return FALSE;
}

INT_PTR CALLBACK start_page_proc(HWND page, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_INITDIALOG:
        return on_init_dialog(page);
    case WM_SIZE:
        size_page(page);
        return TRUE;
    case WM_ERASEBKGND:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return page_colours(page, message, wp, lp);
    default:
        return FALSE;
    }
}

}  // namespace

HWND create_start_page(HWND frame) {
    return create_page(frame, start_page_proc);
}
