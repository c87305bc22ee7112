#include "app/items/item_rules.h"

#include <cstring>

#include "app/items/item_face.h"
#include "base/text.h"

namespace {

bool is_blank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

// The text without blanks and line breaks at its ends, at most 2047 units.
std::wstring trimmed(const wchar_t* text) {
    size_t n = text_length(text);
    if (n > LINK_CAPACITY - 1) {
        n = LINK_CAPACITY - 1;
    }
    size_t start = 0;
    while (start < n && is_blank(text[start])) {
        ++start;
    }
    while (n > start && is_blank(text[n - 1])) {
        --n;
    }
    return std::wstring(text + start, n - start);
}

bool looks_like_link(const std::wstring& text) {
    return text.find(L'.') != std::wstring::npos && text.find(L' ') == std::wstring::npos &&
           text.find(L'\\') == std::wstring::npos;
}

// Offsets of the list record's fields (bytes).
constexpr size_t AT_KEY = 0;
constexpr size_t AT_LINK = 128;
constexpr size_t AT_FOLDER = 4224;
constexpr size_t AT_PATH = 4744;
constexpr size_t AT_PLAYLIST = 5264;
constexpr size_t AT_DURATION = 5776;
constexpr size_t AT_CHOICE = 5780;
constexpr size_t AT_STATE = 5784;
constexpr size_t AT_SUBTITLES_ONLY = 5788;
constexpr size_t AT_SUBTITLE_MODE = 5792;

template <size_t N>
void put_text(unsigned char* bytes, size_t at, const wchar_t (&text)[N]) {
    size_t n = text_length(text);
    if (n > N - 1) {
        n = N - 1;
    }
    for (size_t i = 0; i < n; ++i) {
        auto unit = static_cast<uint16_t>(text[i]);
        bytes[at + 2 * i] = static_cast<unsigned char>(unit & 0xFF);
        bytes[at + 2 * i + 1] = static_cast<unsigned char>(unit >> 8);
    }
}

template <size_t N>
void get_text(const unsigned char* bytes, size_t at, wchar_t (&text)[N]) {
    size_t i = 0;
    for (; i < N - 1; ++i) {
        auto unit = static_cast<wchar_t>(bytes[at + 2 * i] | (bytes[at + 2 * i + 1] << 8));
        if (unit == 0) {
            break;
        }
        text[i] = unit;
    }
    text[i] = 0;  // a full field ends at its end
}

void put_int(unsigned char* bytes, size_t at, int32_t value) {
    auto u = static_cast<uint32_t>(value);
    for (int k = 0; k < 4; ++k) {
        bytes[at + k] = static_cast<unsigned char>((u >> (8 * k)) & 0xFF);
    }
}

int32_t get_int(const unsigned char* bytes, size_t at) {
    uint32_t u = 0;
    for (int k = 0; k < 4; ++k) {
        u |= static_cast<uint32_t>(bytes[at + k]) << (8 * k);
    }
    return static_cast<int32_t>(u);
}

}  // namespace

bool check_link(const wchar_t* text) {
    return text && looks_like_link(trimmed(text));
}

bool normalise_link(const wchar_t* text, wchar_t (&out)[LINK_CAPACITY]) {
    out[0] = 0;
    if (!text) {
        return false;
    }
    std::wstring link = trimmed(text);
    if (!looks_like_link(link)) {
        return false;
    }
    if (link.find(L"://") == std::wstring::npos) {
        link = L"https://" + link;
    }
    text_copy(out, link.c_str());
    return true;
}

std::wstring video_id_of(const wchar_t* link) {
    if (!link) {
        return {};
    }
    for (const wchar_t* p = link; *p; ++p) {
        if (ascii_lower(p[0]) != L'v' || p[1] != L'=') {
            continue;
        }
        bool starts = p == link || p[-1] == L'?' || p[-1] == L'/' || p[-1] == L'&';
        if (!starts) {
            continue;
        }
        const wchar_t* value = p + 2;
        size_t n = 0;
        while (value[n] && value[n] != L'&' && value[n] != L'?') {
            ++n;
        }
        if (n > 0) {
            return std::wstring(value, n < 63 ? n : 63);
        }
    }
    return {};
}

void clean_error_text(const wchar_t* error, wchar_t (&out)[256]) {
    text_copy(out, error);
    static const wchar_t* const kHints[] = {
        L". Use --", L", use the --video-password option", L"; use the --video-password option",
        L". Use the --video-password option", L", use --video-password",
    };
    for (const wchar_t* hint : kHints) {
        for (wchar_t* p = out; *p; ++p) {
            if (text_starts_with_nocase(p, hint)) {
                *p = 0;
                size_t n = text_length(out);
                while (n > 0 && (out[n - 1] == L' ' || out[n - 1] == L',' || out[n - 1] == L'.' ||
                                 out[n - 1] == L':' || out[n - 1] == L';')) {
                    out[--n] = 0;
                }
                return;
            }
        }
    }
}

void progress_status_text(const DownloadRecord& item, wchar_t (&out)[256]) {
    if (item.phaseText[0]) {
        text_copy(out, item.phaseText);
        return;
    }
    unsigned percent = item.percent;
    if (percent > 100) {
        text_copy(out, item.statusText);
        return;
    }
    text_format(out, L"%ls%u%%", item.statusText, percent);
}

const wchar_t* file_name_of(const wchar_t* path) {
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p) {
        if (*p == L'\\' || *p == L'/') {
            name = p + 1;
        }
    }
    return name;
}

void item_to_record(const DownloadRecord& item, ListRecord& record) {
    std::memset(&record, 0, sizeof(record));
    text_copy(record.key, item.key);
    text_copy(record.link, item.url ? item.url : L"");
    text_copy(record.outputFolder, item.outputFolder);
    text_copy(record.outputPath, item.outputPath);
    text_copy(record.playlistItems, item.playlistItems);
    record.duration = static_cast<int32_t>(item.info.duration);
    record.selectedChoice = item.selectedChoice;
    record.state = kept_state(item);
    record.subtitlesOnly = item.subtitlesOnly;
    record.subtitleMode = item.subtitleMode;
}

void encode_list_record(const ListRecord& record, unsigned char (&bytes)[LIST_RECORD_SIZE]) {
    std::memset(bytes, 0, LIST_RECORD_SIZE);
    put_text(bytes, AT_KEY, record.key);
    put_text(bytes, AT_LINK, record.link);
    put_text(bytes, AT_FOLDER, record.outputFolder);
    put_text(bytes, AT_PATH, record.outputPath);
    put_text(bytes, AT_PLAYLIST, record.playlistItems);
    put_int(bytes, AT_DURATION, record.duration);
    put_int(bytes, AT_CHOICE, record.selectedChoice);
    put_int(bytes, AT_STATE, record.state);
    put_int(bytes, AT_SUBTITLES_ONLY, record.subtitlesOnly);
    put_int(bytes, AT_SUBTITLE_MODE, record.subtitleMode);
}

void decode_list_record(const unsigned char* bytes, ListRecord& record) {
    std::memset(&record, 0, sizeof(record));
    get_text(bytes, AT_KEY, record.key);
    get_text(bytes, AT_LINK, record.link);
    get_text(bytes, AT_FOLDER, record.outputFolder);
    get_text(bytes, AT_PATH, record.outputPath);
    get_text(bytes, AT_PLAYLIST, record.playlistItems);
    record.duration = get_int(bytes, AT_DURATION);
    record.selectedChoice = get_int(bytes, AT_CHOICE);
    record.state = get_int(bytes, AT_STATE);
    record.subtitlesOnly = get_int(bytes, AT_SUBTITLES_ONLY);
    record.subtitleMode = get_int(bytes, AT_SUBTITLE_MODE);
}
