#include "app/shell/list_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/sys_string.h"
#include "base/text.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A record as the program writes it.
ListRecord sound_record(const wchar_t* link, const wchar_t* key = L"0123456789ABCDEF0123456789ABCDEF") {
    ListRecord r;
    std::memset(&r, 0, sizeof(r));
    text_copy(r.key, key);
    text_copy(r.link, link);
    text_copy(r.outputFolder, L"C:\\Users\\Ann\\Downloads");
    text_copy(r.outputPath, L"C:\\Users\\Ann\\Downloads\\clip.mp4");
    text_copy(r.playlistItems, L"1,3");
    r.duration = 212;
    r.selectedChoice = 2;
    r.state = STATE_DONE;
    r.subtitlesOnly = 0;
    r.subtitleMode = 1;
    return r;
}

Bytes encode(const ListRecord& r) {
    unsigned char bytes[LIST_RECORD_SIZE];
    encode_list_record(r, bytes);
    return Bytes(bytes, bytes + LIST_RECORD_SIZE);
}

void put_unit(Bytes& b, size_t at, uint16_t unit) {
    b[at] = static_cast<unsigned char>(unit & 0xFF);
    b[at + 1] = static_cast<unsigned char>(unit >> 8);
}

void put_int(Bytes& b, size_t at, int32_t value) {
    auto u = static_cast<uint32_t>(value);
    for (int k = 0; k < 4; ++k) {
        b[at + k] = static_cast<unsigned char>(u >> (8 * k));
    }
}

// Fills a text field (byte offset, units) to its very end without a zero.
void fill_field(Bytes& b, size_t at, size_t units) {
    for (size_t i = 0; i < units; ++i) {
        put_unit(b, at + 2 * i, 'a');
    }
}

struct Collected {
    std::vector<std::wstring> links;
    size_t stopAfter = 0;  // 0: never stop
};

bool collect(void* context, const ListRecord& record) {
    auto* c = static_cast<Collected*>(context);
    c->links.emplace_back(record.link);
    return c->stopAfter == 0 || c->links.size() < c->stopAfter;
}

// The bytes are read from a heap block of exactly their size, so that the
// sanitizers see any read past the end of the file.
ListRead read_exact(const Bytes& file, Collected& c) {
    std::unique_ptr<unsigned char[]> copy(new unsigned char[file.size() ? file.size() : 1]);
    if (!file.empty()) {
        std::memcpy(copy.get(), file.data(), file.size());
    }
    return read_list_records(copy.get(), file.size(), collect, &c);
}

std::wstring numbered_link(int i) {
    return L"https://example.com/watch?v=" + std::to_wstring(i);
}

TEST(ListRecordCheck, EachFieldIsChecked) {
    struct Case {
        const char* what;
        void (*damage)(Bytes&);
        RecordCheck expected;
    };
    const Case kCases[] = {
        {"as written", [](Bytes&) {}, RecordCheck::Good},
        {"empty key (hashing failed)", [](Bytes& b) { std::memset(&b[0], 0, 128); }, RecordCheck::Good},
        {"link of 2047 units", [](Bytes& b) { fill_field(b, 128, 2047); put_unit(b, 128 + 2 * 5, '.'); },
         RecordCheck::Good},
        {"every stored state", [](Bytes& b) { put_int(b, 5784, STATE_FILE_MISSING); }, RecordCheck::Good},
        {"key without zero", [](Bytes& b) { fill_field(b, 0, 64); }, RecordCheck::UnterminatedText},
        {"link without zero", [](Bytes& b) { fill_field(b, 128, 2048); }, RecordCheck::UnterminatedText},
        {"folder without zero", [](Bytes& b) { fill_field(b, 4224, 260); }, RecordCheck::UnterminatedText},
        {"path without zero", [](Bytes& b) { fill_field(b, 4744, 260); }, RecordCheck::UnterminatedText},
        {"playlist without zero", [](Bytes& b) { fill_field(b, 5264, 256); }, RecordCheck::UnterminatedText},
        {"key in lower case", [](Bytes& b) { put_unit(b, 20, 'b'); }, RecordCheck::BadKey},
        {"key of 31 digits", [](Bytes& b) { put_unit(b, 62, 0); }, RecordCheck::BadKey},
        {"key naming another folder",
         [](Bytes& b) {
             const char* up = "..\\..\\..\\Windows\\x";
             for (size_t i = 0; up[i]; ++i) {
                 put_unit(b, 2 * i, static_cast<uint16_t>(up[i]));
             }
         },
         RecordCheck::BadKey},
        {"empty link", [](Bytes& b) { put_unit(b, 128, 0); }, RecordCheck::BadLink},
        {"link with a space", [](Bytes& b) { put_unit(b, 128 + 2 * 10, ' '); }, RecordCheck::BadLink},
        {"negative duration", [](Bytes& b) { put_int(b, 5776, -1); }, RecordCheck::BadNumber},
        {"choice 64", [](Bytes& b) { put_int(b, 5780, 64); }, RecordCheck::BadNumber},
        {"choice -1", [](Bytes& b) { put_int(b, 5780, -1); }, RecordCheck::BadNumber},
        {"subtitles only 2", [](Bytes& b) { put_int(b, 5788, 2); }, RecordCheck::BadNumber},
        {"subtitle mode 4", [](Bytes& b) { put_int(b, 5792, 4); }, RecordCheck::BadNumber},
        {"state 1 (never stored)", [](Bytes& b) { put_int(b, 5784, STATE_INFO); }, RecordCheck::BadState},
        {"state 4 (never produced)", [](Bytes& b) { put_int(b, 5784, 4); }, RecordCheck::BadState},
        {"state 0x14000000", [](Bytes& b) { put_int(b, 5784, 0x14000000); }, RecordCheck::BadState},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Bytes b = encode(sound_record(L"https://example.com/watch?v=abc"));
        c.damage(b);
        ListRecord out;
        std::memset(&out, 0x5A, sizeof(out));
        EXPECT_EQ(read_list_record(b.data(), b.size(), out), c.expected);
        if (c.expected != RecordCheck::Good) {
            EXPECT_EQ(out.state, 0x5A5A5A5A) << "a refused record leaves the caller's alone";
        }
    }
    Bytes b = encode(sound_record(L"https://example.com/watch?v=abc"));
    ListRecord out;
    EXPECT_EQ(read_list_record(b.data(), LIST_RECORD_SIZE - 1, out), RecordCheck::Truncated);
    EXPECT_EQ(read_list_record(nullptr, 0, out), RecordCheck::Truncated);
}

TEST(ListFile, WrittenBottomUpAndRestoredInDisplayOrder) {
    std::vector<std::unique_ptr<DownloadRecord>> items;
    const wchar_t* links[] = {L"https://a.example/top", L"https://b.example/middle", L"https://c.example/bottom"};
    for (const wchar_t* link : links) {
        items.emplace_back(new DownloadRecord());
        items.back()->url = sys_string_new(link, text_length(link));
        items.back()->state = STATE_DONE;
        items.back()->info.duration = 61;
    }
    const DownloadRecord* display[] = {items[0].get(), items[1].get(), items[2].get()};
    Bytes file;
    build_list_bytes(display, 3, file);
    ASSERT_EQ(file.size(), 3 * LIST_RECORD_SIZE);

    Collected c;
    ListRead read = read_exact(file, c);
    EXPECT_EQ(read.taken, 3u);
    EXPECT_EQ(read.skipped, 0u);
    EXPECT_FALSE(read.truncatedTail);
    EXPECT_FALSE(read.cutShort);
    // File order is bottom first; putting each on top gives the display order back.
    ASSERT_EQ(c.links.size(), 3u);
    std::vector<std::wstring> restored;
    for (const std::wstring& link : c.links) {
        restored.insert(restored.begin(), link);
    }
    EXPECT_EQ(restored, (std::vector<std::wstring>{links[0], links[1], links[2]}));
    for (auto& item : items) {
        sys_string_free(item->url);
    }
}

TEST(ListFile, DamagedFilesKeepTheirGoodRecords) {
    Bytes good1 = encode(sound_record(L"https://one.example/v"));
    Bytes good2 = encode(sound_record(L"https://two.example/v"));
    Bytes bad = good1;
    put_int(bad, 5784, 99);
    std::mt19937 random(1234);
    Bytes garbage(3 * LIST_RECORD_SIZE);
    for (unsigned char& byte : garbage) {
        byte = static_cast<unsigned char>(random());
    }
    auto join = [](std::initializer_list<Bytes> parts) {
        Bytes all;
        for (const Bytes& p : parts) {
            all.insert(all.end(), p.begin(), p.end());
        }
        return all;
    };
    struct Case {
        const char* what;
        Bytes file;
        size_t taken;
        size_t skipped;
        bool truncatedTail;
    };
    const Case kCases[] = {
        {"empty file", {}, 0, 0, false},
        {"one byte short of a record", Bytes(good1.begin(), good1.end() - 1), 0, 0, true},
        {"two records", join({good1, good2}), 2, 0, false},
        {"two records and a torn third", join({good1, good2, Bytes(good1.begin(), good1.begin() + 4000)}), 2, 0,
         true},
        {"a bad record between good ones", join({good1, bad, good2}), 2, 1, false},
        {"random bytes", garbage, 0, 3, false},
        {"random bytes after a good record", join({good1, garbage}), 1, 3, false},
        {"zeros", Bytes(2 * LIST_RECORD_SIZE, 0), 0, 2, false},
        {"text where records belong", Bytes(LIST_RECORD_SIZE + 17, 'x'), 0, 1, true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Collected collected;
        ListRead read = read_exact(c.file, collected);
        EXPECT_EQ(read.taken, c.taken);
        EXPECT_EQ(collected.links.size(), c.taken);
        EXPECT_EQ(read.skipped, c.skipped);
        EXPECT_EQ(read.truncatedTail, c.truncatedTail);
    }
}

TEST(ListFile, TruncatedAnywhereKeepsTheWholeRecordsBeforeTheCut) {
    Bytes file = encode(sound_record(L"https://one.example/v"));
    Bytes second = encode(sound_record(L"https://two.example/v"));
    file.insert(file.end(), second.begin(), second.end());
    // Every field boundary and a spread of offsets inside the fields.
    std::vector<size_t> cuts = {0, 1, 127, 128, 129, 4223, 4224, 5775, 5776, 5795, 5796, 5797, 11591, 11592};
    for (size_t cut = 3; cut < file.size(); cut += 251) {
        cuts.push_back(cut);
    }
    for (size_t cut : cuts) {
        SCOPED_TRACE(cut);
        Collected c;
        ListRead read = read_exact(Bytes(file.begin(), file.begin() + cut), c);
        EXPECT_EQ(read.taken, cut / LIST_RECORD_SIZE);
        EXPECT_EQ(read.truncatedTail, cut % LIST_RECORD_SIZE != 0);
        EXPECT_EQ(read.skipped, 0u);
    }
}

TEST(ListFile, OversizedFilesGiveAFullListAndStop) {
    Bytes file;
    for (int i = 0; i < 300; ++i) {
        std::wstring link = numbered_link(i);
        Bytes r = encode(sound_record(link.c_str()));
        file.insert(file.end(), r.begin(), r.end());
    }
    Collected c;
    ListRead read = read_exact(file, c);
    EXPECT_EQ(read.taken, MAX_LIST_ITEMS);
    EXPECT_TRUE(read.cutShort);
    ASSERT_EQ(c.links.size(), MAX_LIST_ITEMS);
    EXPECT_EQ(c.links.front(), numbered_link(0));
    EXPECT_EQ(c.links.back(), numbered_link(254));

    // Beyond the scan limit nothing is read, whatever the file's length.
    Bytes huge(LIST_SCAN_BYTES + 3 * LIST_RECORD_SIZE, 0xFF);
    Bytes r = encode(sound_record(L"https://first.example/v"));
    std::memcpy(huge.data(), r.data(), r.size());
    std::memcpy(huge.data() + LIST_SCAN_BYTES, r.data(), r.size());
    Collected h;
    read = read_exact(huge, h);
    EXPECT_EQ(read.taken, 1u);
    EXPECT_EQ(read.skipped, LIST_SCAN_RECORDS - 1);
    EXPECT_TRUE(read.cutShort);

    // The receiver may stop early.
    Collected two;
    two.stopAfter = 2;
    read = read_exact(file, two);
    EXPECT_EQ(read.taken, 2u);
    EXPECT_TRUE(read.cutShort);
}

TEST(ListFile, StoredStateKeepsARestoredOutcomeUntilItIsReplayed) {
    struct Case {
        const char* what;
        ItemState restored;
        unsigned documents;
        ItemState state;
        ItemState stored;
    };
    const Case kCases[] = {
        {"new link loading", STATE_LOADING, 0, STATE_LOADING, STATE_LOADING},
        {"new link downloading", STATE_LOADING, 1, STATE_DOWNLOADING, STATE_DOWNLOADING},
        {"new link failed", STATE_LOADING, 0, STATE_FAILED, STATE_FAILED},
        {"restored done, still loading", STATE_DONE, 0, STATE_LOADING, STATE_DONE},
        {"restored done, metadata failed offline", STATE_DONE, 0, STATE_FAILED, STATE_DONE},
        {"restored missing, still loading", STATE_FILE_MISSING, 0, STATE_LOADING, STATE_FILE_MISSING},
        {"restored done, replay on its way", STATE_DONE, 1, STATE_READY, STATE_DONE},
        {"restored done, replayed", STATE_DONE, 1, STATE_DONE, STATE_DONE},
        {"restored done, file gone since", STATE_DONE, 1, STATE_FILE_MISSING, STATE_FILE_MISSING},
        {"restored download, restarted", STATE_DOWNLOADING, 1, STATE_DOWNLOADING, STATE_DOWNLOADING},
        {"restored download, now done", STATE_DOWNLOADING, 1, STATE_DONE, STATE_DONE},
        {"restored failure, click on its way", STATE_FAILED, 1, STATE_LOADING, STATE_FAILED},
        {"restored failure, download failed again", STATE_FAILED, 1, STATE_FAILED, STATE_FAILED},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<DownloadRecord> item(new DownloadRecord());
        item->restoredState = c.restored;
        item->documentsReceived = c.documents;
        item->state = c.state;
        EXPECT_EQ(state_to_store(*item), c.stored);
        ListRecord record;
        list_record_of(*item, record);
        EXPECT_EQ(record.state, c.stored);
    }
}

}  // namespace
