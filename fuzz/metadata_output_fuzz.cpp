// collect_metadata_output on arbitrary tool output cut into chunks, as the
// metadata job hands it over from the pipe or the cache: whatever the bytes,
// the counts stay within their limits, the texts stay terminated inside
// their fields, and the line buffer keeps its zero byte.
//
// Input: byte 0 chooses the chunk size (0: the whole rest at once, else 1 to
// 255 bytes), byte 1 the item (bit 0 a video password typed, bit 1 "Select
// all"); the rest is the output.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/tools/metadata_output.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    size_t chunk = data[0];
    uint8_t flags = data[1];
    const char* bytes = reinterpret_cast<const char*>(data + 2);
    size_t length = size - 2;
    if (chunk == 0) {
        chunk = length ? length : 1;
    }

    std::unique_ptr<DownloadRecord> item(new DownloadRecord());
    item->dubbedChoice = NO_DUBBED_CHOICE;
    item->selectAll = (flags & 2) ? 1 : 0;
    if (flags & 1) {
        item->videoPassword[0] = L'x';
    }
    MetadataOutput output = {};
    output.userLanguage = L"de";
    require(prepare_metadata_output(output), "line buffer");

    uint32_t before = 0;
    for (size_t at = 0; at < length; at += chunk) {
        size_t n = length - at < chunk ? length - at : chunk;
        // The runner's chunks are followed by a zero byte; so are these.
        std::unique_ptr<char[]> piece(new char[n + 1]);
        std::memcpy(piece.get(), bytes + at, n);
        piece[n] = 0;
        int more = collect_metadata_output(piece.get(), static_cast<uint32_t>(n), before, &output, 0, item.get());
        require(output.length <= output.capacity, "line within its buffer");
        require(output.capacity <= METADATA_LINE_LIMIT, "line buffer limit");
        require(output.line[output.length] == 0, "line terminated");
        if (!more) {
            break;
        }
        before += static_cast<uint32_t>(n);
    }
    require(item->documentsReceived <= static_cast<unsigned>(MAX_PLAYLIST_ENTRIES), "at most 256 documents");
    require(item->info.formatCount <= MAX_FORMATS, "at most 64 choices");
    require_terminated(item->errorText, "error text terminated");
    require(item->loginNeeded == 0 || item->loginNeeded == 1, "login flag");
    require(item->passwordNeeded == 0 || item->passwordNeeded == 1, "password flag");
    if (item->documentsReceived > 1) {
        require(item->playlistEntries != nullptr, "entries for a playlist");
    }

    release_metadata_output(output);
    free_playlist_entries(*item);
    free_video_info(item->info);
    return 0;
}
