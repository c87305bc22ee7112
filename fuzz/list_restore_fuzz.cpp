// read_list_records on arbitrary bytes as a list file: whatever the file
// holds, only records that keep the list's promises come back (texts
// terminated inside their fields, the key a key, the link a link, the numbers
// and the state in range), never more than the list holds, nothing is read
// past the file's end, and every record that comes back survives being
// written and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <vector>

#include "app/shell/list_file.h"
#include "base/text.h"

namespace {

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void require(bool condition, const char* what) {
    if (!condition) {
        broken(what);
    }
}

template <size_t N>
void require_terminated(const wchar_t (&text)[N], const char* what) {
    require(std::wmemchr(text, 0, N) != nullptr, what);
}

bool same_record(const ListRecord& a, const ListRecord& b) {
    return text_equal(a.key, b.key) && text_equal(a.link, b.link) && text_equal(a.outputFolder, b.outputFolder) &&
           text_equal(a.outputPath, b.outputPath) && text_equal(a.playlistItems, b.playlistItems) &&
           a.duration == b.duration && a.selectedChoice == b.selectedChoice && a.state == b.state &&
           a.subtitlesOnly == b.subtitlesOnly && a.subtitleMode == b.subtitleMode;
}

struct Taken {
    std::vector<std::unique_ptr<ListRecord>> records;
};

bool take(void* context, const ListRecord& record) {
    require_terminated(record.key, "key terminated");
    require_terminated(record.link, "link terminated");
    require_terminated(record.outputFolder, "folder terminated");
    require_terminated(record.outputPath, "path terminated");
    require_terminated(record.playlistItems, "playlist items terminated");
    size_t keyLength = text_length(record.key);
    require(keyLength == 0 || keyLength == 32, "key length");
    for (size_t i = 0; i < keyLength; ++i) {
        wchar_t c = record.key[i];
        require((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'), "key digits");
    }
    require(check_link(record.link), "link passes the link check");
    require(record.duration >= 0, "duration");
    require(record.selectedChoice >= 0 && record.selectedChoice < 64, "choice");
    require(record.subtitlesOnly == 0 || record.subtitlesOnly == 1, "subtitles only");
    require(record.subtitleMode >= 0 && record.subtitleMode <= 3, "subtitle mode");
    require(record.state == 0 || record.state == 2 || record.state == 3 || record.state == 5 || record.state == 6 ||
                record.state == 20,
            "stored state");
    auto* taken = static_cast<Taken*>(context);
    taken->records.emplace_back(new ListRecord(record));
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // libFuzzer's buffer is exactly size bytes: a read past it is reported.
    Taken taken;
    ListRead read = read_list_records(data, size, take, &taken);
    require(read.taken == taken.records.size(), "count of records handed over");
    require(read.taken <= MAX_LIST_ITEMS, "at most a full list");
    require((read.taken + read.skipped) * LIST_RECORD_SIZE <= size, "whole records only");
    if (!read.cutShort) {
        require(read.truncatedTail == (size % LIST_RECORD_SIZE != 0), "a torn tail is noticed");
    }

    // Written again as the program writes its records, every one reads back
    // the same, and a file of them loses none.
    std::vector<unsigned char> file(taken.records.size() * LIST_RECORD_SIZE);
    for (size_t i = 0; i < taken.records.size(); ++i) {
        unsigned char bytes[LIST_RECORD_SIZE];
        encode_list_record(*taken.records[i], bytes);
        std::memcpy(file.data() + i * LIST_RECORD_SIZE, bytes, LIST_RECORD_SIZE);
        auto again = std::make_unique<ListRecord>();
        require(read_list_record(bytes, LIST_RECORD_SIZE, *again) == RecordCheck::Good, "written record reads back");
        require(same_record(*again, *taken.records[i]), "written record unchanged");
    }
    Taken second;
    ListRead reread = read_list_records(file.data(), file.size(), take, &second);
    require(reread.taken == taken.records.size() && reread.skipped == 0 && !reread.truncatedTail,
            "a file of sound records comes back whole");
    return 0;
}
