// The item window: a modeless child dialog of the download list, 70 pixels
// high, with the thumbnail, the title and format links, the status line and
// progress bar, the three buttons and the close box; its layout, control
// colours, context menu and clicks.
#include "app/items/item_window.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <new>
#include <vector>

#include "app/app_messages.h"
#include "app/items/item_face.h"
#include "app/items/item_view.h"
#include "app/items/progress_bar.h"
#include "base/text.h"
#include "ui/theme.h"

namespace {

// The menu bar whose one popup is the context menu.
HMENU context_popup(const DownloadItem& item) {
    return item.contextMenu ? GetSubMenu(item.contextMenu, 0) : nullptr;
}

// A child dialog without controls and of no size: the controls are made in
// WM_INITDIALOG and the list gives the window its place.
std::vector<WORD> item_template() {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
    t->style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
    words.push_back(0);  // no menu
    words.push_back(0);  // the standard dialog class
    words.push_back(0);  // no caption
    return words;
}

HWND make_control(ItemView& v, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y, int w,
                  int h, HFONT font) {
    HWND control = CreateWindowExW(0, cls, text, WS_CHILD | style, x, y, w, h, v.window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), v.item->instance, nullptr);
    if (control && font) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return control;
}

HWND make_close_box(ItemView& v, int width) {
    HWND bar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBSTYLE_FLAT | TBSTYLE_LIST | CCS_NODIVIDER |
                                   CCS_NOPARENTALIGN | CCS_NORESIZE,
                               width - CLOSE_BOX_WIDTH - 5, 4, CLOSE_BOX_WIDTH, CLOSE_BOX_HEIGHT, v.window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_ITEM_CLOSE)), v.item->instance, nullptr);
    if (!bar) {
        return nullptr;
    }
    // The close box draws itself; the theme would paint a button face under it.
    SetWindowTheme(bar, L" ", L" ");
    SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(10, 12));
    TBBUTTON button = {};
    button.iBitmap = I_IMAGENONE;
    button.idCommand = ID_ITEM_CLOSE;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_BUTTON;
    SendMessageW(bar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
    SendMessageW(bar, TB_SETBUTTONSIZE, 0, MAKELPARAM(CLOSE_BOX_WIDTH, CLOSE_BOX_HEIGHT));
    return bar;
}

HMENU make_context_menu(const DownloadItem& item) {
    HMENU bar = CreateMenu();
    HMENU popup = CreatePopupMenu();
    if (!bar || !popup) {
        if (bar) {
            DestroyMenu(bar);
        }
        if (popup) {
            DestroyMenu(popup);
        }
        return nullptr;
    }
    AppendMenuW(popup, MF_STRING | MF_GRAYED, ID_ITEM_TITLE, item_text(item, UI_TEXT(L"Play")));
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING, ID_ITEM_OPEN_LOCATION, item_text(item, UI_TEXT(L"Open file location")));
    AppendMenuW(popup, MF_STRING, ID_ITEM_OPEN_URL, item_text(item, UI_TEXT(L"Open URL in Browser")));
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING, ID_ITEM_COPY_URL, item_text(item, UI_TEXT(L"Copy URL")));
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING, ID_ITEM_CLOSE, item_text(item, UI_TEXT(L"Remove from the list")));
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"&Context");
    return bar;
}

void create_buttons(ItemView& v, int width, HFONT font) {
    static const wchar_t* const kCaptions[3] = {UI_TEXT(L"Download"), UI_TEXT(L"Login"), UI_TEXT(L"Enter password")};
    DWORD drawn = is_dark() ? BS_OWNERDRAW : BS_PUSHBUTTON;
    int x = width - CLOSE_BOX_WIDTH - 5;
    for (int i = 0; i < 3; ++i) {
        x -= 5 + ITEM_BUTTON_WIDTH;
        v.buttons[i] = make_control(v, L"Button", item_text(*v.item, kCaptions[i]), WS_TABSTOP | drawn,
                                    ITEM_BUTTON_IDS[i], x, (ITEM_HEIGHT - ITEM_BUTTON_HEIGHT) / 2, ITEM_BUTTON_WIDTH,
                                    ITEM_BUTTON_HEIGHT, font);
        if (v.buttons[i] && is_dark()) {
            track_button_hover(v.buttons[i]);
        }
    }
}

void create_controls(ItemView& v) {
    DownloadItem& item = *v.item;
    int width = item.width;
    HFONT font = item.normalFont;
    if (!font) {
        font = g_uiFont;
    }
    if (!font) {
        v.ownFont = ui_font();
        font = v.ownFont;
    }
    HFONT iconFont = item.iconFont ? item.iconFont : font;

    v.thumbnail = create_image_control(&v.picture, WS_VISIBLE | WS_TABSTOP, 15, (ITEM_HEIGHT - THUMBNAIL_HEIGHT) / 2,
                                       THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT, v.window, ID_ITEM_THUMBNAIL, item.instance);
    if (item.thumbnail) {
        set_image(&v.picture, item.thumbnail);
    }

    v.titleLink.textColour = g_colours.text;
    v.titleLink.linkColour = g_colours.link;
    v.title = create_link_control(&v.titleLink, item.url ? item.url : L"",
                                  WS_VISIBLE | WS_TABSTOP | SS_NOPREFIX | SS_ENDELLIPSIS, ITEM_TEXT_LEFT, 15,
                                  v.window, ID_ITEM_TITLE, item.instance);
    if (v.title) {
        SendMessageW(v.title, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }

    v.glyph = make_control(v, L"Static", L"", WS_VISIBLE | SS_NOPREFIX, ID_ITEM_GLYPH, ITEM_TEXT_LEFT, 40, 16, 16,
                           iconFont);

    v.formatLink.textColour = g_colours.text;
    v.formatLink.linkColour = g_colours.link;
    v.formatLink.link = true;
    v.formatLink.arrow = true;
    v.format = create_link_control(&v.formatLink, L"", WS_TABSTOP | SS_NOPREFIX | SS_ENDELLIPSIS, ITEM_FORMAT_LEFT, 40,
                                   v.window, ID_ITEM_FORMAT, item.instance);
    if (v.format) {
        SendMessageW(v.format, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }

    create_buttons(v, width, font);

    v.progress = make_control(v, PROGRESS_BAR_CLASS, L"", 0, ID_ITEM_PROGRESS, ITEM_TEXT_LEFT, 35, 100, 4, nullptr);
    item.progressBar = v.progress;
    v.status = make_control(v, L"Static", L"", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, ID_ITEM_STATUS,
                            ITEM_TEXT_LEFT, 43, 100, 16, font);
    v.closeBox = make_close_box(v, width);
}

BOOL on_init_dialog(HWND window, DownloadItem& item) {
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(&item));
    item.window = window;
    auto* v = new (std::nothrow) ItemView{};
    if (!v) {
        return FALSE;  // init_item finds no view and destroys the window
    }
    v->item = &item;
    v->window = window;
    v->menuModel = new (std::nothrow) FormatMenu{};
    // Reading the metadata starts the choice afresh: keep what the list file said.
    v->restoredChoice = item.choiceExplicit ? item.selectedChoice : 0;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(v));
    SetWindowTheme(window, L"Explorer", nullptr);
    make_item_brushes(*v, item.width);
    create_controls(*v);
    item.contextMenu = make_context_menu(item);
    start_item(*v);
    return FALSE;  // a new item takes no focus from where the user is
}

// The layout runs right to left: the close box, then each visible button,
// and the texts end 10 pixels before whatever is leftmost.
void on_size(ItemView& v, int width) {
    int x = width;
    RECT r;
    if (v.closeBox && GetWindowRect(v.closeBox, &r)) {
        MapWindowPoints(nullptr, v.window, reinterpret_cast<POINT*>(&r), 2);
        int w = r.right - r.left;
        SetWindowPos(v.closeBox, nullptr, x - w - 5, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        x = x - w - 5;
    }
    for (HWND button : v.buttons) {
        if (!button || !is_shown(button) || !GetWindowRect(button, &r)) {
            continue;
        }
        MapWindowPoints(nullptr, v.window, reinterpret_cast<POINT*>(&r), 2);
        int left = x - 5 - (r.right - r.left);
        SetWindowPos(button, nullptr, left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        x = left;
    }
    HWND texts[4] = {v.title, v.format, v.status, is_shown(v.progress) ? v.progress : nullptr};
    for (HWND text : texts) {
        if (!text || !GetWindowRect(text, &r)) {
            continue;
        }
        MapWindowPoints(nullptr, v.window, reinterpret_cast<POINT*>(&r), 2);
        int w = x - r.left - 10;
        SetWindowPos(text, nullptr, 0, 0, w > 0 ? w : 0, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (v.status) {
        InvalidateRect(v.status, nullptr, TRUE);
    }
    // Moved controls leave stale pixels just right of what is pending.
    RECT pending;
    if (GetUpdateRect(v.window, &pending, FALSE)) {
        RECT strip = {pending.left, 0, pending.right + 30, ITEM_HEIGHT};
        InvalidateRect(v.window, &strip, FALSE);
    }
}

INT_PTR on_ctl_colour_static(ItemView& v, HDC dc, HWND control) {
    int id = GetDlgCtrlID(control);
    bool secondary = id == ID_ITEM_STATUS || id == ID_ITEM_GLYPH;
    SetTextColor(dc, secondary ? g_colours.secondaryText
                 : v.item->selected ? g_colours.selectedItemText
                                    : g_colours.text);
    prepare_control_colours(dc, v.window, control);
    if (secondary || id == ID_ITEM_TITLE || id == ID_ITEM_FORMAT) {
        return reinterpret_cast<INT_PTR>(static_background(v, control));
    }
    return reinterpret_cast<INT_PTR>(v.controlBrush);
}

void notify_click(ItemView& v) {
    SendMessageW(GetParent(v.window), WM_APP_ITEM_CLICKED, static_cast<WPARAM>(v.item->listIndex), 0);
}

void on_parent_notify(ItemView& v, WPARAM wp, LPARAM lp) {
    UINT event = LOWORD(wp);
    if (event != WM_LBUTTONDOWN && event != WM_RBUTTONDOWN) {
        return;
    }
    POINT at = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    RECT box;
    if (v.closeBox && GetWindowRect(v.closeBox, &box)) {
        MapWindowPoints(nullptr, v.window, reinterpret_cast<POINT*>(&box), 2);
        if (PtInRect(&box, at)) {
            return;  // the close box removes the item: no selecting first
        }
    }
    notify_click(v);
}

void on_context_menu(ItemView& v, LPARAM lp) {
    HMENU popup = context_popup(*v.item);
    if (!popup) {
        return;
    }
    POINT at = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    if (lp == -1) {
        // From the keyboard: under the title, where the eye is.
        at = {ITEM_TEXT_LEFT, ITEM_HEIGHT / 2};
        ClientToScreen(v.window, &at);
    }
    TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, v.window, nullptr);
}

BOOL with_result(HWND window, LRESULT result) {
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

void on_nc_destroy(HWND window, ItemView* v) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (v->ownFont) {
        DeleteObject(v->ownFont);
    }
    delete v->menuModel;
    delete v;
}

INT_PTR CALLBACK item_dialog_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_INITDIALOG) {
        return on_init_dialog(window, *reinterpret_cast<DownloadItem*>(lp));
    }
    ItemView* v = view_of(window);
    if (!v) {
        return FALSE;
    }
    switch (message) {
    case WM_APP_ITEM_STATE:
        on_item_state(*v, static_cast<int>(wp));
        return TRUE;
    case WM_COMMAND:
        on_item_command(*v, LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(window);
        return TRUE;
    case WM_SIZE:
        on_size(*v, LOWORD(lp));
        return TRUE;
    case WM_ERASEBKGND:
        return with_result(window, 1);  // WM_PAINT covers everything
    case WM_PAINT:
        paint_item(*v);
        return TRUE;
    case WM_PRINTCLIENT:
        print_item_background(*v, reinterpret_cast<HDC>(wp));
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return on_ctl_colour_static(*v, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_CTLCOLORBTN:
        return reinterpret_cast<INT_PTR>(control_background(*v, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
    case WM_DRAWITEM:
        draw_item_button(*v, *reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        return TRUE;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        if (header->idFrom == ID_ITEM_CLOSE && header->code == NM_CUSTOMDRAW) {
            return with_result(window, close_box_custom_draw(*v, *reinterpret_cast<NMCUSTOMDRAW*>(lp)));
        }
        return FALSE;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        notify_click(*v);
        return TRUE;
    case WM_PARENTNOTIFY:
        on_parent_notify(*v, wp, lp);
        return FALSE;
    case WM_CONTEXTMENU:
        on_context_menu(*v, lp);
        return TRUE;
    case WM_DESTROY:
        destroy_item(*v);
        return FALSE;
    case WM_NCDESTROY:
        on_nc_destroy(window, v);
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

ItemView* view_of(HWND window) {
    return window ? reinterpret_cast<ItemView*>(GetWindowLongPtrW(window, GWLP_USERDATA)) : nullptr;
}

ItemView* view_of(const DownloadItem& item) {
    if (item.destroyed || !item.window) {
        return nullptr;
    }
    return view_of(item.item_window());
}

const wchar_t* item_text(const DownloadItem& item, const wchar_t* english) {
    return translate(item.translation ? item.translation : g_translation, english);
}

bool is_shown(HWND control) {
    // The style, not IsWindowVisible: the list may be hidden while items change.
    return control && (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

namespace {

// Each returns whether the control's place in the layout changed.
bool show_control(HWND control, bool shown) {
    if (!control || is_shown(control) == shown) {
        return false;
    }
    ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
    return true;
}

bool set_control_text(HWND control, const wchar_t* text) {
    wchar_t current[FACE_TITLE_CAPACITY];
    // The one-second refresh would make a rewritten text flicker.
    if (!control || (GetWindowTextW(control, current, FACE_TITLE_CAPACITY), text_equal(current, text))) {
        return false;
    }
    SetWindowTextW(control, text);
    InvalidateRect(control, nullptr, FALSE);
    return true;
}

void set_link(HWND control, StaticLinkState& state, bool link) {
    if (state.link != link) {
        state.link = link;
        state.hovered = false;
        if (control) {
            InvalidateRect(control, nullptr, FALSE);
        }
    }
}

bool apply_button(HWND button, const ButtonFace& face) {
    if (!button) {
        return false;
    }
    set_control_text(button, face.caption);
    if ((IsWindowEnabled(button) != FALSE) != face.enabled) {
        EnableWindow(button, face.enabled ? TRUE : FALSE);
    }
    return show_control(button, face.shown);
}

// The format link, or a finished item's caption in the muted colour and
// without the arrow's room.
void apply_format_look(ItemView& v, bool link) {
    if (v.formatLink.link == link && v.formatMuted == !link) {
        return;
    }
    v.formatMuted = !link;
    set_link(v.format, v.formatLink, link);
    v.formatLink.arrow = link;
    v.formatLink.textColour = link ? v.titleLink.textColour : g_colours.mutedText;
    if (v.format) {
        SetWindowTextW(v.format, v.button.caption);  // stored again: the arrow's room comes or goes
    }
}

void apply_progress(ItemView& v, ProgressLook look, unsigned percent) {
    if (!v.progress) {
        return;
    }
    if (look == ProgressLook::HIDDEN) {
        if (is_shown(v.progress)) {
            SendMessageW(v.progress, PBM_TAVLO_SETMARQUEE, 0, 0);  // no sweep timer behind a hidden bar
            SendMessageW(v.progress, PBM_TAVLO_SETPOS, 0, 0);
        }
        return;
    }
    SendMessageW(v.progress, PBM_TAVLO_SETMARQUEE, look == ProgressLook::MARQUEE ? 1 : 0, 0);
    if (look == ProgressLook::PERCENT) {
        SendMessageW(v.progress, PBM_TAVLO_SETPOS, percent, 0);
    }
}

}  // namespace

void apply_item_face(ItemView& v, const ItemFace& face) {
    bool moved = false;
    apply_progress(v, face.progress, face.percent);
    moved |= show_control(v.progress, face.progress != ProgressLook::HIDDEN);
    if (face.statusShown) {
        set_control_text(v.status, face.status);
    }
    moved |= show_control(v.status, face.statusShown);
    set_link(v.title, v.titleLink, face.titleLink);
    moved |= set_control_text(v.title, face.title);
    apply_format_look(v, face.formatLink);
    moved |= show_control(v.glyph, face.formatShown);
    moved |= show_control(v.format, face.formatShown);
    moved |= apply_button(v.buttons[0], face.main);
    moved |= apply_button(v.buttons[1], face.login);
    moved |= apply_button(v.buttons[2], face.password);
    if (HMENU popup = context_popup(*v.item)) {
        EnableMenuItem(popup, ID_ITEM_TITLE, MF_BYCOMMAND | (face.playEnabled ? MF_ENABLED : MF_GRAYED));
    }
    if (moved) {
        relayout(v);
    }
}

void relayout(ItemView& view) {
    RECT client;
    GetClientRect(view.window, &client);
    on_size(view, client.right);
}

HWND create_item_window(DownloadItem& item, HWND list) {
    std::vector<WORD> frame = item_template();
    return CreateDialogIndirectParamW(item.instance, reinterpret_cast<DLGTEMPLATE*>(frame.data()), list,
                                      item_dialog_proc, reinterpret_cast<LPARAM>(&item));
}
