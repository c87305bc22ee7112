// Pages 604 (installing) and 606 (uninstalling): a title, a line and a
// marquee bar while the work runs on a thread of its own.
#include "setup/install.h"
#include "setup/setup_state.h"
#include "setup/uninstall_flow.h"
#include "setup/wizard_look.h"
#include "setup/wizard_pages.h"
#include "ui/translation.h"

namespace {

// Lives as long as the page: made in WM_INITDIALOG, freed in WM_NCDESTROY.
struct ProgressPage {
    HFONT titleFont;
    HFONT textFont;
};

DWORD WINAPI install_thread(void*) {
    run_install();  // closes the wizard when done
    return 0;
}

BOOL on_init_dialog(HWND window, int pageNumber) {
    auto* p = static_cast<ProgressPage*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ProgressPage)));
    if (!p) {
        return FALSE;
    }
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(p));
    size_page(window);
    bool installing = pageNumber == PAGE_INSTALLING;
    p->titleFont = page_font(26, 600);
    p->textFont = page_font(18, 400);
    add_text(window, installing ? translate(L"Configuring") : translate(L"Uninstalling progress"), 30, 60,
             p->titleFont);
    wchar_t line[512];
    if (installing) {
        product_text(L"Configuring %PROGNAME%...", line);
    } else {
        product_text(L"Uninstalling %PROGNAME%...", line);
    }
    int lineTop = installing ? 160 : 195;
    add_text(window, line, 30, lineTop, p->textFont);
    add_marquee(window, 30, lineTop + 25, g_wizardLook.width - 60, 30);
    HANDLE thread = CreateThread(nullptr, 0, installing ? install_thread : uninstall_thread, nullptr, 0, nullptr);
    if (thread) {
        CloseHandle(thread);
    }
    return TRUE;
}

void on_nc_destroy(HWND window) {
    auto* p = reinterpret_cast<ProgressPage*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!p) {
        return;
    }
    if (p->titleFont) {
        DeleteObject(p->titleFont);
    }
    if (p->textFont) {
        DeleteObject(p->textFont);
    }
    HeapFree(GetProcessHeap(), 0, p);
    SetWindowLongPtrW(window, DWLP_USER, 0);
}

INT_PTR CALLBACK progress_page_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_INITDIALOG:
        return on_init_dialog(window, static_cast<int>(lp));
    case WM_SIZE:
        size_page(window);
        return TRUE;
    case WM_ERASEBKGND:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return page_colours(window, message, wp, lp);
    case WM_NCDESTROY:
        on_nc_destroy(window);
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

HWND create_progress_page(HWND frame, int page) {
    return create_page(frame, progress_page_proc, static_cast<LPARAM>(page));
}
