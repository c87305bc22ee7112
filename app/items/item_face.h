// What an item window shows, as data: computed from the item's record (and
// the few facts the window itself knows) by rules that need no window, and
// applied to the controls in one place. The state an event moves the item
// to is decided here too, so every look of every state is tested natively.
#pragma once

#include <cstddef>

#include "app/tools/download_record.h"

struct TranslationTable;

// What the window knows beyond the record.
struct ItemFacts {
    bool firstDocumentShown;  // the choices of the first document are on screen
    bool outputExists;        // outputPath names an existing file (read when a download ends)
    bool startFailed;         // the link could not start its metadata job
};

enum class ProgressLook { HIDDEN, PERCENT, MARQUEE };

struct ButtonFace {
    bool shown;
    bool enabled;
    const wchar_t* caption;  // translated; a literal or the translation table's text
};

constexpr size_t FACE_TITLE_CAPACITY = 1024;
constexpr size_t FACE_STATUS_CAPACITY = 256;

struct ItemFace {
    wchar_t title[FACE_TITLE_CAPACITY];
    bool titleLink;     // a link: to the playlist's entries, or to the finished file
    bool formatShown;   // the format link and its glyph
    bool formatLink;    // false: the finished item's muted caption, no arrow
    bool statusShown;
    wchar_t status[FACE_STATUS_CAPACITY];
    ProgressLook progress;
    unsigned percent;   // 0..100 for PERCENT
    ButtonFace main;
    ButtonFace login;   // Login / Retry after a sign-in
    ButtonFace password;
    bool playEnabled;   // the context menu's Play
    ItemState kept;     // what the list file keeps for the item
};

// What a state message does to the item: the state it moves to, an error
// text it sets (null: none), and the work the window does besides.
struct ItemStep {
    ItemState state;
    const wchar_t* error;     // English, untranslated, copied into errorText
    bool showFirstDocument;   // build the choices, the format link and the picture
    bool replayRestored;      // a restored item's stored outcome is replayed
};

ItemStep item_step(const DownloadRecord& item, int event, const ItemFacts& facts);

// The look of the item in its current state.
void item_face(const DownloadRecord& item, const ItemFacts& facts, const TranslationTable* table, ItemFace& face);

// The state the list file keeps. A restored outcome not yet replayed (the
// metadata has not come back, or could not be read this time) is kept as it
// was: saving the loading state would forget a finished file or start a
// finished download again.
ItemState kept_state(const DownloadRecord& item);
