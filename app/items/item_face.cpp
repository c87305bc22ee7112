#include "app/items/item_face.h"

#include "app/items/item_rules.h"
#include "base/text.h"
#include "ui/translation.h"

namespace {

bool failed_state(ItemState state) {
    return state == STATE_FAILED || state == STATE_FILE_MISSING;
}

// The choices are on screen: the metadata is in and nothing started yet.
bool ready_look(const DownloadRecord& item, const ItemFacts& facts) {
    return item.state == STATE_READY || (item.state == STATE_LOADING && facts.firstDocumentShown);
}

void title_of(const DownloadRecord& item, const ItemFacts& facts, const TranslationTable* table, ItemFace& face) {
    bool finished = item.state == STATE_DONE || item.state == STATE_FILE_MISSING;
    if (finished && item.outputPath[0]) {
        text_copy(face.title, file_name_of(item.outputPath));
        face.titleLink = item.state == STATE_DONE;
        return;
    }
    const wchar_t* url = item.url ? item.url : L"";
    if (!facts.firstDocumentShown) {
        text_copy(face.title, url);
        return;
    }
    if (item.playlistCount) {
        const wchar_t* name = item.info.playlistTitle ? item.info.playlistTitle : item.info.title;
        const wchar_t* word = translate(table, UI_TEXT(L"Playlist"));
        if (name) {
            text_format(face.title, L"%ls (%u): %ls", word, item.playlistCount, name);
        } else {
            text_format(face.title, L"%ls (%u)", word, item.playlistCount);
        }
        // The entries can be chosen until the download starts.
        face.titleLink = ready_look(item, facts);
        return;
    }
    text_copy(face.title, item.info.title && item.info.title[0] ? item.info.title : url);
}

void main_button_of(const DownloadRecord& item, const ItemFacts& facts, const TranslationTable* table,
                    ButtonFace& button) {
    button = {false, true, translate(table, UI_TEXT(L"Download"))};
    if (ready_look(item, facts)) {
        button.shown = true;
    } else if (item.state == STATE_DOWNLOADING) {
        button.shown = true;
        if (is_live_source(item.info)) {
            // Stop was pressed: the recording is being made into its file.
            bool finalizing = item.abortDownload != 0;
            button.enabled = !finalizing;
            button.caption = translate(table, finalizing ? UI_TEXT(L"Finalizing...") : UI_TEXT(L"Stop"));
        } else {
            button.caption = translate(table, item.paused ? UI_TEXT(L"Resume") : UI_TEXT(L"Pause"));
        }
    } else if (item.state == STATE_DONE) {
        button.shown = true;
        button.caption = translate(table, item.subtitlesOnly ? UI_TEXT(L"Open") : UI_TEXT(L"Play"));
    }
}

void status_of(const DownloadRecord& item, const ItemFacts& facts, const TranslationTable* table, ItemFace& face) {
    if (item.state == STATE_DOWNLOADING) {
        face.statusShown = true;
        if (!item.phaseText[0] && !item.statusText[0]) {
            text_copy(face.status, translate(table, UI_TEXT(L"Loading...")));
        } else {
            wchar_t text[256];
            progress_status_text(item, text);
            text_copy(face.status, text);
        }
        face.progress = item.liveRecording ? ProgressLook::MARQUEE : ProgressLook::PERCENT;
        unsigned percent = item.percent;
        face.percent = percent > 100 ? 0 : percent;
    } else if (failed_state(item.state)) {
        face.statusShown = true;
        wchar_t shown[256];
        clean_error_text(translate(table, item.errorText), shown);
        text_copy(face.status, shown);
    } else if (item.state == STATE_LOADING && !facts.firstDocumentShown) {
        face.statusShown = true;
        text_copy(face.status, translate(table, facts.startFailed ? UI_TEXT(L"Unable to load video information")
                                                                   : UI_TEXT(L"Loading video information...")));
    }
}

}  // namespace

ItemStep item_step(const DownloadRecord& item, int event, const ItemFacts& facts) {
    ItemStep step = {item.state, nullptr, false, false};
    switch (event) {
    case STATE_LOADING:
        step.state = STATE_LOADING;
        break;
    case STATE_INFO:
        // Documents may arrive faster than their messages: the first message
        // shows the first document, whatever the count has reached by then.
        if (item.documentsReceived != 0 && item.state < STATE_DOWNLOADING) {
            step.showFirstDocument = !facts.firstDocumentShown;
            step.replayRestored = true;
        }
        break;
    case STATE_READY:
        // Metadata that ends after a download started changes nothing.
        if (item.state > STATE_READY) {
            break;
        }
        if (item.documentsReceived > 0) {
            step.state = STATE_READY;
        } else {
            step.state = STATE_FAILED;
            if (!item.errorText[0]) {
                step.error = UI_TEXT(L"Unable to load video information");
            }
        }
        break;
    case STATE_DOWNLOADING:
        step.state = STATE_DOWNLOADING;
        break;
    case STATE_DONE:
        // An error with a file in place (a failed post-processing step) still
        // leaves the user the file.
        step.state = item.errorText[0] && !facts.outputExists ? STATE_FAILED : STATE_DONE;
        break;
    case STATE_FILE_MISSING:
        step.state = STATE_FILE_MISSING;
        step.error = UI_TEXT(L"The file might have been moved or deleted");
        break;
    case STATE_FAILED:
        step.state = STATE_FAILED;
        break;
    default:
        break;
    }
    return step;
}

void item_face(const DownloadRecord& item, const ItemFacts& facts, const TranslationTable* table, ItemFace& face) {
    face = {};
    face.progress = ProgressLook::HIDDEN;
    title_of(item, facts, table, face);
    face.formatShown = ready_look(item, facts) || item.state == STATE_DONE;
    face.formatLink = item.state != STATE_DONE;
    status_of(item, facts, table, face);
    main_button_of(item, facts, table, face.main);

    face.login = {false, true, translate(table, UI_TEXT(L"Login"))};
    face.password = {false, true, translate(table, UI_TEXT(L"Enter password"))};
    if (failed_state(item.state) && item.errorText[0]) {
        if (item.loginNeeded) {
            face.login.shown = true;
            if (item.signedIn) {
                face.login.caption = translate(table, UI_TEXT(L"Retry"));
            }
        } else if (item.passwordNeeded) {
            face.password.shown = true;
        }
    }
    face.playEnabled = item.state == STATE_DONE;
    face.kept = kept_state(item);
}

ItemState kept_state(const DownloadRecord& item) {
    return item.restoredState != STATE_LOADING ? item.restoredState : item.state;
}
