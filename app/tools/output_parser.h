// Reading yt-dlp's download output (and that of the ffmpeg it drives) into
// the item's progress: percentage, status and detail lines, time left, the
// output file, the last error, and the sign-in and password flags.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/tools/download_record.h"

constexpr size_t STATUS_LINE_CAPACITY = 128;
constexpr size_t VIDEO_WORD_CAPACITY = 64;
constexpr size_t OF_WORD_CAPACITY = 32;
constexpr size_t TRANSFER_TEXT_CAPACITY = 256;
constexpr size_t TRANSFER_TIME_LEFT_CAPACITY = 64;
// One line is read up to this many UTF-16 units; the rest of a longer line is dropped.
constexpr size_t OUTPUT_LINE_CAPACITY = 6144;
// Bytes kept of a line that a chunk left open, until the next chunk completes
// it: room for any path or error message with what precedes it on its line,
// and small enough that a long line arriving in tiny chunks stays cheap.
constexpr size_t OPEN_LINE_CAPACITY = 4096;
// An open line up to this long is read again as each chunk extends it (a
// carriage-return progress update is complete without its break); a longer
// one only once its break arrives.
constexpr size_t OPEN_LINE_EAGER = 1024;

// Which of the state's texts make up the item's status line.
enum StatusFirst : int { STATUS_LINE1 = 0, STATUS_PROCESSING = 1 };
enum StatusSecond : int { STATUS_NONE = 0, STATUS_LINE2 = 1 };

// One download run's parse state (on the download job's stack). Zero-filled
// is a valid empty state; prepare_progress_state fills it for a run.
struct ProgressParseState {
    uint32_t duration;                               // seconds; from the item's info, or ffmpeg's "Duration: "
    wchar_t line1[STATUS_LINE_CAPACITY];             // "Downloading...", or the playlist position
    wchar_t line2[STATUS_LINE_CAPACITY];             // a percentage or a cleaned ffmpeg line
    wchar_t processingText[STATUS_LINE_CAPACITY];    // "Processing files..."
    wchar_t videoWord[VIDEO_WORD_CAPACITY];          // translation of "Downloading video"; empty without one
    wchar_t ofWord[OF_WORD_CAPACITY];                // set only with videoWord: a translation is active
    StatusFirst statusFirst;
    StatusSecond statusSecond;
    uint32_t subtitleWritten;                        // 1 once a subtitle file was written

    // The last line of the previous chunk when no line break ended it: it
    // was read as it stood, and is read again once the next chunk completes it.
    char openLine[OPEN_LINE_CAPACITY];
    uint32_t openLength;
    uint32_t openCut;                                // 1 when the open line outgrew openLine
    uint32_t openUnread;                             // 1 when openLine holds more than was last read
};

// Zero-fills the state and prepares it for a run of the item's download:
// duration from the item's info, the status words in the interface language.
void prepare_progress_state(ProgressParseState& state, const DownloadRecord& item);

// The OutputSink of the download job: context is the ProgressParseState,
// owner the DownloadRecord. Always 1: the output never stops the tool.
int handle_download_output(const char* chunk, uint32_t length, uint32_t before, void* context, uintptr_t reserved,
                           void* owner);

// One line of output, without its line break.
void parse_progress_line(DownloadRecord& item, const wchar_t* line, ProgressParseState& state);

// The detail of a yt-dlp progress line: "1.23 MB/s - 5.6 MB of 12 MB, 5 sec
// left". timeLeft receives the time-left part when the line has an ETA, else
// it is cleared; previousTimeLeft stands in for a line without one. True
// when text is not empty.
bool format_transfer_text(const wchar_t* line, wchar_t (&text)[TRANSFER_TEXT_CAPACITY],
                          const wchar_t* previousTimeLeft, wchar_t (&timeLeft)[TRANSFER_TIME_LEFT_CAPACITY]);
