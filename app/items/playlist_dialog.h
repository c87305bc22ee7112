// The item's playlist dialog: the entries to download are ticked in it.
#pragma once

#include <windows.h>

#include "app/items/download_item.h"

// Leaves the choice in the entries' selected flags and the item's select-all flag.
void choose_playlist_entries(DownloadItem& item);
// Appends rows for the entries the list view does not show yet.
void fill_playlist_rows(DownloadItem& item, HWND listView);
