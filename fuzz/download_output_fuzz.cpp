// handle_download_output on arbitrary tool output, cut into chunks: whatever
// the bytes, the item's texts stay terminated inside their fields with every
// surrogate paired, and the numbers and flags keep their meaning.
//
// Input: byte 0 chooses the chunk size (0: the whole rest at once, else 1 to
// 255 bytes), byte 1 the item (bit 0 a playlist, bit 1 subtitles only, bit 2
// a live source, bit 3 a known duration, bit 4 a video password, bit 5 the
// German interface, bit 6 no translation table yet); the rest is the output.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>

#include "app/tools/output_parser.h"
#include "base/text.h"
#include "ui/locale_format.h"
#include "ui/translation.h"

namespace {

const char GERMAN[] =
    "KB=KB\r\nMB=MB\r\nGB=GB\r\nTB=TB\r\nDownloading...=Wird heruntergeladen...\r\n"
    "Processing files...=Dateien werden verarbeitet...\r\nDownloading video=Lade Video\r\nof=von\r\n"
    "Live recording=Live-Aufnahme\r\n1 min left=noch 1 Min.\r\nN min left=noch {n} Min.\r\n"
    "1 sec left=noch 1 Sek.\r\nN sec left=noch {n} Sek.\r\n";

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void require(bool condition, const char* what) {
    if (!condition) {
        broken(what);
    }
}

// UTF-16 code units (wchar_t is wider off Windows) with every surrogate paired.
void check_units(const wchar_t* text, size_t units, const char* field) {
    for (size_t i = 0; i < units; ++i) {
        auto u = static_cast<uint32_t>(text[i]);
        if (u > 0xFFFF) {
            broken(field);
        }
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 >= units) {
                broken(field);
            }
            auto low = static_cast<uint32_t>(text[i + 1]);
            if (low < 0xDC00 || low > 0xDFFF) {
                broken(field);
            }
            ++i;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            broken(field);
        }
    }
}

template <size_t N>
size_t check_fixed(const wchar_t (&text)[N], const char* field) {
    const wchar_t* end = std::wmemchr(text, 0, N);
    if (!end) {
        std::fprintf(stderr, "field %s has no terminator within %zu units\n", field, N);
        broken("fixed text field not terminated");
    }
    check_units(text, static_cast<size_t>(end - text), field);
    return static_cast<size_t>(end - text);
}

TranslationTable* table(bool german) {
    static TranslationTable* english = static_cast<TranslationTable*>(std::calloc(1, sizeof(TranslationTable)));
    static TranslationTable* germanTable = [] {
        auto* t = static_cast<TranslationTable*>(std::calloc(1, sizeof(TranslationTable)));
        parse_translation(*t, GERMAN, sizeof(GERMAN) - 1);
        return t;
    }();
    return german ? germanTable : english;
}

void check(const DownloadRecord& item, const ProgressParseState& state) {
    check_fixed(item.statusText, "statusText");
    check_fixed(item.phaseText, "phaseText");
    check_fixed(item.timeLeftText, "timeLeftText");
    size_t errorLength = check_fixed(item.errorText, "errorText");
    check_fixed(item.outputPath, "outputPath");
    check_fixed(state.line1, "line1");
    check_fixed(state.line2, "line2");
    check_fixed(state.processingText, "processingText");
    check_fixed(state.videoWord, "videoWord");
    check_fixed(state.ofWord, "ofWord");
    require(state.statusFirst == STATUS_LINE1 || state.statusFirst == STATUS_PROCESSING, "statusFirst");
    require(state.statusSecond == STATUS_NONE || state.statusSecond == STATUS_LINE2, "statusSecond");
    require(state.openLength <= OPEN_LINE_CAPACITY, "open line beyond its buffer");
    require(state.subtitleWritten <= 1, "subtitleWritten is a flag");

    // Only ffmpeg's time against a known duration may read above 100.
    unsigned percent = item.percent;
    require(percent <= 100 || percent == PERCENT_UNKNOWN || state.duration != 0, "percent above 100");
    require(item.info.duration == state.duration, "the item's duration and the state's differ");

    require(errorLength == 0 || text_starts_with(item.errorText, L"ERROR: "), "errorText not an error line");
    int login = item.loginNeeded;
    int password = item.passwordNeeded;
    int during = item.loginDuringDownload;
    require(login <= 1 && password <= 1 && during == (login | password), "sign-in and password flags");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    size_t chunk = data[0];
    uint8_t flags = data[1];
    const char* bytes = reinterpret_cast<const char*>(data + 2);
    size -= 2;

    bool german = flags & 0x20;
    set_interface_language(german ? 0x0407 : 0x0409);
    g_translation = (flags & 0x40) ? nullptr : table(german);

    std::unique_ptr<DownloadRecord> item(new DownloadRecord());
    item->playlistCount = (flags & 0x01) ? 5 : 0;
    item->subtitlesOnly = (flags & 0x02) ? 1 : 0;
    item->info.isLive = (flags & 0x04) ? 1 : 0;
    item->info.duration = (flags & 0x08) ? 100 : 0;
    if (flags & 0x10) {
        text_copy(item->videoPassword, L"secret");
    }
    item->percent = PERCENT_UNKNOWN;
    std::unique_ptr<ProgressParseState> state(new ProgressParseState());
    prepare_progress_state(*state, *item);

    size_t step = chunk ? chunk : (size ? size : 1);
    uint32_t before = 0;
    for (size_t at = 0; at < size; at += step) {
        size_t n = size - at < step ? size - at : step;
        // An exact-size block with the zero byte the runner puts after each
        // chunk: a read past it is an AddressSanitizer report.
        std::unique_ptr<char[]> piece(new char[n + 1]);
        std::memcpy(piece.get(), bytes + at, n);
        piece[n] = 0;
        int result = handle_download_output(piece.get(), static_cast<uint32_t>(n), before, state.get(), 0, item.get());
        require(result == 1, "the handler asked to stop the tool");
        before += static_cast<uint32_t>(n);
        check(*item, *state);
    }
    check(*item, *state);
    g_translation = nullptr;
    return 0;
}
