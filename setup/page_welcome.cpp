// Page 601: welcome. Install (or update), customise (or uninstall), the
// language menu and the link to the licence agreement.
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>
#include <shellapi.h>

#include "base/text.h"
#include "setup/confirm_uninstall.h"
#include "setup/setup_rules.h"
#include "setup/setup_state.h"
#include "setup/static_link.h"
#include "setup/wizard_look.h"
#include "setup/wizard_pages.h"
#include "ui/fit_to_text.h"
#include "ui/image_control.h"
#include "ui/theme.h"
#include "ui/translation.h"

namespace {

constexpr int ID_LANGUAGE = 805;
constexpr int ID_SECOND = 806;  // "Customize" or "Uninstall"
constexpr int ID_LOGO = 810;
constexpr int ID_LICENCE = 831;

// Lives as long as the page: made in WM_INITDIALOG, freed in WM_NCDESTROY.
struct WelcomePage {
    HWND window;
    HMENU menuBar;  // "&Context", never shown as a bar; its popup is the language menu
    HMENU languages;
    HFONT titleFont;
    HFONT licenceFont;
    HFONT buttonFont;
    HFONT linkFont;
    GdiImageState logo;
};

WelcomePage* page_of(HWND window) {
    return reinterpret_cast<WelcomePage*>(GetWindowLongPtrW(window, DWLP_USER));
}

void build_language_menu(WelcomePage& p) {
    p.menuBar = CreateMenu();
    p.languages = CreatePopupMenu();
    for (int command : LANGUAGE_MENU_COMMANDS) {
        const wchar_t* name = language_name(language_of_command(command));
        AppendMenuW(p.languages, MF_STRING, static_cast<UINT_PTR>(command), name ? name : L"");
    }
    AppendMenuW(p.menuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(p.languages), L"&Context");
}

void add_language_link(WelcomePage& p) {
    const wchar_t* name = language_name(g_setup.uiLanguage);
    HWND link = create_static_link(name ? name : L"English", 15, p.window, ID_LANGUAGE);
    if (!link) {
        return;
    }
    SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(p.linkFont), FALSE);
    fit_static_link(link);
    RECT r;
    GetWindowRect(link, &r);
    SetWindowPos(link, nullptr, g_wizardLook.width - 15 - (r.right - r.left), 15, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void add_logo(WelcomePage& p) {
    HWND logo = create_image_control(&p.logo, WS_CHILD | WS_VISIBLE, (g_wizardLook.width - 128) / 2, 50, 128, 128,
                                     p.window, ID_LOGO, g_setup.instance);
    std::unique_ptr<Gdiplus::Image> image =
        load_resource_image(g_setup.instance, MAKEINTRESOURCEW(RESOURCE_LOGO), L"PNG");
    if (logo && image) {
        set_image(&p.logo, image.get());
    }
}

// The rich edit never takes the focus: a click on its link must not pull
// the keyboard away from the buttons.
LRESULT CALLBACK no_focus_proc(HWND window, UINT message, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (message == WM_SETFOCUS) {
        HWND previous = reinterpret_cast<HWND>(wp);
        if (previous && IsWindow(previous)) {
            SetFocus(previous);
        }
        return 0;
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, no_focus_proc, 0);
    }
    return DefSubclassProc(window, message, wp, lp);
}

void add_licence_line(WelcomePage& p, int top) {
    HWND edit = CreateWindowExW(WS_EX_TRANSPARENT, L"RICHEDIT50W", L"",
                                WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_CENTER, 100, top,
                                g_wizardLook.width - 200, 50, p.window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_LICENCE)), g_setup.instance, nullptr);
    if (!edit) {
        return;
    }
    SetWindowSubclass(edit, no_focus_proc, 0, 0);
    SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(p.licenceFont), FALSE);
    SendMessageW(edit, EM_AUTOURLDETECT, FALSE, 0);
    // Where the line sits the picture is plain: its colour lets the control
    // look transparent even where the rich edit paints its own background.
    SendMessageW(edit, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(g_colours.windowBackground));
    wchar_t text[512];
    const wchar_t* link = translate(L"user license agreement");
    text_format(text, L"%ls %ls", translate(L"By installing or using the product, you agree to its"), link);
    SETTEXTEX set = {ST_DEFAULT, 1200};
    SendMessageW(edit, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&set), reinterpret_cast<LPARAM>(text));
    // The colour goes on the text itself: set before it, the text would
    // come in the control's default colour, black on the dark picture.
    CHARFORMAT2W all = {};
    all.cbSize = sizeof(all);
    all.dwMask = CFM_COLOR;
    all.crTextColor = g_colours.text;
    SendMessageW(edit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&all));
    // The link is the text's last part.
    LONG length = static_cast<LONG>(GetWindowTextLengthW(edit));
    LONG linkLength = static_cast<LONG>(text_length(link));
    CHARRANGE range = {length - linkLength, length};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMAT2W linkFormat = {};
    linkFormat.cbSize = sizeof(linkFormat);
    linkFormat.dwMask = CFM_LINK | CFM_COLOR | CFM_UNDERLINE;
    linkFormat.dwEffects = CFE_LINK | CFE_UNDERLINE;
    linkFormat.crTextColor = is_dark() ? g_colours.link : RGB(0, 102, 204);
    SendMessageW(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&linkFormat));
    CHARRANGE none = {0, 0};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
    SendMessageW(edit, EM_SETEVENTMASK, 0, ENM_LINK);
}

HWND add_centred_link(WelcomePage& p, const wchar_t* text, int top) {
    HWND link = create_static_link(text, top, p.window, ID_SECOND);
    if (link) {
        SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(p.linkFont), FALSE);
        fit_static_link(link);
        centre_horizontally(link, top);
    }
    return link;
}

BOOL on_init_dialog(HWND window) {
    auto* p = static_cast<WelcomePage*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(WelcomePage)));
    if (!p) {
        return FALSE;
    }
    p->window = window;
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(p));
    size_page(window);
    p->titleFont = page_font(23, 500, L"Verdana", true);
    p->licenceFont = page_font(15, 400);
    p->buttonFont = page_font(20, 400);
    p->linkFont = page_font(15, 400);
    build_language_menu(*p);
    add_language_link(*p);
    add_logo(*p);

    wchar_t title[512];
    product_text(L"Welcome to %PROGNAME%", title);
    HWND titleText = add_text(window, title, 0, 198, p->titleFont);
    centre_horizontally(titleText, 198);
    RECT r;
    GetWindowRect(titleText, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    int titleBottom = r.bottom;

    add_licence_line(*p, titleBottom + 10);
    const wchar_t* first = g_setup.installed ? translate(L"Update") : translate(L"Install Now");
    const wchar_t* second = g_setup.installed ? translate(L"Uninstall") : translate(L"Customize");
    HWND button = add_button(window, first, IDOK, (g_wizardLook.width - 200) / 2, titleBottom + 70, 200, 40,
                             p->buttonFont, true);
    add_centred_link(*p, second, titleBottom + 115);
    if (button) {
        SetFocus(button);
    }
    return FALSE;  // the focus is set
}

void on_nc_destroy(HWND window, WelcomePage* p) {
    if (!p) {
        return;
    }
    if (p->menuBar) {
        DestroyMenu(p->menuBar);  // with its popup
    }
    for (HFONT font : {p->titleFont, p->licenceFont, p->buttonFont, p->linkFont}) {
        if (font) {
            DeleteObject(font);
        }
    }
    HeapFree(GetProcessHeap(), 0, p);
    SetWindowLongPtrW(window, DWLP_USER, 0);
}

void show_language_menu(WelcomePage& p) {
    HWND link = GetDlgItem(p.window, ID_LANGUAGE);
    RECT r;
    GetWindowRect(link, &r);
    TrackPopupMenu(p.languages, TPM_LEFTALIGN | TPM_TOPALIGN, r.left, r.bottom, 0, p.window, nullptr);
}

void choose_language(HWND window, int command) {
    if (!g_translation) {
        return;
    }
    if (load_translation(*g_translation, g_setup.instance, command)) {
        g_setup.uiLanguage = language_of_command(command);
    } else {
        clear_translation(*g_translation);
        g_setup.uiLanguage = 9;
    }
    // Rebuilt in the new language once this command is done.
    PostMessageW(GetParent(window), SETUP_GOTO_PAGE, PAGE_WELCOME, 0);
}

void open_licence() {
    wchar_t eula[MAX_PATH];
    if (work_file(L"eula.txt", eula)) {
        ShellExecuteW(nullptr, L"open", eula, nullptr, nullptr, SW_SHOWNORMAL);
    }
}

INT_PTR on_command(HWND window, WelcomePage& p, int id) {
    HWND frame = GetParent(window);
    if (id == IDOK) {
        // Without a folder (Program Files could not be found) the archiver
        // would unpack into the work folder: the user picks one first.
        PostMessageW(frame, SETUP_GOTO_PAGE, g_setup.installDir[0] ? PAGE_INSTALLING : PAGE_OPTIONS, 0);
    } else if (id == ID_LANGUAGE) {
        show_language_menu(p);
    } else if (id == ID_SECOND) {
        if (g_setup.installed) {
            confirm_uninstall(frame);  // switches the wizard on "Uninstall now"
        } else {
            PostMessageW(frame, SETUP_GOTO_PAGE, PAGE_OPTIONS, 0);
        }
    } else if (language_of_command(id)) {
        choose_language(window, id);
    } else {
        return FALSE;
    }
    return TRUE;
}

INT_PTR on_notify(const NMHDR& header, LPARAM lp) {
    if (header.idFrom == ID_LICENCE && header.code == EN_LINK) {
        const auto* link = reinterpret_cast<const ENLINK*>(lp);
        if (link->msg == WM_LBUTTONUP) {
            open_licence();
        }
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK welcome_page_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    WelcomePage* p = page_of(window);
    switch (message) {
    case WM_INITDIALOG:
        return on_init_dialog(window);
    case WM_SIZE:
        size_page(window);
        return TRUE;
    case WM_COMMAND:
        return p ? on_command(window, *p, LOWORD(wp)) : FALSE;
    case WM_NOTIFY:
        return on_notify(*reinterpret_cast<const NMHDR*>(lp), lp);
    case WM_DRAWITEM:
        draw_page_item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp), false, false);
        return TRUE;
    case WM_ERASEBKGND:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return page_colours(window, message, wp, lp);
    case WM_NCDESTROY:
        on_nc_destroy(window, p);
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

HWND create_welcome_page(HWND frame) {
    return create_page(frame, welcome_page_proc);
}
