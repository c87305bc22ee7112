#include "app/tools/output_parser.h"

#include <cmath>
#include <cstring>
#include <string_view>

#include "app/media/video_info.h"
#include "app/tools/progress_text.h"
#include "app/tools/tool_messages.h"
#include "base/text.h"
#include "base/utf.h"
#include "ui/translation.h"

namespace {

constexpr size_t STATUS_TEXT_CAPACITY = sizeof(DownloadRecord::statusText) / sizeof(wchar_t);
constexpr size_t PATH_CAPACITY = sizeof(DownloadRecord::outputPath) / sizeof(wchar_t);
constexpr size_t NUMBER_CAPACITY = 32;   // a number read from the output keeps at most 31 characters
constexpr size_t SPEED_CAPACITY = 24;
constexpr size_t SIZES_CAPACITY = 80;
constexpr size_t TIME_PART_CAPACITY = 48;
constexpr size_t OF_CAPACITY = 16;
constexpr size_t UNIT_CAPACITY = 8;
constexpr size_t CLOCK_CAPACITY = 16;    // the first 15 characters of an ffmpeg time

const wchar_t EM_DASH_SEPARATOR[] = L" \x2014 ";

bool is_digit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

bool is_blank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

bool is_break(char c) {
    return c == '\r' || c == '\n' || c == 0;
}

// The first occurrence of needle, ASCII letters compared without case.
const wchar_t* find_nocase(const wchar_t* text, const wchar_t* needle) {
    wchar_t first = ascii_lower(needle[0]);
    for (; *text; ++text) {
        if (ascii_lower(*text) == first && text_starts_with_nocase(text + 1, needle + 1)) {
            return text;
        }
    }
    return nullptr;
}

const wchar_t* find_char(const wchar_t* text, wchar_t c) {
    for (; *text; ++text) {
        if (*text == c) {
            return text;
        }
    }
    return nullptr;
}

// text + offset when the text reaches that far, else null: ffmpeg's times are
// read at fixed offsets, and a line may end before them.
const wchar_t* at_offset(const wchar_t* text, size_t offset) {
    for (size_t i = 0; i < offset; ++i) {
        if (!text[i]) {
            return nullptr;
        }
    }
    return text + offset;
}

// The decimal digits at p, held at 2^32 - 1 so that products with 100 or
// 1,024 stay far inside 64 bits; p moves past all of them.
uint64_t read_digits(const wchar_t*& p) {
    uint64_t value = 0;
    for (; is_digit(*p); ++p) {
        value = value * 10 + static_cast<uint64_t>(*p - L'0');
        if (value > 0xFFFFFFFFull) {
            value = 0xFFFFFFFFull;
        }
    }
    return value;
}

// One field of an ffmpeg time ("01:02:03.45"), as 16 bits; 0 where the text ends.
uint32_t clock_field(const wchar_t* text, size_t offset) {
    const wchar_t* at = at_offset(text, offset);
    long long value = at ? text_leading_integer(at) : 0;
    return value > 0 ? static_cast<uint32_t>(value & 0xFFFF) : 0;
}

// The run of digits and "." at p (at most 31 kept); p moves past the whole run.
void read_number_text(const wchar_t*& p, wchar_t (&out)[NUMBER_CAPACITY]) {
    size_t n = 0;
    for (; is_digit(*p) || *p == L'.'; ++p) {
        if (n + 1 < NUMBER_CAPACITY) {
            out[n++] = *p;
        }
    }
    out[n] = 0;
}

// A number text such as "12.34" times a unit, truncated; false when it is not a usable count.
bool scaled_count(const wchar_t* number, double unit, uint64_t& out) {
    double mantissa = 0;
    int decimals = 0;
    bool point = false;
    bool any = false;
    for (const wchar_t* p = number; *p; ++p) {
        if (*p == L'.') {
            point = true;
        } else {
            mantissa = mantissa * 10.0 + (*p - L'0');
            decimals += point ? 1 : 0;
            any = true;
        }
    }
    if (!any) {
        return false;
    }
    // The integer product first: 12.34 MiB is 1234 * 1,048,576 / 100 exactly.
    double value = mantissa * unit / std::pow(10.0, decimals);
    if (!(value >= 0.0) || value >= 9.2e18) {
        return false;
    }
    out = static_cast<uint64_t>(value);
    return true;
}

// The run of digits and "." that ends right before the first "%" of text
// (not before from); its integer part. False when there is no such run or it
// starts with "."; the value is held at 2^32 - 1.
bool percent_before_sign(const wchar_t* from, uint64_t& value) {
    const wchar_t* sign = find_char(from, L'%');
    if (!sign || sign == from) {
        return false;
    }
    const wchar_t* start = sign;
    while (start > from && (is_digit(start[-1]) || start[-1] == L'.')) {
        --start;
    }
    if (start == sign || !is_digit(*start)) {
        return false;
    }
    value = read_digits(start);
    return true;
}

// At most count characters of from, blanks trimmed, then a pair of enclosing
// double quotes removed.
void clean_path(wchar_t (&target)[PATH_CAPACITY], const wchar_t* from, size_t count) {
    size_t available = 0;
    while (available < count && from[available]) {
        ++available;
    }
    wchar_t path[PATH_CAPACITY];
    text_copy_n(path, from, available);
    const wchar_t* start = path;
    while (is_blank(*start)) {
        ++start;
    }
    size_t n = text_length(start);
    while (n > 0 && is_blank(start[n - 1])) {
        --n;
    }
    if (n >= 2 && start[0] == L'"' && start[n - 1] == L'"') {
        ++start;
        n -= 2;
    }
    text_copy_n(target, start, n);
}

// Subtitles-only runs convert what they download to SubRip: the file that
// remains carries ".srt" in place of the downloaded extension.
void use_srt_extension(wchar_t (&path)[PATH_CAPACITY]) {
    size_t n = text_length(path);
    size_t dot = n;
    for (size_t i = n; i > 0; --i) {
        wchar_t c = path[i - 1];
        if (c == L'\\' || c == L'/') {
            break;
        }
        if (c == L'.') {
            dot = i - 1;
            break;
        }
    }
    path[dot] = 0;
    text_append(path, L".srt");
}

void finish(DownloadRecord& item, const ProgressParseState& state) {
    wchar_t status[STATUS_TEXT_CAPACITY];
    text_copy(status, state.statusFirst == STATUS_PROCESSING ? state.processingText : state.line1);
    if (state.statusSecond == STATUS_LINE2) {
        text_append(status, L" ");
        text_append(status, state.line2);
    }
    // One copy into the shared field: the item window may read it at any moment.
    text_copy(item.statusText, status);
}

void set_line2_percent(ProgressParseState& state, uint64_t percent) {
    wchar_t text[32];
    size_t n = format_decimal(percent, text);
    text[n] = L'%';
    text[n + 1] = 0;
    text_copy(state.line2, text);
    state.statusFirst = STATUS_LINE1;
    state.statusSecond = STATUS_LINE2;
}

// The playlist position in line1: "a/b" after its last space (the rewritten
// form of a translated interface), or yt-dlp's own "a of b" at its end.
bool playlist_position(const wchar_t* line1, uint64_t& a, uint64_t& b) {
    const wchar_t* space = nullptr;
    for (const wchar_t* p = line1; *p; ++p) {
        if (*p == L' ') {
            space = p;
        }
    }
    if (!space) {
        return false;
    }
    const wchar_t* p = space + 1;
    uint64_t last = read_digits(p);
    if (*p == L'/') {
        ++p;
        a = last;
        b = read_digits(p);
        return true;
    }
    if (space - line1 >= 4 && text_starts_with(space - 3, L" of ") && is_digit(space[-4])) {
        const wchar_t* start = space - 4;
        while (start > line1 && is_digit(start[-1])) {
            --start;
        }
        a = read_digits(start);
        b = last;
        return true;
    }
    return false;
}

void download_progress(DownloadRecord& item, ProgressParseState& state, const wchar_t* line, const wchar_t* p) {
    wchar_t detail[TRANSFER_TEXT_CAPACITY];
    wchar_t timeLeft[TRANSFER_TIME_LEFT_CAPACITY];
    if (format_transfer_text(line, detail, item.timeLeftText, timeLeft)) {
        if (timeLeft[0]) {
            text_copy(item.timeLeftText, timeLeft);
        }
        text_copy(item.phaseText, detail);
    }
    state.statusFirst = STATUS_LINE1;
    state.statusSecond = STATUS_NONE;
    uint64_t value = 0;
    if (percent_before_sign(p, value)) {
        if (item.playlistCount == 0) {
            if (value <= 100) {
                item.percent = static_cast<unsigned>(value);
            }
        } else {
            uint64_t a = 0;
            uint64_t b = 0;
            // A position past the end would read above 100: ignored like any such value.
            if (playlist_position(state.line1, a, b) && b > 0 && a <= b) {
                item.percent = static_cast<unsigned>(a * 100 / b);
            }
        }
    }
    finish(item, state);
}

void playlist_item_line(DownloadRecord& item, ProgressParseState& state, const wchar_t* from) {
    wchar_t text[REPLACE_LIMIT];
    text_copy(text, from);
    if (state.ofWord[0]) {
        replace_all(text, L"Downloading video", state.videoWord);
        replace_all(text, L"Downloading item", state.videoWord);
        replace_all(text, L" of ", L"/");
    }
    text_copy(state.line1, text);
    state.statusFirst = STATUS_LINE1;
    state.statusSecond = STATUS_NONE;
    finish(item, state);
}

void download_line(DownloadRecord& item, ProgressParseState& state, const wchar_t* line, const wchar_t* p) {
    // Only a progress line carries a speed: a file name such as "Live at 5.mp4"
    // must not read as one.
    if (find_nocase(p, L"/s")) {
        download_progress(item, state, line, p);
        return;
    }
    wchar_t path[PATH_CAPACITY];
    if (const wchar_t* destination = find_nocase(p, L"Destination: ")) {
        clean_path(path, destination + 13, PATH_CAPACITY - 1);
        if (item.subtitlesOnly) {
            use_srt_extension(path);
        }
        text_copy(item.outputPath, path);
        return;
    }
    if (const wchar_t* already = find_nocase(p, L"has already been downloaded")) {
        size_t count = static_cast<size_t>(already - p);
        clean_path(path, p, count < PATH_CAPACITY - 1 ? count : PATH_CAPACITY - 1);
        text_copy(item.outputPath, path);
        return;
    }
    // yt-dlp says "Downloading item 2 of 5" since 2022, "Downloading video 2 of 5" before.
    const wchar_t* position = find_nocase(p, L"Downloading video");
    if (!position) {
        position = find_nocase(p, L"Downloading item");
    }
    if (position) {
        playlist_item_line(item, state, position);
        return;
    }
    finish(item, state);
}

void hlsnative_line(DownloadRecord& item, ProgressParseState& state, const wchar_t* h) {
    const wchar_t* slash = nullptr;
    for (const wchar_t* p = h; *p; ++p) {
        if (*p == L'/') {
            slash = p;
        }
    }
    if (slash && slash != h) {
        const wchar_t* denominator = slash + 1;
        if (*denominator == L' ') {
            ++denominator;
        }
        const wchar_t* end = slash;
        if (end[-1] == L' ' && end - 1 > h) {
            --end;
        }
        const wchar_t* numerator = end;
        while (numerator > h && is_digit(numerator[-1])) {
            --numerator;
        }
        if (numerator < end && is_digit(*denominator)) {
            uint64_t d = read_digits(denominator);
            uint64_t n = read_digits(numerator);
            if (d != 0) {
                set_line2_percent(state, static_cast<uint16_t>(n * 100 / d));
            }
        }
    }
    finish(item, state);
}

void postprocess_line(DownloadRecord& item, ProgressParseState& state, const wchar_t* line) {
    const wchar_t* path = find_nocase(line, L"Destination: ");
    if (path) {
        path += 13;
    } else if ((path = find_nocase(line, L"Merging formats into "))) {
        path += 21;
    }
    if (path) {
        wchar_t cleaned[PATH_CAPACITY];
        clean_path(cleaned, path, PATH_CAPACITY - 1);
        text_copy(item.outputPath, cleaned);
    }
    state.statusFirst = STATUS_PROCESSING;
    state.statusSecond = STATUS_NONE;
    item.phaseText[0] = 0;
    item.timeLeftText[0] = 0;
    finish(item, state);
}

void live_recording_line(DownloadRecord& item, const wchar_t* line, const wchar_t* t) {
    wchar_t text[STATUS_TEXT_CAPACITY];
    text_copy(text, translate(L"Live recording"));
    if (is_digit(t[0])) {
        wchar_t clock[CLOCK_CAPACITY];
        text_copy(clock, t);
        wchar_t formatted[48];
        text_format(formatted, L"%02u:%02u:%02u", clock_field(clock, 0), clock_field(clock, 3), clock_field(clock, 6));
        text_append(text, EM_DASH_SEPARATOR);
        text_append(text, formatted);
    }
    if (const wchar_t* size = find_nocase(line, L"size=")) {
        const wchar_t* p = size + 5;
        while (*p == L' ') {
            ++p;
        }
        if (is_digit(*p)) {
            uint64_t kibibytes = read_digits(p);
            wchar_t bytes[BYTE_SIZE_CAPACITY];
            format_byte_size(kibibytes * 1024, bytes);
            text_append(text, EM_DASH_SEPARATOR);
            text_append(text, bytes);
        }
    }
    text_copy(item.phaseText, text);
}

// ffmpeg's statistics without the padding: "frame=  250 fps= 25" reads "frame=250 fps=25".
void cleaned_ffmpeg_line(const wchar_t* line, wchar_t (&out)[STATUS_LINE_CAPACITY]) {
    wchar_t copy[STATUS_TEXT_CAPACITY];
    text_copy(copy, line);
    wchar_t cleaned[STATUS_TEXT_CAPACITY];
    size_t n = 0;
    const wchar_t* p = copy;
    while (*p == L' ') {
        ++p;
    }
    for (; *p; ++p) {
        if (*p == L' ' && n > 0 && cleaned[n - 1] == L'=') {
            continue;
        }
        cleaned[n++] = *p;
    }
    cleaned[n] = 0;
    replace_all(cleaned, L" q=-1.0 ", L" ");
    text_copy(out, cleaned);
}

void ffmpeg_time_line(DownloadRecord& item, ProgressParseState& state, const wchar_t* line, const wchar_t* t) {
    if (state.duration != 0) {
        uint64_t seconds = (static_cast<uint64_t>(clock_field(t, 0)) * 60 + clock_field(t, 3)) * 60 + clock_field(t, 6);
        uint64_t percent = seconds * 100 / state.duration;
        // Not capped: the real stream may run past the announced duration.
        item.percent = percent > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned>(percent);
        set_line2_percent(state, percent);
    } else if (is_live_source(item.info)) {
        live_recording_line(item, line, t);
        state.statusFirst = STATUS_LINE1;
        state.statusSecond = STATUS_NONE;
    } else {
        cleaned_ffmpeg_line(line, state.line2);
        state.statusFirst = STATUS_LINE1;
        state.statusSecond = STATUS_LINE2;
    }
    finish(item, state);
}

void duration_line(DownloadRecord& item, ProgressParseState& state, const wchar_t* d) {
    uint32_t duration = (clock_field(d, 0) * 60 + clock_field(d, 3)) * 60 + clock_field(d, 6);
    if (duration != 0) {
        state.duration = duration;
        item.info.duration = duration;
    }
    finish(item, state);
}

// The sentence of an error message: up to the first "." (or run of dots)
// that a blank or the end of the line follows. A "." inside a link, an
// address or a file name does not end it.
wchar_t* sentence_end(wchar_t* text) {
    for (wchar_t* p = text; *p; ++p) {
        if (*p != L'.') {
            continue;
        }
        wchar_t* run = p;
        while (*run == L'.') {
            ++run;
        }
        if (*run == 0 || is_blank(*run)) {
            return p;
        }
        p = run - 1;
    }
    return nullptr;
}

void note_requests(DownloadRecord& item, std::string_view bytes) {
    if (is_sign_in_message(bytes)) {
        item.loginNeeded = 1;
        item.loginDuringDownload = 1;
    }
    if (bytes_contain_nocase(bytes, "--video-password")) {
        item.passwordNeeded = 1;
        item.loginDuringDownload = 1;
    }
}

void read_line(DownloadRecord& item, ProgressParseState& state, std::string_view bytes) {
    wchar_t line[OUTPUT_LINE_CAPACITY];
    utf8_to_utf16(bytes.data(), bytes.size(), line, OUTPUT_LINE_CAPACITY);
    // yt-dlp writes its errors as "ERROR: " in capitals; "Got error: " on a
    // retried transfer is no failure of the download.
    if (const wchar_t* found = text_find(line, L"ERROR: ")) {
        wchar_t* error = line + (found - line);
        if (item.videoPassword[0] && (find_nocase(line, L"password") || find_nocase(line, L"passcode"))) {
            item.passwordNeeded = 1;
            item.loginDuringDownload = 1;
        }
        if (wchar_t* end = sentence_end(error + 7)) {
            *end = 0;
        }
        text_copy(item.errorText, error);
    }
    parse_progress_line(item, line, state);
}

// A chunk may end inside a line: that open line is read as it stands (a
// carriage-return progress update is complete without its break), kept, and
// read again with what the next chunks add to it; complete tells that this
// piece ends it.
void continue_open_line(DownloadRecord& item, ProgressParseState& state, std::string_view more, bool complete) {
    if (!more.empty() && !state.openCut) {
        size_t room = OPEN_LINE_CAPACITY - state.openLength;
        if (more.size() > room) {
            more = more.substr(0, room);
            state.openCut = 1;
        }
        std::memcpy(state.openLine + state.openLength, more.data(), more.size());
        state.openLength += static_cast<uint32_t>(more.size());
        state.openUnread = 1;
    }
    if (state.openUnread && (complete || state.openLength <= OPEN_LINE_EAGER)) {
        std::string_view line(state.openLine, state.openLength);
        note_requests(item, line);  // a marker may straddle the chunks
        read_line(item, state, line);
        state.openUnread = 0;
    }
}

void keep_open_line(ProgressParseState& state, std::string_view line) {
    size_t n = line.size() < OPEN_LINE_CAPACITY ? line.size() : OPEN_LINE_CAPACITY;
    std::memcpy(state.openLine, line.data(), n);
    state.openLength = static_cast<uint32_t>(n);
    state.openCut = n < line.size() ? 1 : 0;
    state.openUnread = 0;
}

}  // namespace

void prepare_progress_state(ProgressParseState& state, const DownloadRecord& item) {
    std::memset(&state, 0, sizeof(state));
    state.duration = item.info.duration;
    text_copy(state.line1, translate(L"Downloading..."));
    text_copy(state.processingText, translate(L"Processing files..."));
    const wchar_t* english = UI_TEXT(L"Downloading video");
    const wchar_t* word = translate(english);
    if (word != english && word && word[0]) {
        text_copy(state.videoWord, word);
        text_copy(state.ofWord, translate(L"of"));
    }
    state.statusFirst = STATUS_LINE1;
    state.statusSecond = STATUS_NONE;
}

int handle_download_output(const char* chunk, uint32_t length, uint32_t /*before*/, void* context,
                           uintptr_t /*reserved*/, void* owner) {
    auto* state = static_cast<ProgressParseState*>(context);
    auto* item = static_cast<DownloadRecord*>(owner);
    if (!state || !item || !chunk || length == 0) {
        return 1;
    }
    std::string_view bytes(chunk, length);
    note_requests(*item, bytes);

    size_t start = 0;
    if (state->openLength > 0) {
        size_t end = 0;
        while (end < bytes.size() && !is_break(bytes[end])) {
            ++end;
        }
        bool complete = end < bytes.size();
        continue_open_line(*item, *state, bytes.substr(0, end), complete);
        if (complete) {
            state->openLength = 0;
            state->openCut = 0;
            state->openUnread = 0;
        }
        start = end;
    }
    while (start < bytes.size()) {
        if (is_break(bytes[start])) {
            ++start;
            continue;
        }
        size_t end = start + 1;
        while (end < bytes.size() && !is_break(bytes[end])) {
            ++end;
        }
        std::string_view line = bytes.substr(start, end - start);
        read_line(*item, *state, line);
        if (end == bytes.size()) {
            keep_open_line(*state, line);
        }
        start = end;
    }
    return 1;
}

void parse_progress_line(DownloadRecord& item, const wchar_t* line, ProgressParseState& state) {
    if (!line) {
        return;
    }
    if (const wchar_t* download = find_nocase(line, L"[download] ")) {
        download_line(item, state, line, download + 11);
    } else if (const wchar_t* h = find_nocase(line, L"[hlsnative]")) {
        hlsnative_line(item, state, h);
    } else if (find_nocase(line, L"[ffmpeg]") || find_nocase(line, L"[merger]") ||
               find_nocase(line, L"[ExtractAudio]")) {
        postprocess_line(item, state, line);
    } else if (const wchar_t* time = find_nocase(line, L"time=")) {
        ffmpeg_time_line(item, state, line, time + 5);
    } else if (const wchar_t* duration = find_nocase(line, L"Duration: ")) {
        duration_line(item, state, duration + 10);
    } else {
        if (find_nocase(line, L"Writing video subtitles to: ") ||
            (find_nocase(line, L"Video subtitle ") && find_nocase(line, L"is already present"))) {
            state.subtitleWritten = 1;
        }
        finish(item, state);
    }
}

bool format_transfer_text(const wchar_t* line, wchar_t (&text)[TRANSFER_TEXT_CAPACITY],
                          const wchar_t* previousTimeLeft, wchar_t (&timeLeft)[TRANSFER_TIME_LEFT_CAPACITY]) {
    text[0] = 0;
    timeLeft[0] = 0;
    const wchar_t* at = line ? find_nocase(line, L" at ") : nullptr;
    if (!at) {
        return false;
    }

    // Speed: "1.23MiB/s" reads "1.23 MB/s"; yt-dlp's "Unknown B/s" gives none.
    const wchar_t* p = at + 4;
    while (is_blank(*p)) {
        ++p;
    }
    wchar_t number[NUMBER_CAPACITY];
    read_number_text(p, number);
    if (!number[0]) {
        return false;  // a unit alone is no speed
    }
    const wchar_t* unit = nullptr;
    if (text_starts_with_nocase(p, L"GiB") || text_starts_with_nocase(p, L"GB")) {
        unit = translate(L"GB");
    } else if (text_starts_with_nocase(p, L"MiB") || text_starts_with_nocase(p, L"MB")) {
        unit = translate(L"MB");
    } else if (text_starts_with_nocase(p, L"KiB") || text_starts_with_nocase(p, L"KB")) {
        unit = translate(L"KB");
    }
    wchar_t local[LOCAL_NUMBER_CAPACITY];
    localize_decimal_point(number, local);
    wchar_t speed[SPEED_CAPACITY];
    text_copy(speed, local);
    if (unit) {
        wchar_t unitText[UNIT_CAPACITY];
        text_copy(unitText, unit);
        text_append(speed, L" ");
        text_append(speed, unitText);
        text_append(speed, L"/s");
    } else {
        text_append(speed, L" B/s");
    }

    // Remaining time: "ETA 05", "ETA 01:05" or "ETA 1:01:05"; "Unknown" is 0.
    int64_t eta = 0;
    if (const wchar_t* etaAt = find_nocase(line, L" ETA ")) {
        wchar_t clock[CLOCK_CAPACITY];
        text_copy(clock, etaAt + 5);
        long long parts[3] = {0, 0, 0};
        size_t count = 0;
        const wchar_t* part = clock;
        for (wchar_t* q = clock;; ++q) {
            if (*q == L':' || *q == 0) {
                bool last = *q == 0;
                *q = 0;
                if (count < 3) {
                    parts[count] = text_leading_integer(part);
                }
                ++count;
                if (last) {
                    break;
                }
                part = q + 1;
            }
        }
        if (count == 1) {
            eta = parts[0];
        } else if (count == 2) {
            eta = parts[0] * 60 + parts[1];
        } else if (count == 3) {
            eta = (parts[0] * 60 + parts[1]) * 60 + parts[2];
        }
    }

    uint64_t percent = 0;
    percent_before_sign(line, percent);

    // Sizes: "of ~  12.34MiB" is the (estimated) total; the downloaded part follows from the percentage.
    uint64_t total = 0;
    if (const wchar_t* of = find_nocase(line, L" of ")) {
        const wchar_t* q = of + 4;
        while (*q == L'~' || *q == L' ') {
            ++q;
        }
        wchar_t amount[NUMBER_CAPACITY];
        read_number_text(q, amount);
        double scale = 0;
        if (text_starts_with_nocase(q, L"GiB") || text_starts_with_nocase(q, L"GB")) {
            scale = 1073741824.0;
        } else if (text_starts_with_nocase(q, L"MiB") || text_starts_with_nocase(q, L"MB")) {
            scale = 1048576.0;
        } else if (text_starts_with_nocase(q, L"KiB") || text_starts_with_nocase(q, L"KB")) {
            scale = 1024.0;
        } else if (text_starts_with_nocase(q, L"B")) {
            scale = 1.0;
        }
        if (scale == 0 || !scaled_count(amount, scale, total)) {
            total = 0;
        }
    }
    uint64_t done = 0;
    if (total != 0 && percent != 0) {
        double share = static_cast<double>(percent < 100 ? percent : 100);
        done = static_cast<uint64_t>(static_cast<double>(total) * share / 100.0);
    }

    size_t n = text_copy(text, speed);
    if (done != 0) {
        wchar_t doneText[BYTE_SIZE_CAPACITY];
        wchar_t totalText[BYTE_SIZE_CAPACITY];
        wchar_t ofText[OF_CAPACITY];
        format_byte_size(done, doneText);
        format_byte_size(total, totalText);
        text_copy(ofText, translate(L"of"));
        wchar_t sizes[SIZES_CAPACITY];
        text_copy(sizes, L" - ");
        text_append(sizes, doneText);
        text_append(sizes, L" ");
        text_append(sizes, ofText);
        text_append(sizes, L" ");
        text_append(sizes, totalText);
        n = text_append(text, sizes);
    }

    wchar_t left[TIME_LEFT_CAPACITY];
    left[0] = 0;
    if (eta > 0) {
        format_time_left(eta, left);
        text_copy(timeLeft, left);
    }
    const wchar_t* shown = left[0] ? left : previousTimeLeft;
    if (shown && shown[0]) {
        wchar_t part[TIME_PART_CAPACITY];
        text_copy(part, L", ");
        text_append(part, shown);
        n = text_append(text, part);
    }
    return n != 0;
}
