#include "app/tools/metadata_output.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/utf.h"
#include "tests/test_support.h"

namespace {

// A record and a collector, with the posted states and the cache copy kept.
struct Collector {
    std::unique_ptr<DownloadRecord> item{new DownloadRecord()};
    MetadataOutput output = {};
    std::vector<ItemState> posted;
    std::string cache;

    Collector() {
        item->dubbedChoice = NO_DUBBED_CHOICE;
        EXPECT_TRUE(prepare_metadata_output(output));
        output.userLanguage = L"en";
        output.cacheFile = &cache;
        output.writeCache = [](void* file, const char* bytes, uint32_t length) {
            static_cast<std::string*>(file)->append(bytes, length);
            return true;
        };
        output.postState = [](DownloadRecord& record, ItemState state) {
            // The record is the first member-wise base of the fixture's item.
            (void)record;
            last_posted().push_back(state);
        };
        last_posted().clear();
    }
    ~Collector() {
        release_metadata_output(output);
        free_playlist_entries(*item);
        free_video_info(item->info);
    }
    static std::vector<ItemState>& last_posted() {
        static std::vector<ItemState> states;
        return states;
    }
    // Feeds the bytes in chunks; returns false when the collector stopped.
    bool feed(const std::string& bytes, size_t chunk = 0) {
        if (chunk == 0) {
            chunk = bytes.size();
        }
        uint32_t before = 0;
        for (size_t at = 0; at < bytes.size(); at += chunk) {
            std::string piece = bytes.substr(at, chunk);  // a zero byte follows, as the runner gives it
            if (!collect_metadata_output(piece.c_str(), static_cast<uint32_t>(piece.size()), before, &output, 0,
                                         item.get())) {
                return false;
            }
            before += static_cast<uint32_t>(piece.size());
        }
        return true;
    }
    std::string error() const { return wide_to_utf8(item->errorText); }
};

TEST(CollectMetadataOutput, RecordedOutputWholeAndInPieces) {
    struct Case {
        const char* fixture;
        bool completes;
        unsigned documents;
        const char* error;
    };
    const Case kCases[] = {
        {"ytdlp-j-direct-mp4.out", true, 1, ""},
        {"ytdlp-j-hls-master.out", true, 1, ""},
        {"ytdlp-j-dash.out", true, 1, ""},  // a WARNING line first
        {"ytdlp-j-html-multi-playlist.out", true, 3, ""},
        {"ytdlp-j-404.out", false, 0,
         "ERROR: [generic] None: Unable to download webpage: HTTP Error 404: File not found (caused by "
         "<HTTPError 404: 'File not found'>); "},
        {"ytdlp-j-html-text-unsupported.out", false, 0, "ERROR: Unsupported URL: http://127.0.0.1:8765/pages/text.html"},
    };
    for (const Case& c : kCases) {
        for (size_t chunk : {size_t(0), size_t(4096), size_t(13)}) {
            SCOPED_TRACE(std::string(c.fixture) + " in chunks of " + std::to_string(chunk));
            std::string bytes = read_test_file(std::string("fixtures/") + c.fixture);
            Collector k;
            bool completed = k.feed(bytes, chunk);
            if (chunk == 0 || c.completes) {  // small chunks may see the error line only in pieces
                EXPECT_EQ(completed, c.completes);
                EXPECT_EQ(k.error(), c.error);
            }
            EXPECT_EQ(k.item->documentsReceived.load(), c.documents);
            EXPECT_EQ(k.last_posted().size(), c.documents);  // one STATE_INFO per document
            if (c.completes) {
                EXPECT_EQ(k.cache, bytes);  // the raw output, unchanged
            }
        }
    }
}

TEST(CollectMetadataOutput, PlaylistEntriesArriveOneByOne) {
    std::string bytes = read_test_file("fixtures/ytdlp-j-html-multi-playlist.out");
    Collector k;
    k.item->selectAll = 1;
    ASSERT_TRUE(k.feed(bytes));
    ASSERT_EQ(k.item->documentsReceived.load(), 3u);
    EXPECT_EQ(k.item->playlistCount, 3u);
    ASSERT_NE(k.item->playlistEntries, nullptr);
    for (uint32_t i = 0; i < 3; ++i) {
        const PlaylistEntry& e = k.item->playlistEntries[i];
        EXPECT_EQ(e.playlistIndex, i + 1);
        EXPECT_EQ(e.selected, 1u);
        EXPECT_EQ(wide_to_utf8(e.title), "Three clips on one page (" + std::to_string(i + 1) + ")");
        EXPECT_EQ(wide_to_utf8(e.id), "multi-" + std::to_string(i + 1));
    }
    EXPECT_EQ(k.item->playlistEntries[3].playlistIndex, 0u);  // the end of the list
}

TEST(CollectMetadataOutput, LinesAndTheirEdges) {
    const std::string doc = R"j({"id":"v","title":"T","format_id":"mp4","ext":"mp4"})j";
    struct Case {
        const char* name;
        std::string output;
        unsigned documents;
    };
    const Case kCases[] = {
        {"a warning holding a brace before the document", "WARNING: odd {brace} here\n" + doc + "\n", 1},
        {"no final line end: never handed over", doc, 0},
        {"two bytes are no document", "{}\n", 0},
        {"CR ends a line too", doc + "\r", 1},
        {"a broken line, then a good one", "{\"title\": \n" + doc + "\n", 1},
        {"text before the brace on the same line", "junk " + doc + "\n", 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Collector k;
        EXPECT_TRUE(k.feed(c.output));
        EXPECT_EQ(k.item->documentsReceived.load(), c.documents);
    }
}

TEST(CollectMetadataOutput, MessagesAroundTheDocuments) {
    struct Case {
        const char* name;
        std::string output;
        const char* password;
        bool completes;
        int login;
        int passwordNeeded;
        const char* error;
    };
    const std::string doc = R"j({"id":"v","title":"T","format_id":"mp4","ext":"mp4"})j";
    const Case kCases[] = {
        {"sign in: the marker, then the line itself",
         "ERROR: [youtube] abc: Sign in to confirm your age. This video may be inappropriate for some users. "
         "Use --cookies-from-browser or --cookies for the authentication.\n",
         "", false, 1, 0,
         "ERROR: [youtube] abc: Sign in to confirm your age. This video may be inappropriate for some users. "
         "Use --cookies-from-browser or --cookies for the authentication."},
        {"a password the site wants", "ERROR: [vimeo] 1: This video is protected by a password, use the --video-password option\n",
         "", false, 0, 1, "ERROR: [vimeo] 1: This video is protected by a password, use the --video-password option"},
        {"a wrong password", "ERROR: [vimeo] 1: Wrong password\n", "secret", false, 0, 1, "ERROR: [vimeo] 1: Wrong password"},
        {"password without one typed", "ERROR: [vimeo] 1: Wrong password\n", "", false, 0, 0,
         "ERROR: [vimeo] 1: Wrong password"},
        {"HTTP 401 in any case", "ERROR: http error 401: Unauthorized\n", "", false, 1, 0,
         "ERROR: http error 401: Unauthorized"},
        {"an error after a document keeps reading", doc + "\nERROR: [generic] entry 2 unavailable\n", "", true, 0, 0,
         "ERROR: [generic] entry 2 unavailable"},
        {"plain error", "ERROR: Unable to extract title; please report this issue on https://x\n", "", false, 0, 0,
         "ERROR: Unable to extract title; "},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Collector k;
        utf8_to_utf16(c.password, std::strlen(c.password), k.item->videoPassword, 256);
        EXPECT_EQ(k.feed(c.output), c.completes);
        EXPECT_EQ(k.item->loginNeeded.load(), c.login);
        EXPECT_EQ(k.item->passwordNeeded.load(), c.passwordNeeded);
        EXPECT_EQ(k.item->loginDuringDownload.load(), 0);
        EXPECT_EQ(k.error(), c.error);
    }
}

TEST(CollectMetadataOutput, LongErrorsAreCutBeforeACharacter) {
    // 252 bytes, then two characters of three bytes: the first ends at byte 255.
    std::string message = "ERROR: " + std::string(245, 'x') + "\xE6\x97\xA5\xE6\x9C\xAC" + "tail\n";
    Collector k;
    EXPECT_FALSE(k.feed(message));
    std::string error = k.error();
    EXPECT_EQ(error, "ERROR: " + std::string(245, 'x') + "\xE6\x97\xA5");  // the second would be split
}

TEST(CollectMetadataOutput, LargeDocumentsPlaylistLimitAndAbort) {
    // A line beyond the first megabyte grows the buffer.
    std::string big = R"j({"id":"v","title":"T","format_id":"mp4","ext":"mp4","padding":")j" + std::string(1536 * 1024, 'p') +
                      "\"}\n";
    Collector large;
    EXPECT_TRUE(large.feed(big, 65536));
    EXPECT_EQ(large.item->documentsReceived.load(), 1u);

    std::string playlist;
    for (int i = 1; i <= 300; ++i) {
        playlist += R"j({"id":"e)j" + std::to_string(i) + R"j(","title":"Entry","n_entries":300,"playlist_index":)j" +
                    std::to_string(i) + "}\n";
    }
    Collector many;
    many.feed(playlist);
    EXPECT_EQ(many.item->documentsReceived.load(), static_cast<unsigned>(MAX_PLAYLIST_ENTRIES));
    EXPECT_EQ(many.item->playlistEntries[255].playlistIndex, 256u);

    Collector stopped;
    stopped.item->abortMetadata = 1;
    EXPECT_FALSE(stopped.feed(playlist));
    EXPECT_EQ(stopped.item->documentsReceived.load(), 0u);
}

TEST(CollectMetadataOutput, GarbageNeverHurts) {
    std::string noise(200000, '\0');
    for (size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<char>((i * 2654435761u) >> 11);
    }
    Collector k;
    k.feed(noise, 7);
    k.feed(noise);
    EXPECT_EQ(k.item->documentsReceived.load(), 0u);
}

}  // namespace
