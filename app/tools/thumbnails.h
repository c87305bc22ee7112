// Item thumbnails: a worker downloads the video's picture once, converts it
// (WebP through dwebp), fits it to the thumbnail size and keeps it as
// "tavlo\jpg\<key>.jpg"; the item later loads that file and stamps the
// duration on it. GDI+ must be started by the program before either runs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "app/tools/download_record.h"
#include "app/tools/thumbnail_rules.h"

namespace Gdiplus {
class Image;
}
struct GdiImageState;

// One job's own record: the job never touches the item, so the item may be
// removed while the job runs. Allocated zero-filled with new by whoever
// starts the job; run_thumbnail_job deletes it.
struct ThumbnailJob {
    wchar_t key[64];            // the item's key
    wchar_t url[2048];          // the thumbnail URL of the video
    wchar_t downloadPath[260];  // cache folder + key + ".bin"
    HWND listWindow;            // receives WM_APP_THUMBNAIL_READY
    int32_t width;
    int32_t height;
};

// Thread body. Downloads the URL (http and https only), converts and fits
// the picture and saves it as downloadPath with ".jpg"; no file when any step
// fails, and no ".bin" or ".bmp" left behind. Always posts
// WM_APP_THUMBNAIL_READY to listWindow with lParam = a process-heap copy of
// the key (HeapAlloc(GetProcessHeap()), 64 units), which the list frees with
// HeapFree; then deletes the job.
void run_thumbnail_job(ThumbnailJob* job);

// Fills a job for the item (its key, its video's thumbnail URL, the cache
// path) and starts run_thumbnail_job on a thread of its own, whose handle and
// id go to thumbnailThread and thumbnailThreadId (the list closes the handle
// when the job's message arrives). False, and nothing started, when the item
// has no thumbnail URL or no thread could be made. UI thread.
bool start_thumbnail_job(DownloadRecord& item, HWND listWindow, int width, int height);

// "tavlo\jpg\<key>.jpg".
bool thumbnail_cache_path(const wchar_t* key, wchar_t (&path)[MAX_PATH]);

// The cached picture of the key fitted to width x height, with the duration
// badge when seconds is not 0; null when there is no usable cached picture.
// UI thread.
std::unique_ptr<Gdiplus::Image> load_cached_thumbnail(const wchar_t* key, int width, int height, uint32_t seconds);
// The same handed to the item's picture control (id 950), which keeps a copy
// of its own: true when the control now shows it. UI thread.
bool load_cached_thumbnail(GdiImageState* control, const wchar_t* key, int width, int height, uint32_t seconds);

// A new picture of exactly width x height (see plan_thumbnail_fit), or null.
std::unique_ptr<Gdiplus::Image> fit_thumbnail(Gdiplus::Image* image, int width, int height);

// Stamps the text in white on a dark translucent box in the picture's
// bottom-right corner.
void draw_duration_badge(Gdiplus::Image* image, const wchar_t* text);

// JPEG at quality 100; false when there is no JPEG encoder or saving fails.
bool save_jpeg(Gdiplus::Image* image, const wchar_t* path);
