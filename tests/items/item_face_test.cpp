// What an item window shows in each state, and where each state message
// takes the item, without a window.
#include "app/items/item_face.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "base/text.h"
#include "base/utf.h"
#include "ui/translation.h"

namespace {

const wchar_t LINK[] = L"http://127.0.0.1:8765/media/sample.mp4";
wchar_t g_title[] = L"sample";
wchar_t g_playlistTitle[] = L"Three clips on one page";

// A record in a given state; the texts point at the test's own strings.
struct Item {
    std::unique_ptr<DownloadRecord> record = std::make_unique<DownloadRecord>();
    ItemFacts facts = {};

    explicit Item(ItemState state) {
        record->url = const_cast<wchar_t*>(LINK);
        record->state = state;
        record->info.title = g_title;
    }
    ~Item() { record->url = nullptr; }
    Item& shown_document() {
        facts.firstDocumentShown = true;
        record->documentsReceived = 1;
        return *this;
    }
    ItemFace face(const TranslationTable* table = nullptr) const {
        ItemFace f;
        item_face(*record, facts, table, f);
        return f;
    }
};

// The look of a face as one line, so that a table row reads as a picture.
// t: title (+link), f: format (link or muted), s: status, p: progress,
// then each button shown with its caption ("-" when disabled).
std::string describe(const ItemFace& f) {
    std::string out = "title \"" + wide_to_utf8(f.title) + "\"" + (f.titleLink ? " link" : "");
    if (f.formatShown) {
        out += f.formatLink ? " | format link" : " | format muted";
    }
    if (f.statusShown) {
        out += " | status \"" + wide_to_utf8(f.status) + "\"";
    }
    if (f.progress == ProgressLook::PERCENT) {
        out += " | bar " + std::to_string(f.percent) + "%";
    } else if (f.progress == ProgressLook::MARQUEE) {
        out += " | bar sweeping";
    }
    for (const ButtonFace* b : {&f.main, &f.login, &f.password}) {
        if (b->shown) {
            out += std::string(" | [") + (b->enabled ? "" : "-") + wide_to_utf8(b->caption) + "]";
        }
    }
    if (f.playEnabled) {
        out += " | play";
    }
    return out;
}

TEST(ItemFace, EveryStateLooksAsTheUserExpects) {
    struct Case {
        const char* name;
        void (*arrange)(Item&);
        const char* look;
    };
    const Case kCases[] = {
        {"a new link loads", [](Item&) {}, "title \"http://127.0.0.1:8765/media/sample.mp4\" | status \"Loading video information...\""},
        {"a link that could not start", [](Item& i) { i.facts.startFailed = true; },
         "title \"http://127.0.0.1:8765/media/sample.mp4\" | status \"Unable to load video information\""},
        {"the first document while loading goes on", [](Item& i) { i.shown_document(); },
         "title \"sample\" | format link | [Download]"},
        {"ready", [](Item& i) { i.shown_document().record->state = STATE_READY; },
         "title \"sample\" | format link | [Download]"},
        {"ready without a title", [](Item& i) {
             i.shown_document().record->state = STATE_READY;
             i.record->info.title = nullptr;
         },
         "title \"http://127.0.0.1:8765/media/sample.mp4\" | format link | [Download]"},
        {"a playlist ready: its title opens the entries", [](Item& i) {
             i.shown_document().record->state = STATE_READY;
             i.record->playlistCount = 3;
             i.record->info.playlistTitle = g_playlistTitle;
         },
         "title \"Playlist (3): Three clips on one page\" link | format link | [Download]"},
        {"a playlist without a playlist title", [](Item& i) {
             i.shown_document().record->state = STATE_READY;
             i.record->playlistCount = 2;
             i.record->info.title = nullptr;
         },
         "title \"Playlist (2)\" link | format link | [Download]"},
        {"downloading, nothing written yet", [](Item& i) { i.shown_document().record->state = STATE_DOWNLOADING; },
         "title \"sample\" | status \"Loading...\" | bar 0% | [Pause]"},
        {"a playlist downloading: no entry choice", [](Item& i) {
             i.shown_document().record->state = STATE_DOWNLOADING;
             i.record->playlistCount = 3;
             i.record->info.playlistTitle = g_playlistTitle;
         },
         "title \"Playlist (3): Three clips on one page\" | status \"Loading...\" | bar 0% | [Pause]"},
        {"downloading 45 %", [](Item& i) {
             i.shown_document().record->state = STATE_DOWNLOADING;
             text_copy(i.record->statusText, L"Downloading... ");
             i.record->percent = 45;
         },
         "title \"sample\" | status \"Downloading... 45%\" | bar 45% | [Pause]"},
        {"downloading, no percentage known", [](Item& i) {
             i.shown_document().record->state = STATE_DOWNLOADING;
             text_copy(i.record->statusText, L"Downloading... ");
             i.record->percent = PERCENT_UNKNOWN;
         },
         "title \"sample\" | status \"Downloading... \" | bar 0% | [Pause]"},
        {"downloading 0 %", [](Item& i) {
             i.shown_document().record->state = STATE_DOWNLOADING;
             text_copy(i.record->statusText, L"Downloading... ");
             i.record->percent = 0;
         },
         "title \"sample\" | status \"Downloading... 0%\" | bar 0% | [Pause]"},
        {"merging", [](Item& i) {
             i.shown_document().record->state = STATE_DOWNLOADING;
             text_copy(i.record->statusText, L"Downloading... ");
             text_copy(i.record->phaseText, L"Merging formats...");
             i.record->percent = 100;
         },
         "title \"sample\" | status \"Merging formats...\" | bar 100% | [Pause]"},
        {"paused", [](Item& i) {
             i.shown_document().record->state = STATE_DOWNLOADING;
             i.record->paused = 1;
         },
         "title \"sample\" | status \"Loading...\" | bar 0% | [Resume]"},
        {"recording live", [](Item& i) {
             i.shown_document().record->state = STATE_DOWNLOADING;
             i.record->info.isLive = 1;
             i.record->liveRecording = 1;
         },
         "title \"sample\" | status \"Loading...\" | bar sweeping | [Stop]"},
        {"a stopped recording is finalized", [](Item& i) {
             i.shown_document().record->state = STATE_DOWNLOADING;
             i.record->info.isLive = 1;
             i.record->liveRecording = 1;
             i.record->abortDownload = 1;
         },
         "title \"sample\" | status \"Loading...\" | bar sweeping | [-Finalizing...]"},
        {"done", [](Item& i) {
             i.shown_document().record->state = STATE_DONE;
             text_copy(i.record->outputPath, L"C:\\Downloads\\sample.mp4");
         },
         "title \"sample.mp4\" link | format muted | [Play] | play"},
        {"subtitles done", [](Item& i) {
             i.shown_document().record->state = STATE_DONE;
             i.record->subtitlesOnly = 1;
             text_copy(i.record->outputPath, L"C:\\Downloads\\sample.en.srt");
         },
         "title \"sample.en.srt\" link | format muted | [Open] | play"},
        {"the file went away", [](Item& i) {
             i.shown_document().record->state = STATE_FILE_MISSING;
             text_copy(i.record->outputPath, L"C:\\Downloads\\sample.mp4");
             text_copy(i.record->errorText, L"The file might have been moved or deleted");
         },
         "title \"sample.mp4\" | status \"The file might have been moved or deleted\""},
        {"failed before any document", [](Item& i) {
             i.record->state = STATE_FAILED;
             text_copy(i.record->errorText, L"ERROR: unable to download video data");
         },
         "title \"http://127.0.0.1:8765/media/sample.mp4\" | status \"ERROR: unable to download video data\""},
        {"failed, the tool's option hints cut off", [](Item& i) {
             i.record->state = STATE_FAILED;
             text_copy(i.record->errorText,
                       L"ERROR: [youtube] x: Private video. Sign in if you've been granted access. Use "
                       L"--cookies-from-browser or --cookies for the authentication.");
         },
         "title \"http://127.0.0.1:8765/media/sample.mp4\" | status \"ERROR: [youtube] x: Private video. Sign in if "
         "you've been granted access\""},
        {"a sign-in is needed", [](Item& i) {
             i.record->state = STATE_FAILED;
             text_copy(i.record->errorText, L"ERROR: [youtube] abc123: Sign in to confirm your age");
             i.record->loginNeeded = 1;
         },
         "title \"http://127.0.0.1:8765/media/sample.mp4\" | status \"ERROR: [youtube] abc123: Sign in to confirm "
         "your age\" | [Login]"},
        {"signed in: the next press retries", [](Item& i) {
             i.record->state = STATE_FAILED;
             text_copy(i.record->errorText, L"ERROR: [youtube] abc123: Sign in to confirm your age");
             i.record->loginNeeded = 1;
             i.record->signedIn = 1;
         },
         "title \"http://127.0.0.1:8765/media/sample.mp4\" | status \"ERROR: [youtube] abc123: Sign in to confirm "
         "your age\" | [Retry]"},
        {"a password is needed", [](Item& i) {
             i.record->state = STATE_FAILED;
             text_copy(i.record->errorText,
                       L"ERROR: [vimeo] 76979871: This video is protected by a password, use the --video-password "
                       L"option");
             i.record->passwordNeeded = 1;
         },
         "title \"http://127.0.0.1:8765/media/sample.mp4\" | status \"ERROR: [vimeo] 76979871: This video is "
         "protected by a password\" | [Enter password]"},
        {"a failed download keeps the video's title", [](Item& i) {
             i.shown_document().record->state = STATE_FAILED;
             text_copy(i.record->errorText, L"ERROR: unable to download video data");
         },
         "title \"sample\" | status \"ERROR: unable to download video data\""},
    };
    for (const Case& k : kCases) {
        SCOPED_TRACE(k.name);
        Item item(STATE_LOADING);
        k.arrange(item);
        EXPECT_EQ(describe(item.face()), k.look);
    }
}

TEST(ItemFace, CaptionsAndStatusTextsAreTranslated) {
    const char german[] = "Pause=Anhalten\nLoading...=Laden...\nDownload=Herunterladen\n"
                          "Loading video information...=Videoinformationen werden geladen...\n"
                          "The file might have been moved or deleted=Die Datei wurde verschoben oder gel\xC3\xB6scht\n";
    auto table = std::make_unique<TranslationTable>();
    ASSERT_TRUE(parse_translation(*table, german, std::strlen(german)));

    Item loading(STATE_LOADING);
    EXPECT_STREQ(loading.face(table.get()).status, L"Videoinformationen werden geladen...");
    Item ready(STATE_READY);
    ready.shown_document();
    EXPECT_STREQ(ready.face(table.get()).main.caption, L"Herunterladen");
    Item downloading(STATE_DOWNLOADING);
    EXPECT_STREQ(downloading.face(table.get()).main.caption, L"Anhalten");
    EXPECT_STREQ(downloading.face(table.get()).status, L"Laden...");
    Item missing(STATE_FILE_MISSING);
    text_copy(missing.record->errorText, L"The file might have been moved or deleted");
    EXPECT_STREQ(missing.face(table.get()).status, L"Die Datei wurde verschoben oder gel\u00f6scht");
    clear_translation(*table);
}

TEST(ItemStep, WhereEachMessageTakesTheItem) {
    struct Case {
        const char* name;
        ItemState state;
        unsigned documents;
        bool firstShown;
        const wchar_t* error;  // errorText before the message
        bool outputExists;
        int event;
        ItemState to;
        const wchar_t* setsError;  // null: errorText untouched
        bool showFirstDocument;
        bool replay;
    };
    const Case kCases[] = {
        {"loading", STATE_FAILED, 0, false, L"x", false, STATE_LOADING, STATE_LOADING, nullptr, false, false},
        {"the first document", STATE_LOADING, 1, false, L"", false, STATE_INFO, STATE_LOADING, nullptr, true, true},
        {"documents faster than their messages", STATE_LOADING, 3, false, L"", false, STATE_INFO, STATE_LOADING,
         nullptr, true, true},
        {"a further playlist entry", STATE_LOADING, 2, true, L"", false, STATE_INFO, STATE_LOADING, nullptr, false,
         true},
        {"a message without a document", STATE_LOADING, 0, false, L"", false, STATE_INFO, STATE_LOADING, nullptr,
         false, false},
        {"entries that arrive while downloading", STATE_DOWNLOADING, 2, true, L"", false, STATE_INFO,
         STATE_DOWNLOADING, nullptr, false, false},
        {"ready", STATE_LOADING, 1, true, L"", false, STATE_READY, STATE_READY, nullptr, false, false},
        {"ready with nothing", STATE_LOADING, 0, false, L"", false, STATE_READY, STATE_FAILED,
         L"Unable to load video information", false, false},
        {"ready with nothing but the tool's error", STATE_LOADING, 0, false, L"ERROR: 404", false, STATE_READY,
         STATE_FAILED, nullptr, false, false},
        {"metadata that ends after the download started", STATE_DOWNLOADING, 1, true, L"", false, STATE_READY,
         STATE_DOWNLOADING, nullptr, false, false},
        {"downloading", STATE_READY, 1, true, L"", false, STATE_DOWNLOADING, STATE_DOWNLOADING, nullptr, false, false},
        {"done with the file", STATE_DOWNLOADING, 1, true, L"", true, STATE_DONE, STATE_DONE, nullptr, false, false},
        {"done, a post-processing error but the file is there", STATE_DOWNLOADING, 1, true,
         L"ERROR: postprocessing: Conversion failed!", true, STATE_DONE, STATE_DONE, nullptr, false, false},
        {"done with an error and no file", STATE_DOWNLOADING, 1, true, L"ERROR: unable to download video data", false,
         STATE_DONE, STATE_FAILED, nullptr, false, false},
        {"the file went away", STATE_DONE, 1, true, L"", true, STATE_FILE_MISSING, STATE_FILE_MISSING,
         L"The file might have been moved or deleted", false, false},
        {"failed", STATE_DOWNLOADING, 1, true, L"x", false, STATE_FAILED, STATE_FAILED, nullptr, false, false},
    };
    for (const Case& k : kCases) {
        SCOPED_TRACE(k.name);
        Item item(k.state);
        item.record->documentsReceived = k.documents;
        text_copy(item.record->errorText, k.error);
        item.facts.firstDocumentShown = k.firstShown;
        item.facts.outputExists = k.outputExists;
        ItemStep step = item_step(*item.record, k.event, item.facts);
        EXPECT_EQ(step.state, k.to);
        if (k.setsError) {
            EXPECT_STREQ(step.error, k.setsError);
        } else {
            EXPECT_EQ(step.error, nullptr);
        }
        EXPECT_EQ(step.showFirstDocument, k.showFirstDocument);
        EXPECT_EQ(step.replayRestored, k.replay);
    }
}

TEST(ItemFace, TheListFileKeepsARestoredOutcomeUntilItIsReplayed) {
    struct Case {
        ItemState restored;
        ItemState state;
        ItemState kept;
    };
    const Case kCases[] = {
        {STATE_DONE, STATE_LOADING, STATE_DONE},
        {STATE_FILE_MISSING, STATE_LOADING, STATE_FILE_MISSING},
        {STATE_DOWNLOADING, STATE_LOADING, STATE_DOWNLOADING},
        {STATE_LOADING, STATE_READY, STATE_READY},
        {STATE_LOADING, STATE_DONE, STATE_DONE},
    };
    for (const Case& k : kCases) {
        Item item(k.state);
        item.record->restoredState = k.restored;
        EXPECT_EQ(kept_state(*item.record), k.kept) << k.restored << " " << k.state;
        EXPECT_EQ(item.face().kept, k.kept);
    }
}

}  // namespace
