// The download list's tests put this stand-in in place of the item window
// (see fake_item_window.cpp); these counters tell what the list asked of it.
#pragma once

#include <windows.h>

#include "app/items/item_window.h"

struct FakeItemCounters {
    int made;        // init_item calls
    int freed;       // free_item calls
    int refreshed;   // refresh_progress calls
    int stopped;     // stop_item_jobs calls
    int thumbnails;  // thumbnail_ready calls
    bool failNextWindow;
};
extern FakeItemCounters g_fakeItems;

constexpr COLORREF FAKE_ITEM_COLOUR = RGB(230, 236, 245);
constexpr COLORREF FAKE_SELECTED_COLOUR = RGB(60, 120, 215);
