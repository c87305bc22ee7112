// The main program's private window messages. Workers never touch windows:
// they write plain fields of their records and post one of these.
#pragma once

#include <windows.h>

// lParam: heap copy of the item key (64 units), freed by the list.
constexpr UINT WM_APP_ITEM_CLOSED = WM_APP + 1;
// wParam: list index; sent by an item window to the list.
constexpr UINT WM_APP_ITEM_CLICKED = WM_APP + 2;
// wParam: the new ItemState; posted by the jobs and the item to the item window.
constexpr UINT WM_APP_ITEM_STATE = WM_APP + 8;
// lParam: heap copy of the item key, freed by the list.
constexpr UINT WM_APP_THUMBNAIL_READY = WM_APP + 9;
// lParam: the text to take links from; sent to the main window.
constexpr UINT WM_APP_ADD_LINKS = WM_APP + 10;
constexpr UINT WM_APP_LIST_EMPTY = WM_APP + 11;
constexpr UINT WM_APP_STARTUP_CONTINUE = WM_APP + 23;
// lParam: an UpdateResult block, freed by the main window.
constexpr UINT WM_APP_UPDATE_RESULT = WM_APP + 30;
// wParam: percent (0..100) or one of the UPDATE_PROGRESS_* codes.
constexpr UINT WM_APP_UPDATE_PROGRESS = WM_APP + 31;
// wParam: 1 success, 2 failure; lParam: heap copy of the file path.
constexpr UINT WM_APP_UPDATE_DOWNLOADED = WM_APP + 32;
