// The item window: one 70-pixel child of the download list per download
// item, and the item's life from its link to its file.
//
// The download list owns the records: it allocates one value-initialised,
// hands it the shared resources (ItemShared), calls init_item, and frees
// the record after WM_APP_ITEM_CLOSED once item_threads_running is false.
#pragma once

#include <windows.h>

#include "app/items/download_item.h"
#include "app/items/item_face.h"
#include "app/items/item_rules.h"

// What the list hands every new item.
struct ItemShared {
    HINSTANCE instance;
    HFONT normalFont;
    HFONT iconFont;                 // the glyph font of the format button
    const TranslationTable* translation;
    const void* placeholderJpeg;    // the placeholder thumbnail's JPEG bytes (resource 527)
    size_t placeholderSize;
    wchar_t (*rememberedToken)[CHOICE_TOKEN_CAPACITY];
    int* rememberedSubtitlesOnly;
    int* rememberedSubtitleMode;
};

// Fills the record from the link (or from a list-file record) and creates
// its window as a child of the list at (x, 0), width wide; the metadata job
// starts when the link is a link. False when no window could be made.
bool init_item(DownloadItem& item, const ItemShared& shared, const wchar_t* link, const ListRecord* record,
               HWND list, int x, int width);

// The selected look, and the control-parent style that lets Tab into the buttons.
void set_selected(DownloadItem& item, bool selected);
// The face the item shows now (false once its window is gone).
bool current_item_face(const DownloadItem& item, ItemFace& face);
// The list's one-second refresh of a downloading item.
void refresh_progress(DownloadItem& item);
// Asks the jobs to stop and ends the tools' process trees (a paused tool
// is thawed first); the threads then end on their own.
void stop_item_jobs(DownloadItem& item);
// True while a metadata, download or thumbnail thread still holds the record.
bool item_threads_running(const DownloadItem& item);
// The thumbnail job finished: closes and clears its thread handle (when the
// list has not) and loads its picture (the list passes this on).
void thumbnail_ready(DownloadItem& item);
// Frees what the record owns (strings, entries, pictures) once no thread runs,
// and then the record itself (made with new DownloadItem()). A window that
// still exists is destroyed first.
void free_item(DownloadItem* item);

// Whether the program may write files into the folder (made when missing, one
// level): a unique temporary file ".lx*" must open for reading and writing.
// The probe file is removed again.
bool probe_folder_writable(const wchar_t* folder);
