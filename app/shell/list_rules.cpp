#include "app/shell/list_rules.h"

#include <climits>

#include "app/shell/list_file.h"
#include "base/text.h"

bool item_is_waiting(const DownloadRecord& item) {
    ItemState state = state_to_store(item);
    return state == STATE_LOADING || state == STATE_READY;
}

AddDecision decide_add(const DownloadRecord* const* items, int count, const wchar_t* link) {
    if (link && link[0]) {
        for (int i = 0; i < count; ++i) {
            const DownloadRecord* item = items[i];
            if (!item || !item->url || !text_equal_nocase(item->url, link)) {
                continue;
            }
            if (item_is_waiting(*item)) {
                return {AddKind::SelectExisting, i};
            }
            break;  // only the first match counts
        }
    }
    if (count >= static_cast<int>(MAX_LIST_ITEMS)) {
        return {AddKind::ListFull, -1};
    }
    return {AddKind::Add, -1};
}

int selection_after_removal(int selected, int removed, int countBefore) {
    if (selected < 0) {
        return -1;
    }
    if (removed < selected || selected == countBefore - 1) {
        --selected;
    }
    return selected;
}

int wheel_pixels(int delta, int& remainder) {
    long long total = static_cast<long long>(delta) + remainder;
    long long pixels = total * 30 / 120;
    remainder = static_cast<int>(total - pixels * 4);
    if (pixels > INT_MAX) {
        return INT_MAX;
    }
    if (pixels < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(pixels);
}

ListGeometry list_geometry(int count, int page) {
    ListGeometry g;
    g.content = count * LIST_ROW_HEIGHT;
    g.maximum = g.content - page >= 1 ? g.content - page : 0;
    return g;
}

int clamp_scroll(int position, int maximum) {
    if (position < 0) {
        position = 0;
    }
    return position < maximum ? position : maximum;
}

int scroll_request_target(ScrollRequest request, int position, int page, int tracked) {
    // In 64 bits: the bottom request asks for the largest integer, and a
    // page beyond it must not wrap.
    long long target = position;
    switch (request) {
    case ScrollRequest::LineUp: target -= 5; break;
    case ScrollRequest::LineDown: target += 5; break;
    case ScrollRequest::PageUp: target -= page; break;
    case ScrollRequest::PageDown: target += page; break;
    case ScrollRequest::Track: target = tracked; break;
    case ScrollRequest::Top: target = 0; break;
    case ScrollRequest::Bottom: target = INT_MAX; break;
    case ScrollRequest::Release: break;
    }
    if (target > INT_MAX) {
        return INT_MAX;
    }
    if (target < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(target);
}

TaskbarProgress taskbar_progress(const DownloadRecord* const* items, int count) {
    TaskbarProgress progress = {};
    for (int i = 0; i < count; ++i) {
        const DownloadRecord* item = items[i];
        if (!item || item->state != STATE_DOWNLOADING) {
            continue;
        }
        ++progress.downloading;
        unsigned percent = item->percent;
        if (percent <= 100) {
            progress.total += 100;
            progress.done += percent;
        }
    }
    return progress;
}
