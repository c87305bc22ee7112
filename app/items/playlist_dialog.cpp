// The playlist dialog of an item: one row per received entry, ticked for
// download; rows for entries still arriving are added every second.
#include "app/items/playlist_dialog.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "base/text.h"
#include "base/win_handles.h"
#include "ui/dark_controls.h"
#include "ui/dialog_template.h"
#include "ui/theme.h"
#include "ui/translation.h"

namespace {

constexpr int ID_ENTRIES = 18;
constexpr int ID_SELECT_ALL = 19;
constexpr UINT_PTR REFILL_TIMER = 1;
constexpr UINT REFILL_MS = 1000;
constexpr int BAND = 41;  // the bottom band of the check box and OK

struct PlaylistDialog {
    DownloadItem* item;
    HFONT font;
};

PlaylistDialog* state_of(HWND dialog) {
    return reinterpret_cast<PlaylistDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

unsigned entry_count(const DownloadItem& item) {
    unsigned n = item.documentsReceived;
    return n > static_cast<unsigned>(MAX_PLAYLIST_ENTRIES) ? MAX_PLAYLIST_ENTRIES : n;
}

// The entry of the link's own video: its id, or the first entry when the
// link names none.
int own_entry(const DownloadItem& item) {
    unsigned n = entry_count(item);
    for (unsigned i = 0; item.playlistEntries && i < n && item.playlistEntries[i].playlistIndex; ++i) {
        const PlaylistEntry& e = item.playlistEntries[i];
        if (!item.videoId || text_equal_nocase(e.id, item.videoId)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

HWND make_control(HWND dialog, const PlaylistDialog& d, DWORD exStyle, const wchar_t* cls, const wchar_t* text,
                  DWORD style, int id, int x, int y, int w, int h) {
    HWND control = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, dialog,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(d.font), FALSE);
    return control;
}

void set_all_checks(HWND list, bool checked) {
    int rows = ListView_GetItemCount(list);
    for (int i = 0; i < rows; ++i) {
        ListView_SetCheckState(list, i, checked);
    }
}

bool select_all_checked(HWND dialog, const DownloadItem& item) {
    return is_dark() ? item.selectAllChecked != 0 : IsDlgButtonChecked(dialog, ID_SELECT_ALL) == BST_CHECKED;
}

BOOL on_init_dialog(HWND dialog, PlaylistDialog& d) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&d));
    DownloadItem& item = *d.item;
    RECT client;
    GetClientRect(dialog, &client);
    int w = client.right;
    int h = client.bottom;
    bool dark = is_dark();

    HWND list = make_control(dialog, d, WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                             WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                             ID_ENTRIES, -1, -1, w + 2, h - BAND);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = w - 22;
    ListView_InsertColumn(list, 0, &column);
    fill_playlist_rows(item, list);
    if (item.state != STATE_READY) {
        SetTimer(dialog, REFILL_TIMER, REFILL_MS, nullptr);  // entries still arrive
    }

    DWORD drawn = dark ? BS_OWNERDRAW : BS_AUTOCHECKBOX;
    HWND selectAll = make_control(dialog, d, 0, L"Button", translate(L"Select all"), WS_TABSTOP | drawn,
                                  ID_SELECT_ALL, 8, 0, 100, 20);
    SIZE text = measure_text(selectAll, translate(L"Select all"));
    int checkWidth = text.cx + 20 + 4;  // the box, and room around the text
    int checkHeight = text.cy > 16 ? text.cy : 16;
    MoveWindow(selectAll, 8, h - BAND + (BAND - checkHeight) / 2, checkWidth, checkHeight, FALSE);
    if (!dark && item.selectAll) {
        CheckDlgButton(dialog, ID_SELECT_ALL, BST_CHECKED);
    }
    HWND ok = make_control(dialog, d, 0, L"Button", translate(L"OK"),
                           WS_TABSTOP | (dark ? BS_OWNERDRAW : BS_DEFPUSHBUTTON), IDOK, w - 84, h - 33, 76, 25);
    if (dark) {
        item.selectAllChecked = item.selectAll ? 1 : 0;
        set_dark_title_bar(dialog);
        SetWindowTheme(list, L"DarkMode_Explorer", nullptr);
        ListView_SetBkColor(list, g_colours.windowBackground);
        ListView_SetTextBkColor(list, g_colours.windowBackground);
        ListView_SetTextColor(list, g_colours.text);
        track_hover(ok);
        track_hover(selectAll);
    }
    SetFocus(list);
    return FALSE;
}

// Closing keeps the ticks; with nothing ticked the own entry is ticked,
// and without one the dialog stays open.
bool close_with_choice(HWND dialog, DownloadItem& item) {
    HWND list = GetDlgItem(dialog, ID_ENTRIES);
    int rows = ListView_GetItemCount(list);
    if (rows == 0) {
        return true;
    }
    unsigned n = entry_count(item);
    bool anyTicked = false;
    for (int i = 0; i < rows; ++i) {
        bool ticked = ListView_GetCheckState(list, i) != 0;
        anyTicked |= ticked;
        if (static_cast<unsigned>(i) < n && item.playlistEntries[i].playlistIndex) {
            item.playlistEntries[i].selected = ticked ? 1 : 0;
        }
    }
    if (anyTicked) {
        return true;
    }
    int own = own_entry(item);
    if (own < 0) {
        return false;
    }
    if (own < rows) {
        ListView_SetCheckState(list, own, TRUE);
    }
    item.playlistEntries[own].selected = 1;
    return true;
}

void end_dialog(HWND dialog, DownloadItem& item) {
    if (close_with_choice(dialog, item)) {
        KillTimer(dialog, REFILL_TIMER);
        EndDialog(dialog, IDOK);
    }
}

BOOL on_command(HWND dialog, PlaylistDialog& d, WORD id, WORD code) {
    DownloadItem& item = *d.item;
    if (id == ID_SELECT_ALL && code == BN_CLICKED) {
        bool checked;
        if (is_dark()) {
            item.selectAllChecked = !item.selectAllChecked;
            checked = item.selectAllChecked != 0;
            InvalidateRect(GetDlgItem(dialog, ID_SELECT_ALL), nullptr, FALSE);
        } else {
            checked = select_all_checked(dialog, item);
        }
        item.selectAll = checked ? 1 : 0;
        set_all_checks(GetDlgItem(dialog, ID_ENTRIES), checked);
        return TRUE;
    }
    if (id == IDOK || id == IDCANCEL) {
        end_dialog(dialog, item);
        return TRUE;
    }
    return FALSE;
}

LRESULT dark_list_draw(NMLVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        bool selected = ListView_GetItemState(draw->nmcd.hdr.hwndFrom, static_cast<int>(draw->nmcd.dwItemSpec),
                                              LVIS_SELECTED) != 0;
        draw->clrText = selected ? g_colours.selectedItemText : g_colours.text;
        draw->clrTextBk = selected ? g_colours.listSelection : g_colours.windowBackground;
        if (selected) {
            draw->nmcd.uItemState &= ~CDIS_SELECTED;  // our colours, not the system's
        }
        return CDRF_NEWFONT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

INT_PTR CALLBACK playlist_dialog_proc(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_INITDIALOG) {
        return on_init_dialog(dialog, *reinterpret_cast<PlaylistDialog*>(lp));
    }
    PlaylistDialog* d = state_of(dialog);
    if (!d) {
        return FALSE;
    }
    switch (message) {
    case WM_COMMAND:
        return on_command(dialog, *d, LOWORD(wp), HIWORD(wp));
    case WM_CLOSE:
        end_dialog(dialog, *d->item);
        return TRUE;
    case WM_TIMER:
        if (wp == REFILL_TIMER) {
            fill_playlist_rows(*d->item, GetDlgItem(dialog, ID_ENTRIES));
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        KillTimer(dialog, REFILL_TIMER);
        return FALSE;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (item->CtlID == ID_SELECT_ALL) {
            draw_dark_check_box(*item, d->item->selectAllChecked != 0);
        } else {
            d->item->hoverPlaylistOk = hovered_window() == item->hwndItem;
            draw_dark_button(*item, d->item->hoverPlaylistOk != 0);
        }
        return TRUE;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        if (is_dark() && header->idFrom == ID_ENTRIES && header->code == NM_CUSTOMDRAW) {
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, dark_list_draw(reinterpret_cast<NMLVCUSTOMDRAW*>(lp)));
            return TRUE;
        }
        return FALSE;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (is_dark()) {
            return dark_dialog_colours(reinterpret_cast<HDC>(wp));
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void fill_playlist_rows(DownloadItem& item, HWND list) {
    if (!item.playlistEntries) {
        return;
    }
    unsigned n = entry_count(item);
    bool anySelected = false;
    for (unsigned i = 0; i < n; ++i) {
        anySelected |= item.playlistEntries[i].selected != 0;
    }
    int first = ListView_GetItemCount(list);
    for (unsigned i = static_cast<unsigned>(first); i < n; ++i) {
        const PlaylistEntry& e = item.playlistEntries[i];
        if (e.playlistIndex == 0) {
            break;
        }
        wchar_t row[280];
        text_format(row, L"%u - %ls", e.playlistIndex, e.title ? e.title : L"");
        LVITEMW lv = {};
        lv.mask = LVIF_TEXT;
        lv.iItem = static_cast<int>(i);
        lv.pszText = row;
        int at = ListView_InsertItem(list, &lv);
        bool tick;
        if (!anySelected) {
            tick = item.videoId ? text_equal_nocase(e.id, item.videoId) : i == 0;
        } else {
            tick = e.selected != 0;
        }
        if (tick) {
            ListView_SetCheckState(list, at, TRUE);
        }
    }
}

void choose_playlist_entries(DownloadItem& item) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    PlaylistDialog d = {};
    d.item = &item;
    d.font = item.normalFont ? item.normalFont : g_uiFont;
    if (!d.font) {
        d.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    std::vector<WORD> frame = dialog_template(250, 150, L"Playlist");
    DialogBoxIndirectParamW(item.instance ? item.instance : GetModuleHandleW(nullptr),
                            reinterpret_cast<DLGTEMPLATE*>(frame.data()), item.owner, playlist_dialog_proc,
                            reinterpret_cast<LPARAM>(&d));
}
