// The format menu as Windows shows it: a menu bar whose one popup ("&Video",
// submenu 0, opened with TrackPopupMenuEx) holds the entries of the format
// menu's data (app/media/format_menu.h).
#pragma once

#include <windows.h>

#include "app/media/format_menu.h"

// A new menu bar with the popup; null when the data has no entries or the
// system refuses a menu. The caller owns it (DestroyMenu).
HMENU create_format_menu(const FormatMenu& model);
// The popup under the menu bar, null when there is none.
HMENU format_menu_popup(HMENU menuBar);
// The text of the entry with this command, at most 259 units; false (and
// an empty text) when there is no menu or no such entry.
bool read_format_menu_text(HMENU menuBar, int id, wchar_t (&text)[MENU_TEXT_CAPACITY]);
