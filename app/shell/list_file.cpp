#include "app/shell/list_file.h"

#include <cstring>

#include "base/text.h"

namespace {

// The text fields of a record: byte offset and size in UTF-16 units.
struct TextField {
    size_t at;
    size_t units;
};
constexpr TextField kTextFields[] = {
    {0, 64},       // key
    {128, 2048},   // link
    {4224, 260},   // output folder
    {4744, 260},   // output path
    {5264, 256},   // playlist items
};

bool terminated(const unsigned char* bytes, const TextField& field) {
    for (size_t i = 0; i < field.units; ++i) {
        size_t at = field.at + 2 * i;
        if (bytes[at] == 0 && bytes[at + 1] == 0) {
            return true;
        }
    }
    return false;
}

bool is_upper_hex(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F');
}

// Empty (hashing failed when the item was made) or 32 upper-case hex digits.
// The key names cache files, so nothing else may come back as one.
bool key_ok(const wchar_t* key) {
    size_t n = text_length(key);
    if (n == 0) {
        return true;
    }
    if (n != 32) {
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        if (!is_upper_hex(key[i])) {
            return false;
        }
    }
    return true;
}

bool state_ok(int32_t state) {
    switch (state) {
    case STATE_LOADING:
    case STATE_READY:
    case STATE_DOWNLOADING:
    case STATE_DONE:
    case STATE_FILE_MISSING:
    case STATE_FAILED:
        return true;
    default:
        return false;  // 1 is an event only, 4 is never produced
    }
}

}  // namespace

RecordCheck read_list_record(const unsigned char* bytes, size_t available, ListRecord& record) {
    if (!bytes || available < LIST_RECORD_SIZE) {
        return RecordCheck::Truncated;
    }
    for (const TextField& field : kTextFields) {
        if (!terminated(bytes, field)) {
            return RecordCheck::UnterminatedText;
        }
    }
    // Checked in a record of its own, so that a refused record leaves the
    // caller's untouched.
    ListRecord read;
    decode_list_record(bytes, read);
    if (!key_ok(read.key)) {
        return RecordCheck::BadKey;
    }
    if (!check_link(read.link)) {
        return RecordCheck::BadLink;
    }
    if (read.duration < 0 || read.selectedChoice < 0 || read.selectedChoice >= static_cast<int32_t>(MAX_FORMATS) ||
        (read.subtitlesOnly != 0 && read.subtitlesOnly != 1) || read.subtitleMode < 0 || read.subtitleMode > 3) {
        return RecordCheck::BadNumber;
    }
    if (!state_ok(read.state)) {
        return RecordCheck::BadState;
    }
    std::memcpy(&record, &read, sizeof(record));
    return RecordCheck::Good;
}

ListRead read_list_records(const unsigned char* data, size_t size, TakeListRecord take, void* context) {
    ListRead result = {};
    if (!data) {
        return result;
    }
    size_t limit = size < LIST_SCAN_BYTES ? size : LIST_SCAN_BYTES;
    ListRecord record;
    size_t at = 0;
    for (; at < limit; at += LIST_RECORD_SIZE) {
        if (result.taken >= MAX_LIST_ITEMS) {
            break;
        }
        RecordCheck check = read_list_record(data + at, size - at, record);
        if (check == RecordCheck::Truncated) {
            result.truncatedTail = true;
            at = size;
            break;
        }
        if (check != RecordCheck::Good) {
            ++result.skipped;
            continue;
        }
        ++result.taken;
        if (take && !take(context, record)) {
            at += LIST_RECORD_SIZE;
            break;
        }
    }
    result.cutShort = at < size;
    return result;
}

ItemState state_to_store(const DownloadRecord& item) {
    ItemState stored = item.restoredState;
    if (stored == STATE_LOADING) {
        return item.state;
    }
    // The first document replays the stored outcome (it posts the state or a
    // click of the main button); before it, and while that replay is on its
    // way (the state still reads loading or ready), the stored one holds.
    if (item.documentsReceived == 0 || item.state == STATE_LOADING || item.state == STATE_READY) {
        return stored;
    }
    return item.state;
}

void list_record_of(const DownloadRecord& item, ListRecord& record) {
    item_to_record(item, record);
    record.state = state_to_store(item);
}

void build_list_bytes(const DownloadRecord* const* items, size_t count, std::vector<unsigned char>& bytes) {
    if (count > MAX_LIST_ITEMS) {
        count = MAX_LIST_ITEMS;
    }
    bytes.resize(count * LIST_RECORD_SIZE);
    ListRecord record;
    unsigned char* out = bytes.data();
    for (size_t i = count; i-- > 0;) {
        list_record_of(*items[i], record);
        encode_list_record(record, *reinterpret_cast<unsigned char(*)[LIST_RECORD_SIZE]>(out));
        out += LIST_RECORD_SIZE;
    }
}
