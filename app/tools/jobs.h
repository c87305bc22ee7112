// The jobs of a download item, each on a worker thread of its own: the
// metadata job (yt-dlp -j, or its cached output) and the download job
// (yt-dlp, and ffmpeg for a stopped live recording). They report through the
// record's fields and WM_APP_ITEM_STATE posted to the item window, and close
// and clear their own thread handle as their last step.
#pragma once

#include <windows.h>

#include "app/tools/download_record.h"

// Start the job's thread and store its handle and id in the record before it
// runs, so that the job's last step always finds them. False when no thread
// could be made.
bool start_metadata_job(DownloadRecord& item);
bool start_download_job(DownloadRecord& item);

// The thread bodies, for callers that run them in place.
void run_metadata_job(DownloadRecord& item);
void run_download_job(DownloadRecord& item);

// "tavlo\json\<key>": yt-dlp's -j output kept for the next start.
bool metadata_cache_path(const DownloadRecord& item, wchar_t (&path)[MAX_PATH]);
