// Page 607: the uninstall is done; "End" closes the wizard.
#include "setup/setup_state.h"
#include "setup/wizard_look.h"
#include "setup/wizard_pages.h"
#include "ui/translation.h"

namespace {

// Lives as long as the page: made in WM_INITDIALOG, freed in WM_NCDESTROY.
struct CompletedPage {
    HFONT titleFont;
    HFONT textFont;
};

BOOL on_init_dialog(HWND window) {
    auto* p = static_cast<CompletedPage*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(CompletedPage)));
    if (!p) {
        return FALSE;
    }
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(p));
    size_page(window);
    p->titleFont = page_font(26, 600);
    p->textFont = page_font(18, 400);
    add_text(window, translate(L"Uninstall completed"), 30, 60, p->titleFont);
    wchar_t line[512];
    product_text(L"%PROGNAME% has been uninstalled successfully.", line);
    add_text(window, line, 30, 160, p->textFont);
    HWND end = add_button(window, translate(L"End"), IDOK, g_wizardLook.width - 165, g_wizardLook.height - 45, 150,
                          30, g_setup.font, true);
    if (end) {
        SetFocus(end);
    }
    return FALSE;  // the focus is set
}

void on_nc_destroy(HWND window) {
    auto* p = reinterpret_cast<CompletedPage*>(GetWindowLongPtrW(window, DWLP_USER));
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

INT_PTR CALLBACK completed_page_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_INITDIALOG:
        return on_init_dialog(window);
    case WM_SIZE:
        size_page(window);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            PostMessageW(GetParent(window), SETUP_GOTO_PAGE, 0, 0);
            return TRUE;
        }
        return FALSE;
    case WM_DRAWITEM:
        draw_page_item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp), false, false);
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

HWND create_completed_page(HWND frame) {
    return create_page(frame, completed_page_proc);
}
