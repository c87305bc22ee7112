#include "app/shell/list_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "app/shell/list_file.h"
#include "base/sys_string.h"
#include "base/text.h"

namespace {

// Items of a list, top first.
class Items {
public:
    ~Items() {
        for (auto& item : owned_) {
            sys_string_free(item->url);
        }
    }
    DownloadRecord& add(const wchar_t* link, ItemState state, ItemState restored = STATE_LOADING,
                        unsigned documents = 1) {
        owned_.emplace_back(new DownloadRecord());
        DownloadRecord& item = *owned_.back();
        item.url = sys_string_new(link, text_length(link));
        item.state = state;
        item.restoredState = restored;
        item.documentsReceived = documents;
        pointers_.push_back(&item);
        return item;
    }
    const DownloadRecord* const* data() const { return pointers_.data(); }
    int count() const { return static_cast<int>(pointers_.size()); }

private:
    std::vector<std::unique_ptr<DownloadRecord>> owned_;
    std::vector<const DownloadRecord*> pointers_;
};

TEST(AddLink, TheSameLinkWaitingIsSelectedInstead) {
    struct Case {
        const char* what;
        ItemState state;
        ItemState restored;
        unsigned documents;
        AddKind kind;
    };
    const Case kCases[] = {
        {"still loading", STATE_LOADING, STATE_LOADING, 0, AddKind::SelectExisting},
        {"ready for Download", STATE_READY, STATE_LOADING, 1, AddKind::SelectExisting},
        {"downloading", STATE_DOWNLOADING, STATE_LOADING, 1, AddKind::Add},
        {"done", STATE_DONE, STATE_LOADING, 1, AddKind::Add},
        {"failed", STATE_FAILED, STATE_LOADING, 0, AddKind::Add},
        {"restored waiting item, reloading", STATE_LOADING, STATE_READY, 0, AddKind::SelectExisting},
        {"restored finished item, reloading", STATE_LOADING, STATE_DONE, 0, AddKind::Add},
        {"restored download, reloading", STATE_LOADING, STATE_DOWNLOADING, 0, AddKind::Add},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Items items;
        items.add(L"https://other.example/x", STATE_LOADING);
        items.add(L"https://www.Example.com/watch?v=A", c.state, c.restored, c.documents);
        AddDecision d = decide_add(items.data(), items.count(), L"HTTPS://www.example.com/WATCH?v=a");
        EXPECT_EQ(d.kind, c.kind);
        EXPECT_EQ(d.index, c.kind == AddKind::SelectExisting ? 1 : -1);
    }
}

TEST(AddLink, OnlyTheFirstMatchFromTheTopCounts) {
    Items items;
    items.add(L"https://example.com/v", STATE_DOWNLOADING);
    items.add(L"https://example.com/v", STATE_LOADING);
    EXPECT_EQ(decide_add(items.data(), items.count(), L"https://example.com/v").kind, AddKind::Add);
    EXPECT_EQ(decide_add(items.data(), items.count(), L"").kind, AddKind::Add);
}

TEST(AddLink, TheListHoldsAtMost255) {
    Items items;
    for (int i = 0; i < 254; ++i) {
        items.add(L"https://example.com/same", STATE_DONE);
    }
    EXPECT_EQ(decide_add(items.data(), items.count(), L"https://example.com/new").kind, AddKind::Add);
    items.add(L"https://example.com/waiting", STATE_LOADING);
    EXPECT_EQ(decide_add(items.data(), items.count(), L"https://example.com/new").kind, AddKind::ListFull);
    // A full list still selects the waiting item for its link.
    AddDecision d = decide_add(items.data(), items.count(), L"https://example.com/waiting");
    EXPECT_EQ(d.kind, AddKind::SelectExisting);
    EXPECT_EQ(d.index, 254);
}

TEST(Removal, SelectionFollowsTheItem) {
    struct Case {
        const char* what;
        int selected, removed, countBefore, after;
    };
    const Case kCases[] = {
        {"an item above the selection: same item", 3, 1, 5, 2},
        {"an item below the selection: unchanged", 1, 3, 5, 1},
        {"the selected one in the middle: the next takes its place", 2, 2, 5, 2},
        {"the selected last one: the new last one", 4, 4, 5, 3},
        {"another while the last is selected", 4, 0, 5, 3},
        {"the only item", 0, 0, 1, -1},
        {"nothing selected", -1, 2, 5, -1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(selection_after_removal(c.selected, c.removed, c.countBefore), c.after);
    }
}

TEST(Scrolling, WheelKeepsWhatIsNotYetAPixel) {
    struct Step {
        int delta;
        int pixels;
        int remainder;
    };
    // One sequence: each step starts from the remainder of the one before.
    const Step kSteps[] = {
        {120, 30, 0}, {-120, -30, 0}, {1, 0, 1}, {2, 0, 3}, {1, 1, 0}, {-3, 0, -3}, {-2, -1, -1}, {240, 59, 3},
    };
    int remainder = 0;
    for (const Step& s : kSteps) {
        SCOPED_TRACE(s.delta);
        EXPECT_EQ(wheel_pixels(s.delta, remainder), s.pixels);
        EXPECT_EQ(remainder, s.remainder);
    }
    remainder = 3;
    EXPECT_EQ(wheel_pixels(INT_MAX, remainder), INT_MAX / 4 + 1);
}

TEST(Scrolling, GeometryAndRequests) {
    EXPECT_EQ(list_geometry(0, 500).maximum, 0);
    EXPECT_EQ(list_geometry(7, 490).maximum, 0);
    EXPECT_EQ(list_geometry(8, 490).maximum, 70);
    EXPECT_EQ(list_geometry(255, 500).content, 17850);
    EXPECT_EQ(clamp_scroll(-5, 70), 0);
    EXPECT_EQ(clamp_scroll(500, 70), 70);
    EXPECT_EQ(clamp_scroll(30, 0), 0);

    struct Case {
        ScrollRequest request;
        int target;
    };
    const Case kCases[] = {
        {ScrollRequest::LineUp, 95}, {ScrollRequest::LineDown, 105}, {ScrollRequest::PageUp, -200},
        {ScrollRequest::PageDown, 400}, {ScrollRequest::Track, 42}, {ScrollRequest::Top, 0},
        {ScrollRequest::Bottom, INT_MAX}, {ScrollRequest::Release, 100},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(static_cast<int>(c.request));
        EXPECT_EQ(scroll_request_target(c.request, 100, 300, 42), c.target);
    }
    EXPECT_EQ(scroll_request_target(ScrollRequest::PageDown, INT_MAX - 10, 300, 0), INT_MAX);
}

TEST(Taskbar, AverageOfTheKnownPercentages) {
    Items items;
    items.add(L"https://a.example/1", STATE_DONE).percent = 100;
    EXPECT_EQ(taskbar_progress(items.data(), items.count()).downloading, 0);

    items.add(L"https://a.example/2", STATE_DOWNLOADING).percent = PERCENT_UNKNOWN;
    TaskbarProgress p = taskbar_progress(items.data(), items.count());
    EXPECT_EQ(p.downloading, 1);
    EXPECT_EQ(p.total, 0u) << "only unknown percentages: indeterminate";

    items.add(L"https://a.example/3", STATE_DOWNLOADING).percent = 40;
    items.add(L"https://a.example/4", STATE_DOWNLOADING).percent = 90;
    p = taskbar_progress(items.data(), items.count());
    EXPECT_EQ(p.downloading, 3);
    EXPECT_EQ(p.total, 200u);
    EXPECT_EQ(p.done, 130u);
}

}  // namespace
