// The Options dialog. It edits a working copy of the settings; only OK
// touches the global record, and only after the file was written. Emptying
// the caches happens at once, whatever the dialog's end.
#include "app/services/options_dialog.h"

#include <commctrl.h>
#include <shlobj.h>
#include <uxtheme.h>

#include <string>

#include "app/services/options_dialog_look.h"
#include "app/services/options_form.h"
#include "app/services/settings.h"
#include "base/data_folder.h"
#include "base/delete_tree.h"
#include "base/pick_folder.h"
#include "base/text.h"
#include "base/win_handles.h"
#include "ui/dark_controls.h"
#include "ui/dialog_template.h"
#include "ui/fit_to_text.h"
#include "ui/input_frame.h"
#include "ui/message_box.h"
#include "ui/theme.h"
#include "ui/translation.h"

namespace {

// The check boxes in the order of the form's checks.
constexpr int CHECK_IDS[CHECK_COUNT] = {OPTIONS_DARK_MODE, OPTIONS_ALWAYS_ON_TOP, OPTIONS_AUTO_UPDATE,
                                        OPTIONS_USE_ACCOUNT};
constexpr int EDIT_IDS[3] = {OPTIONS_FOLDER, OPTIONS_PROXY, OPTIONS_COMMANDS};
constexpr int LINE_HEIGHT = 15;    // of the edits' text, for centring it
constexpr int CHECK_GLYPH = 20;    // the box beside a check box's caption
constexpr int CHECK_ROOM = 4;      // and a little room after the caption
constexpr int DARK_CHECK_BOX = 16; // the drawn box must not be clipped
constexpr int NOTE_WRAP = 292;     // the account note is measured wrapped at this width
constexpr UINT_PTR SINGLE_LINE_SUBCLASS = 0x7A51;
constexpr size_t PASTE_CAPACITY = 513;  // more than the longest edit takes

struct OptionsDialog {
    OptionsDialogParams params;
    OptionsForm form;
    HFONT font;     // every control's font
    HFONT ownFont;  // made here when the program has no shared font yet
    bool dark;
    bool visualChecks[CHECK_COUNT];  // dark look: the drawn boxes keep their own state
    OptionsLook look;
};

OptionsDialog* state_of(HWND dialog) {
    return reinterpret_cast<OptionsDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

int check_index(int id) {
    for (int i = 0; i < CHECK_COUNT; ++i) {
        if (CHECK_IDS[i] == id) {
            return i;
        }
    }
    return -1;
}

bool is_edit_id(int id) {
    return id == OPTIONS_FOLDER || id == OPTIONS_PROXY || id == OPTIONS_COMMANDS;
}

HWND make_control(HWND dialog, const OptionsDialog& d, DWORD exStyle, const wchar_t* cls, const wchar_t* text,
                  DWORD style, int id, int x, int y, int w, int h) {
    HWND control = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, dialog,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(d.font), FALSE);
    return control;
}

int height_of(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    return r.bottom - r.top;
}

// The three edits are multi-line edits, for the centred text, that behave
// as single-line ones: Tab, Enter and Escape belong to the dialog, and no
// line break or tab gets in, typed or pasted, to end up in the settings
// file or on yt-dlp's command line.
void paste_as_one_line(HWND edit) {
    if (!OpenClipboard(edit)) {
        return;
    }
    wchar_t text[PASTE_CAPACITY] = L"";
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const auto* source = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    if (source) {
        one_line_text(source, text, PASTE_CAPACITY);
        GlobalUnlock(data);
    }
    CloseClipboard();
    if (source) {
        SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    }
}

LRESULT CALLBACK single_line_proc(HWND edit, UINT message, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_GETDLGCODE:
        return DefSubclassProc(edit, message, wp, lp) & ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
    case WM_CHAR:
        if (wp == L'\r' || wp == L'\n' || wp == L'\t') {
            return 0;
        }
        break;
    case WM_PASTE:
        if (!(GetWindowLongPtrW(edit, GWL_STYLE) & ES_READONLY)) {
            paste_as_one_line(edit);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, single_line_proc, SINGLE_LINE_SUBCLASS);
        break;
    default:
        break;
    }
    return DefSubclassProc(edit, message, wp, lp);
}

HWND make_edit(HWND dialog, const OptionsDialog& d, int id, const wchar_t* text, DWORD style, int limit, int y) {
    HWND edit = make_control(dialog, d, WS_EX_CLIENTEDGE, L"Edit", text,
                             WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL | style, id, 15, y, 310, 25);
    SendMessageW(edit, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
    SetWindowSubclass(edit, single_line_proc, SINGLE_LINE_SUBCLASS, 0);
    return edit;
}

// The text starts (client height - 15) / 2 from the top, so that one line
// sits in the middle of the field.
void centre_edit_text(HWND edit) {
    RECT r;
    GetClientRect(edit, &r);
    int top = (r.bottom - LINE_HEIGHT) / 2;
    r.top = top > 0 ? top : 0;
    SendMessageW(edit, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&r));
}

// Sized to its caption with room for the box; the drawn box of the dark
// look needs 16 pixels of height. Returns the height.
int make_check_box(HWND dialog, const OptionsDialog& d, int index, const wchar_t* english, int y) {
    DWORD style = WS_TABSTOP | (d.dark ? BS_OWNERDRAW : BS_AUTOCHECKBOX);
    HWND box = make_control(dialog, d, 0, L"Button", translate(english), style, CHECK_IDS[index], 15, y, 310, 20);
    SIZE text = measure_text(box, translate(english));
    int height = text.cy;
    if (d.dark && height < DARK_CHECK_BOX) {
        height = DARK_CHECK_BOX;
    }
    SetWindowPos(box, nullptr, 0, 0, text.cx + CHECK_GLYPH + CHECK_ROOM, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!d.dark && form_check(d.form, static_cast<OptionsCheck>(index))) {
        SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    }
    return height;
}

int wrapped_text_height(HWND control, const wchar_t* text, int width) {
    HDC dc = GetDC(control);
    if (!dc) {
        return 0;
    }
    RECT r = {0, 0, width, 0};
    {
        SelectScope select(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        DrawTextW(dc, text, -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    }
    ReleaseDC(control, dc);
    return r.bottom - r.top;
}

void fill_language_list(HWND combo, unsigned languageId) {
    for (unsigned id : OPTIONS_LANGUAGES) {
        const wchar_t* name = language_name(id);
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name ? name : L""));
    }
    int index = options_language_index(languageId);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    set_language_list_mark(combo, index);
}

// The dark look: drawn buttons and check boxes with hover tracking, the
// drawn language list, flat edits inside rounded frames.
void apply_dark_look(HWND dialog, OptionsDialog& d) {
    set_dark_title_bar(dialog);
    SetWindowTheme(dialog, L"Explorer", nullptr);
    HWND combo = GetDlgItem(dialog, OPTIONS_LANGUAGE);
    SetWindowTheme(combo, L"", L"");
    COMBOBOXINFO info = {};
    info.cbSize = sizeof(info);
    if (GetComboBoxInfo(combo, &info) && info.hwndList) {
        SetWindowTheme(info.hwndList, L"DarkMode_Explorer", nullptr);  // its scroll bar
    }
    draw_language_list_dark(combo);
    for (int id : {IDOK, OPTIONS_BROWSE, OPTIONS_EMPTY_CACHE}) {
        track_hover(GetDlgItem(dialog, id));
    }
    for (int i = 0; i < CHECK_COUNT; ++i) {
        track_hover(GetDlgItem(dialog, CHECK_IDS[i]));
        d.visualChecks[i] = form_check(d.form, static_cast<OptionsCheck>(i));
    }
    for (int id : EDIT_IDS) {
        flatten_input(GetDlgItem(dialog, id));
    }
}

void create_controls(HWND dialog, OptionsDialog& d) {
    RECT client;
    GetClientRect(dialog, &client);
    int width = client.right;
    int height = client.bottom;
    DWORD text = SS_LEFT | SS_NOPREFIX;
    DWORD button = WS_TABSTOP | (d.dark ? BS_OWNERDRAW : BS_PUSHBUTTON);

    HWND label = make_control(dialog, d, 0, L"Static", translate(L"Program language"), text, OPTIONS_LANGUAGE_LABEL,
                              15, 15, 310, 20);
    fit_to_text(label);
    int h = height_of(label);
    DWORD comboStyle = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS | (d.dark ? CBS_OWNERDRAWFIXED : 0);
    HWND combo = make_control(dialog, d, 0, L"ComboBox", L"", comboStyle, OPTIONS_LANGUAGE, 15, h + 19, 310, 100);
    fill_language_list(combo, d.form.working.lang_id);

    make_control(dialog, d, 0, L"Static", translate(L"Downloads location"), text, OPTIONS_FOLDER_LABEL, 15, h + 59,
                 310, h);
    make_edit(dialog, d, OPTIONS_FOLDER, d.form.working.output_folder, ES_READONLY, 260, 2 * h + 63);
    make_control(dialog, d, 0, L"Button", translate(L"Browse..."), button, OPTIONS_BROWSE, 330, 2 * h + 64, 100, 25);

    const wchar_t* checkTexts[CHECK_COUNT] = {UI_TEXT(L"Dark mode"), UI_TEXT(L"Always on top"),
                                              UI_TEXT(L"Check for updates automatically"),
                                              UI_TEXT(L"Use a YouTube account to download")};
    int y = 2 * h + 103;
    int lastHeight = 0;
    for (int i = 0; i < CHECK_COUNT; ++i) {
        if (i > 0) {
            y += lastHeight + 15;
        }
        lastHeight = make_check_box(dialog, d, i, checkTexts[i], y);
    }
    const wchar_t* note = translate(
        L"Sign in with a Google account. Used only for videos that require it (age-restricted, members-only, "
        L"private).");
    HWND noteControl = make_control(dialog, d, 0, L"Static", note, text, OPTIONS_ACCOUNT_NOTE, 38,
                                    y + lastHeight + 5, width - 70, 20);
    int noteHeight = wrapped_text_height(noteControl, note, NOTE_WRAP);
    if (noteHeight < 20) {
        noteHeight = 20;
    }
    SetWindowPos(noteControl, nullptr, 0, 0, width - 70, noteHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    int f = y + lastHeight + noteHeight;

    make_control(dialog, d, 0, L"Button", translate(L"Empty the cache"), button, OPTIONS_EMPTY_CACHE, 15, f + 20,
                 200, 25);
    wchar_t proxyLabel[256];
    text_copy(proxyLabel, translate(L"Proxy server"));
    text_append(proxyLabel, L" (https, socks4)");
    make_control(dialog, d, 0, L"Static", proxyLabel, text, OPTIONS_PROXY_LABEL, 15, f + 60, 310, h);
    make_edit(dialog, d, OPTIONS_PROXY, d.form.working.proxy_server, 0, 255, f + h + 64);
    make_control(dialog, d, 0, L"Static", translate(L"Advanced options"), text, OPTIONS_COMMANDS_LABEL, 15,
                 f + h + 104, 310, h);
    make_edit(dialog, d, OPTIONS_COMMANDS, d.form.working.commands, 0, 511, f + 2 * h + 108);
    make_control(dialog, d, 0, L"Button", translate(L"OK"), button | (d.dark ? 0 : BS_DEFPUSHBUTTON), IDOK,
                 width - 108, height - 33, 100, 25);
}

BOOL on_init_dialog(HWND dialog, const OptionsDialogParams* params) {
    auto* d = static_cast<OptionsDialog*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(OptionsDialog)));
    if (!d || !params) {
        if (d) {
            HeapFree(GetProcessHeap(), 0, d);
        }
        EndDialog(dialog, IDCANCEL);
        return FALSE;
    }
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    d->params = *params;
    open_options_form(d->form, g_settings);
    d->dark = is_dark();
    d->font = g_uiFont;
    if (!d->font) {
        d->ownFont = ui_font();
        d->font = d->ownFont;
    }
    SetWindowTextW(dialog, translate(L"Options"));
    create_controls(dialog, *d);
    if (d->dark) {
        apply_dark_look(dialog, *d);
    }
    for (int id : EDIT_IDS) {
        centre_edit_text(GetDlgItem(dialog, id));
    }
    return TRUE;  // the focus goes to the language list
}

void on_language_changed(HWND dialog, OptionsDialog& d) {
    HWND combo = GetDlgItem(dialog, OPTIONS_LANGUAGE);
    LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index < 0 || index >= 16) {
        return;
    }
    form_pick_language(d.form, static_cast<int>(index));
    set_language_list_mark(combo, static_cast<int>(index));
    InvalidateRect(combo, nullptr, FALSE);
}

void on_check_clicked(HWND dialog, OptionsDialog& d, int index) {
    HWND box = GetDlgItem(dialog, CHECK_IDS[index]);
    bool checked;
    if (d.dark) {
        d.visualChecks[index] = !d.visualChecks[index];
        InvalidateRect(box, nullptr, FALSE);
        checked = d.visualChecks[index];
    } else {
        checked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    form_set_check(d.form, static_cast<OptionsCheck>(index), checked);
}

void set_topmost(HWND window, bool topmost) {
    SetWindowPos(window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// The picker has no owner window: the main window steps out of the topmost
// band for it, and this dialog takes no input until it is gone, so that
// neither a second picker nor OK can run underneath it.
void on_browse(HWND dialog, OptionsDialog& d) {
    HWND main = d.params.mainWindow;
    bool topmost = main && (GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
    if (topmost) {
        set_topmost(main, false);
    }
    wchar_t initial[MAX_PATH];
    GetDlgItemTextW(dialog, OPTIONS_FOLDER, initial, MAX_PATH);
    wchar_t chosen[MAX_PATH];
    text_copy(chosen, initial);
    EnableWindow(dialog, FALSE);
    HRESULT hr = pick_folder(chosen, initial);
    EnableWindow(dialog, TRUE);
    if (hr == S_OK) {
        SetDlgItemTextW(dialog, OPTIONS_FOLDER, chosen);
    }
    if (topmost) {
        set_topmost(main, true);
    }
    SetForegroundWindow(dialog);
    SetFocus(GetDlgItem(dialog, OPTIONS_BROWSE));
}

// Only the files directly inside: the caches have no subfolders of ours.
void delete_files_in(const wchar_t* folder) {
    wchar_t pattern[MAX_PATH];
    if (text_copy(pattern, folder) + 2 >= MAX_PATH) {
        return;
    }
    text_append(pattern, L"\\*");
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(pattern, &found);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            continue;
        }
        wchar_t path[MAX_PATH];
        size_t length = text_copy(path, folder);
        if (length + 1 + text_length(found.cFileName) >= MAX_PATH) {
            continue;  // never a cut name: it could be another file
        }
        text_append(path, L"\\");
        text_append(path, found.cFileName);
        erase_file(path);
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

// yt-dlp's own cache: ".cache\yt-dlp" in the profile folder. False when
// the profile folder is unknown: a relative path would point anywhere.
bool ytdlp_cache_folder(const OptionsDialog& d, wchar_t (&out)[MAX_PATH]) {
    if (d.params.profileFolder) {
        text_copy(out, d.params.profileFolder);
    } else if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, out))) {
        out[0] = 0;
    }
    if (!out[0]) {
        return false;
    }
    return text_append(out, L"\\.cache\\yt-dlp") + 1 < MAX_PATH;
}

void on_empty_cache(HWND dialog, const OptionsDialog& d) {
    HWND button = GetDlgItem(dialog, OPTIONS_EMPTY_CACHE);
    if (GetFocus() == button) {
        SendMessageW(dialog, WM_NEXTDLGCTL, 0, FALSE);  // a disabled button can't keep the focus
    }
    EnableWindow(button, FALSE);  // once per opening
    for (const wchar_t* cache : {L"json", L"jpg"}) {
        wchar_t folder[MAX_PATH];
        if (data_path(cache, folder)) {
            delete_files_in(folder);
        }
    }
    wchar_t ytdlp[MAX_PATH];
    if (ytdlp_cache_folder(d, ytdlp)) {
        delete_tree(ytdlp);
    }
    show_message(dialog, translate(L"Cache files deleted."), MB_OK | MB_ICONINFORMATION);
}

std::wstring edit_text(HWND dialog, int id) {
    HWND edit = GetDlgItem(dialog, id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    return text;
}

void hand_over(const OptionsHandOver& h, const OptionsChanges& changes, const Settings& after) {
    if (!h.list) {
        return;
    }
    if (h.setDefaultFolder && changes.folder) {
        h.setDefaultFolder(h.list, after.output_folder);
    }
    if (h.setDefaultProxy && changes.proxy) {
        h.setDefaultProxy(h.list, after.proxy_server);
    }
    if (h.setDefaultOptions && changes.commands) {
        h.setDefaultOptions(h.list, after.commands);
    }
    if (h.setUseAccount && changes.useAccount) {
        h.setUseAccount(h.list, after.use_youtube_account);
    }
}

void on_ok(HWND dialog, OptionsDialog& d) {
    // Whatever reached the fields by other ways than typing and pasting (a
    // message from another program) still arrives as one line.
    form_set_texts(d.form, edit_text(dialog, OPTIONS_FOLDER).c_str(), edit_text(dialog, OPTIONS_PROXY).c_str(),
                   edit_text(dialog, OPTIONS_COMMANDS).c_str());
    const Settings& w = d.form.working;
    wchar_t message[256];  // 512 bytes
    message[0] = 0;
    if (!save_settings(w, message, sizeof(message))) {
        // Nothing is applied and the dialog stays, so that the user can
        // try again or cancel. The text is English, as the store writes it.
        show_message(dialog, message, MB_OK | MB_ICONWARNING);
        return;
    }
    OptionsChanges changes = options_changes(d.form);
    // Said only once the change is saved: a failed save must not be
    // announced as a change waiting for a restart.
    if (changes.restart) {
        show_message(dialog, translate(L"You have to restart Tavlo for the changes to take effect."),
                     MB_OK | MB_ICONINFORMATION);
    }
    HWND main = d.params.mainWindow;
    if (main && changes.alwaysOnTop) {
        set_topmost(main, w.always_on_top != 0);
    }
    hand_over(d.params.handOver, changes, w);
    g_settings = w;
    EndDialog(dialog, IDOK);
}

void repaint_around_edit(HWND dialog, HWND edit) {
    RECT r;
    GetWindowRect(edit, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    InflateRect(&r, 5, 5);
    InvalidateRect(dialog, &r, FALSE);
    InvalidateRect(edit, nullptr, TRUE);
}

BOOL on_command(HWND dialog, OptionsDialog& d, int id, int code, HWND control) {
    if (id == OPTIONS_LANGUAGE) {
        if (code == CBN_SELCHANGE) {
            on_language_changed(dialog, d);
        } else if (code == CBN_SETFOCUS || code == CBN_KILLFOCUS || code == CBN_CLOSEUP) {
            InvalidateRect(control, nullptr, FALSE);
        }
        return TRUE;
    }
    if (is_edit_id(id)) {
        if (code == EN_SETFOCUS || code == EN_KILLFOCUS) {
            repaint_around_edit(dialog, control);
        }
        return TRUE;
    }
    int check = check_index(id);
    if (check >= 0) {
        if (code == BN_CLICKED || code == BN_DOUBLECLICKED) {
            on_check_clicked(dialog, d, check);
        }
        return TRUE;
    }
    switch (id) {
    case OPTIONS_BROWSE:
        on_browse(dialog, d);
        return TRUE;
    case OPTIONS_EMPTY_CACHE:
        on_empty_cache(dialog, d);
        return TRUE;
    case IDOK:
        on_ok(dialog, d);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL on_draw_item(const OptionsDialog& d, const DRAWITEMSTRUCT& item) {
    if (item.CtlType == ODT_COMBOBOX) {
        draw_language_item(item);
        return TRUE;
    }
    int check = check_index(static_cast<int>(item.CtlID));
    if (check >= 0) {
        draw_dark_check_box(item, d.visualChecks[check]);
    } else {
        draw_dark_button(item, hovered_window() == item.hwndItem);
    }
    return TRUE;
}

BOOL on_paint(HWND dialog, const OptionsDialog& d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    paint_options(dialog, dc, d.dark);
    EndPaint(dialog, &ps);
    return TRUE;
}

BOOL answer(HWND dialog, LRESULT result) {
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

void on_destroy(HWND dialog, OptionsDialog& d) {
    RemovePropW(GetDlgItem(dialog, OPTIONS_LANGUAGE), L"fcSel");
    free_options_look(d.look);
}

}  // namespace

INT_PTR CALLBACK options_dialog_proc(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_INITDIALOG) {
        return on_init_dialog(dialog, reinterpret_cast<const OptionsDialogParams*>(lp));
    }
    OptionsDialog* d = state_of(dialog);
    if (!d) {
        return FALSE;
    }
    switch (message) {
    case WM_COMMAND:
        return on_command(dialog, *d, LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
    case WM_MEASUREITEM:
        measure_language_item(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp), d->font);
        return TRUE;
    case WM_DRAWITEM:
        return on_draw_item(*d, *reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    case WM_ERASEBKGND:
        return d->dark ? answer(dialog, 1) : FALSE;  // the painting covers everything
    case WM_PAINT:
        return on_paint(dialog, *d);
    case WM_PRINTCLIENT:
        paint_options(dialog, reinterpret_cast<HDC>(wp), d->dark);
        return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return options_control_colours(d->look, d->dark, message, reinterpret_cast<HDC>(wp),
                                       reinterpret_cast<HWND>(lp));
    case WM_DESTROY:
        on_destroy(dialog, *d);
        return FALSE;
    case WM_NCDESTROY:
        // The controls are gone: nothing draws with the font any more.
        if (d->ownFont) {
            DeleteObject(d->ownFont);
        }
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        HeapFree(GetProcessHeap(), 0, d);
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR show_options_dialog(const OptionsDialogParams& params) {
    std::vector<WORD> frame = dialog_template(224, 265, translate(L"Options"));
    INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(frame.data()),
                                             params.mainWindow, options_dialog_proc,
                                             reinterpret_cast<LPARAM>(&params));
    // Wine keeps an owner out of the topmost band while it owns a visible
    // window, so the band the dialog chose is settled again once it is gone.
    if (params.mainWindow) {
        set_topmost(params.mainWindow, g_settings.always_on_top != 0);
    }
    return result == IDOK ? IDOK : IDCANCEL;
}
