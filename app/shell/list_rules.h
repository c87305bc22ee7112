// The download list's rules that need no window: where a new link goes,
// which item is selected after a removal, how far the wheel and the scroll
// bar move the list, and what the taskbar shows.
#pragma once

#include <cstdint>

#include "app/tools/download_record.h"

constexpr int LIST_ROW_HEIGHT = 70;

// An item still waits for the user's Download: loading or ready. A restored
// item counts by its stored outcome until the first document replays it, so
// that a finished download that only reloads its information is not taken
// for a waiting one.
bool item_is_waiting(const DownloadRecord& item);

enum class AddKind {
    Add,             // a new item goes on top
    SelectExisting,  // the same link already waits: select it instead
    ListFull,        // 255 items: the link is ignored
};
struct AddDecision {
    AddKind kind;
    int index;  // the waiting item for SelectExisting, else -1
};

// The first item from the top whose link equals the link ignoring case
// decides: when it waits, it is selected instead of a new one; otherwise a
// new item comes when there is room (fewer than 255). An empty link is
// never a duplicate.
AddDecision decide_add(const DownloadRecord* const* items, int count, const wchar_t* link);

// The selection after removing index removed from countBefore items: an
// item above the selection keeps the same item selected, the selected last
// one passes it to the new last one. -1 when nothing is (or stays) selected.
int selection_after_removal(int selected, int removed, int countBefore);

// Wheel units to pixels, 30 per notch of 120, the rest kept for the next
// turn (integer division toward zero). Positive = towards the top.
int wheel_pixels(int delta, int& remainder);

// The list's scroll range for count rows in a page of the given height.
struct ListGeometry {
    int content;  // count x 70
    int maximum;  // largest scroll position, 0 when everything fits
};
ListGeometry list_geometry(int count, int page);
int clamp_scroll(int position, int maximum);

// A scroll-bar request, as WM_VSCROLL sends them.
enum class ScrollRequest { LineUp, LineDown, PageUp, PageDown, Track, Top, Bottom, Release };
// The position the request asks for (before clamping); Release keeps the
// position (the tracked one is already there).
int scroll_request_target(ScrollRequest request, int position, int page, int tracked);

// What the taskbar shows for the items of the list.
struct TaskbarProgress {
    int downloading;    // items in STATE_DOWNLOADING
    uint64_t total;     // 100 for every one with a known percentage
    uint64_t done;      // the sum of those percentages
};
TaskbarProgress taskbar_progress(const DownloadRecord* const* items, int count);
