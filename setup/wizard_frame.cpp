#include "setup/wizard_frame.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <vector>

#include "base/gdiplus.h"
#include "base/win_handles.h"
#include "setup/setup_message.h"
#include "setup/setup_state.h"
#include "setup/wizard_look.h"
#include "setup/wizard_pages.h"
#include "ui/dialog_template.h"
#include "ui/image_control.h"
#include "ui/theme.h"
#include "ui/translation.h"

namespace {

// Lives for the wizard's run: made in WM_INITDIALOG, freed in WM_NCDESTROY.
struct FrameState {
    int page;
    bool busy;  // installing or uninstalling: the wizard can't be closed
    HMODULE richEdit;
    ULONG_PTR gdiplusToken;
    bool gdiplusStarted;
    HICON icon;
    HICON smallIcon;
};

FrameState g_frame;

bool is_page(int page) {
    return page == PAGE_START || page == PAGE_WELCOME || page == PAGE_OPTIONS || page == PAGE_INSTALLING ||
           page == PAGE_UNINSTALLING || page == PAGE_UNINSTALLED;
}

// The background picture as a pattern brush, the dark one in the dark look,
// drawn to the frame's client size: the dialog units of the frame come out
// a little differently with other system fonts, and a tiled picture would
// show its top edge again at the bottom. Null when the picture can't be had
// (the pages are then white).
HBRUSH make_background_brush(int width, int height) {
    int id = is_dark() ? RESOURCE_BACKGROUND_DARK : RESOURCE_BACKGROUND;
    std::unique_ptr<Gdiplus::Image> image = load_resource_image(g_setup.instance, MAKEINTRESOURCEW(id), L"PNG");
    if (!image && id != RESOURCE_BACKGROUND) {
        image = load_resource_image(g_setup.instance, MAKEINTRESOURCEW(RESOURCE_BACKGROUND), L"PNG");
    }
    if (!image) {
        return nullptr;
    }
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    Gdiplus::Bitmap sized(width, height, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics graphics(&sized);
        graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        if (graphics.DrawImage(image.get(), 0, 0, width, height) != Gdiplus::Ok) {
            return nullptr;
        }
    }
    HBITMAP handle = nullptr;
    if (sized.GetHBITMAP(Gdiplus::Color(255, 0, 0, 0), &handle) != Gdiplus::Ok || !handle) {
        return nullptr;
    }
    HBRUSH brush = CreatePatternBrush(handle);  // keeps its own copy of the bitmap
    DeleteObject(handle);
    return brush;
}

void go_to_page(HWND frame, int page) {
    if (g_setup.pageWindow) {
        DestroyWindow(g_setup.pageWindow);
        g_setup.pageWindow = nullptr;
    }
    if (!is_page(page)) {
        EndDialog(frame, page);
        return;
    }
    g_frame.page = page;
    g_frame.busy = page == PAGE_INSTALLING || page == PAGE_UNINSTALLING;
    EnableMenuItem(GetSystemMenu(frame, FALSE), SC_CLOSE, MF_BYCOMMAND | (g_frame.busy ? MF_GRAYED : MF_ENABLED));
    HWND window = nullptr;
    switch (page) {
    case PAGE_START:
        window = create_start_page(frame);
        break;
    case PAGE_WELCOME:
        window = create_welcome_page(frame);
        break;
    case PAGE_OPTIONS:
        window = create_options_page(frame);
        break;
    case PAGE_INSTALLING:
    case PAGE_UNINSTALLING:
        window = create_progress_page(frame, page);
        break;
    default:
        window = create_completed_page(frame);
        break;
    }
    // A worker that switched pages while this one was being made has the
    // last word.
    if (!window) {
        return;
    }
    if (g_frame.page == page && !g_setup.pageWindow) {
        g_setup.pageWindow = window;
    } else {
        DestroyWindow(window);
    }
}

BOOL on_init_dialog(HWND frame) {
    g_frame = {};
    g_setup.wizardWindow = frame;
    if (g_setup.mappedWindow) {
        *g_setup.mappedWindow = frame;
    }
    g_frame.richEdit = LoadLibraryW(L"msftedit.dll");
    Gdiplus::GdiplusStartupInput input;
    g_frame.gdiplusStarted = Gdiplus::GdiplusStartup(&g_frame.gdiplusToken, &input, nullptr) == Gdiplus::Ok;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_LINK_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    g_frame.icon = static_cast<HICON>(LoadImageW(g_setup.instance, MAKEINTRESOURCEW(RESOURCE_ICON), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    g_frame.smallIcon = static_cast<HICON>(LoadImageW(g_setup.instance, MAKEINTRESOURCEW(RESOURCE_ICON), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageW(frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_frame.icon));
    SendMessageW(frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_frame.smallIcon));
    set_dark_title_bar(frame);
    RECT client;
    GetClientRect(frame, &client);
    g_wizardLook.width = client.right;
    g_wizardLook.height = client.bottom;
    g_wizardLook.background =
        g_frame.gdiplusStarted ? make_background_brush(g_wizardLook.width, g_wizardLook.height) : nullptr;
    go_to_page(frame, PAGE_START);
    ShowWindow(frame, SW_SHOW);
    return TRUE;
}

// After the pages: the welcome page's rich edit and picture need the
// library and GDI+ until they are gone.
void on_nc_destroy() {
    if (g_wizardLook.background) {
        DeleteObject(g_wizardLook.background);
        g_wizardLook.background = nullptr;
    }
    if (g_frame.gdiplusStarted) {
        Gdiplus::GdiplusShutdown(g_frame.gdiplusToken);
    }
    if (g_frame.richEdit) {
        FreeLibrary(g_frame.richEdit);
    }
    if (g_frame.icon) {
        DestroyIcon(g_frame.icon);
    }
    if (g_frame.smallIcon) {
        DestroyIcon(g_frame.smallIcon);
    }
    if (g_setup.mappedWindow) {
        *g_setup.mappedWindow = nullptr;
    }
    g_setup.wizardWindow = nullptr;
    g_setup.pageWindow = nullptr;
    g_frame = {};
}

void on_cancel(HWND frame) {
    if (g_frame.busy) {
        return;
    }
    if (g_frame.page == PAGE_UNINSTALLED) {
        go_to_page(frame, 0);
        return;
    }
    int answer = setup_message(frame, translate(L"Are you sure you want to cancel the installation?"),
                               translate(L"Install"), MB_YESNO);
    // The wizard may have moved on while the question was open.
    if (answer == IDYES && !g_frame.busy) {
        go_to_page(frame, 0);
    }
}

INT_PTR on_command(HWND frame, int id) {
    if (id == IDCANCEL) {
        on_cancel(frame);
        return TRUE;
    }
    // Enter in a page's edit reaches the frame: the page's default button
    // decides.
    if (id == IDOK && g_setup.pageWindow) {
        HWND button = GetDlgItem(g_setup.pageWindow, IDOK);
        if (button && IsWindowEnabled(button)) {
            SendMessageW(g_setup.pageWindow, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        }
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK frame_proc(HWND frame, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_INITDIALOG:
        return on_init_dialog(frame);
    case SETUP_GOTO_PAGE:
        go_to_page(frame, static_cast<int>(wp));
        return TRUE;
    case WM_COMMAND:
        return on_command(frame, LOWORD(wp));
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return page_colours(frame, message, wp, lp);
    case WM_NCDESTROY:
        on_nc_destroy();
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

int run_wizard() {
    std::vector<WORD> dialog = dialog_template(300, 200, PRODUCT_NAME);
    INT_PTR result = DialogBoxIndirectParamW(g_setup.instance, reinterpret_cast<DLGTEMPLATE*>(dialog.data()),
                                             GetDesktopWindow(), frame_proc, 0);
    return static_cast<int>(result);
}
