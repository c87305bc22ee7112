#include "app/items/format_menu_popup.h"

#include "app/items/download_item.h"
#include "base/text.h"

// The item window's command identifiers and the menu data's are one set.
static_assert(ID_MENU_HEADER_VIDEO == FORMAT_MENU_HEADER_VIDEO && ID_MENU_HEADER_AUDIO == FORMAT_MENU_HEADER_AUDIO &&
              ID_MENU_HEADER_SUBTITLES == FORMAT_MENU_HEADER_SUBTITLES);
static_assert(ID_SUBTITLES_NONE == FORMAT_MENU_SUBTITLES_NONE && ID_SUBTITLES_FIRST == FORMAT_MENU_SUBTITLES_FIRST &&
              ID_SUBTITLES_SECOND == FORMAT_MENU_SUBTITLES_SECOND && ID_SUBTITLES_BOTH == FORMAT_MENU_SUBTITLES_BOTH);
static_assert(ID_SUBTITLES_ONLY == FORMAT_MENU_SUBTITLES_ONLY && ID_FORMAT_CHOICE_FIRST == FORMAT_MENU_CHOICE_FIRST);

namespace {

bool append_entry(HMENU popup, const FormatMenuEntry& entry) {
    MENUITEMINFOW mi = {};
    mi.cbSize = sizeof(mi);
    wchar_t label[FORMAT_LABEL_CAPACITY];  // the menu copies it; the data stays const
    if (entry.separator) {
        mi.fMask = MIIM_FTYPE;
        mi.fType = MFT_SEPARATOR;
    } else {
        text_copy(label, entry.label);
        mi.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
        mi.fType = MFT_STRING | (entry.radio ? MFT_RADIOCHECK : 0);
        mi.fState = (entry.checked ? MFS_CHECKED : MFS_UNCHECKED) |
                    ((entry.grayed || entry.header) ? MFS_GRAYED : MFS_ENABLED);
        mi.wID = static_cast<UINT>(entry.id);
        mi.dwTypeData = label;
        mi.cch = static_cast<UINT>(text_length(label));
    }
    return InsertMenuItemW(popup, static_cast<UINT>(GetMenuItemCount(popup)), TRUE, &mi) != FALSE;
}

}  // namespace

HMENU create_format_menu(const FormatMenu& model) {
    if (model.count == 0) {
        return nullptr;
    }
    HMENU bar = CreateMenu();
    HMENU popup = CreatePopupMenu();
    if (!bar || !popup) {
        if (popup) {
            DestroyMenu(popup);
        }
        if (bar) {
            DestroyMenu(bar);
        }
        return nullptr;
    }
    bool ok = true;
    for (uint32_t i = 0; ok && i < model.count && i < FORMAT_MENU_CAPACITY; ++i) {
        ok = append_entry(popup, model.entries[i]);
    }
    // The bar's label is never shown: the item opens the popup on its own.
    if (!ok || !AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), L"&Video")) {
        DestroyMenu(popup);  // not yet attached to the bar
        DestroyMenu(bar);
        return nullptr;
    }
    return bar;  // destroying the bar destroys the popup
}

HMENU format_menu_popup(HMENU menuBar) {
    return menuBar ? GetSubMenu(menuBar, 0) : nullptr;
}

bool read_format_menu_text(HMENU menuBar, int id, wchar_t (&text)[MENU_TEXT_CAPACITY]) {
    text[0] = 0;
    HMENU popup = format_menu_popup(menuBar);
    if (!popup) {
        return false;
    }
    MENUITEMINFOW mi = {};
    mi.cbSize = sizeof(mi);
    mi.fMask = MIIM_STRING;
    mi.dwTypeData = text;
    mi.cch = MENU_TEXT_CAPACITY;
    if (!GetMenuItemInfoW(popup, static_cast<UINT>(id), FALSE, &mi)) {
        text[0] = 0;
        return false;
    }
    text[MENU_TEXT_CAPACITY - 1] = 0;
    return true;
}
