#include "app/items/item_rules.h"

#include <gtest/gtest.h>

#include <memory>

#include "base/sys_string.h"
#include "base/text.h"
#include "base/utf.h"

namespace {

TEST(Links, CheckAndNormalise) {
    struct Case {
        const wchar_t* text;
        const wchar_t* link;  // empty: not a link
    };
    const Case kCases[] = {
        {L"https://www.youtube.com/watch?v=abc", L"https://www.youtube.com/watch?v=abc"},
        {L"  \r\n youtu.be/abc \t\n", L"https://youtu.be/abc"},
        {L"example.com/a\nb", L"https://example.com/a\nb"},  // inner line breaks stay: one link
        {L"ftp://host.example/file", L"ftp://host.example/file"},
        {L"two words.com", L""},
        {L"C:\\videos\\a.mp4", L""},
        {L"no dot here", L""},
        {L"localhost", L""},
        {L"", L""},
        {L" \r\n\t", L""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(wide_to_utf8(c.text));
        wchar_t out[LINK_CAPACITY];
        EXPECT_EQ(normalise_link(c.text, out), c.link[0] != 0);
        EXPECT_STREQ(out, c.link);
        EXPECT_EQ(check_link(c.text), c.link[0] != 0);
    }
    std::wstring huge = L"https://example.com/" + std::wstring(3000, L'a');
    wchar_t out[LINK_CAPACITY];
    EXPECT_TRUE(normalise_link(huge.c_str(), out));
    EXPECT_EQ(text_length(out), LINK_CAPACITY - 1);
}

TEST(VideoId, TheVParameterOnly) {
    struct Case {
        const wchar_t* link;
        const wchar_t* id;
    };
    const Case kCases[] = {
        {L"https://www.youtube.com/watch?v=abc&t=5", L"abc"},
        {L"https://www.youtube.com/watch?list=PL1&V=xyz", L"xyz"},
        {L"https://example.com/?xv=1", L""},
        {L"https://example.com/?xv=1&v=real", L"real"},
        {L"v=first", L"first"},
        {L"https://example.com/v=path?q", L"path"},
        {L"https://example.com/watch?v=&v=second", L"second"},
        {L"https://example.com/", L""},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(video_id_of(c.link), c.id) << wide_to_utf8(c.link);
    }
    EXPECT_EQ(video_id_of((L"?v=" + std::wstring(100, L'x')).c_str()).size(), 63u);
}

TEST(CleanErrorText, HintsAboutOptionsAreCut) {
    struct Case {
        const wchar_t* error;
        const wchar_t* shown;
    };
    const Case kCases[] = {
        {L"ERROR: [vimeo] 1: This video is protected by a password. Use the --video-password option",
         L"ERROR: [vimeo] 1: This video is protected by a password"},
        {L"ERROR: [youtube] x: Sign in to confirm your age. Use --cookies-from-browser or --cookies",
         L"ERROR: [youtube] x: Sign in to confirm your age"},
        {L"ERROR: protected, use --video-password to watch", L"ERROR: protected"},
        {L"ERROR: Wrong password:  ; use the --video-password option", L"ERROR: Wrong password"},
        {L"ERROR: nothing to cut.", L"ERROR: nothing to cut."},
        {L"", L""},
    };
    for (const Case& c : kCases) {
        wchar_t out[256];
        clean_error_text(c.error, out);
        EXPECT_STREQ(out, c.shown);
    }
}

TEST(ProgressStatusText, PhaseFirstThenStatusWithPercent) {
    std::unique_ptr<DownloadRecord> item(new DownloadRecord());
    wchar_t out[256];
    text_copy(item->statusText, L"Downloading... ");
    item->percent = 45;
    progress_status_text(*item, out);
    EXPECT_STREQ(out, L"Downloading... 45%");
    item->percent = PERCENT_UNKNOWN;
    progress_status_text(*item, out);
    EXPECT_STREQ(out, L"Downloading... ");
    text_copy(item->phaseText, L"1.23 MB/s - 5.6 MB of 12 MB, 5 sec left");
    progress_status_text(*item, out);
    EXPECT_STREQ(out, L"1.23 MB/s - 5.6 MB of 12 MB, 5 sec left");
}

TEST(ListRecord, BytesAsStoredAndBack) {
    std::unique_ptr<DownloadRecord> item(new DownloadRecord());
    std::wstring link = L"https://example.com/\u00e9" + std::wstring(3000, L'a');
    item->url = sys_string_new(link.c_str(), link.size());
    text_copy(item->key, L"0123456789ABCDEF0123456789ABCDEF");
    text_copy(item->outputFolder, L"C:\\Out");
    text_copy(item->outputPath, L"C:\\Out\\clip.mp4");
    text_copy(item->playlistItems, L"1-3,5");
    item->info.duration = 212;
    item->selectedChoice = 2;
    item->state = STATE_DONE;
    item->subtitlesOnly = 1;
    item->subtitleMode = 3;
    ListRecord record;
    item_to_record(*item, record);
    unsigned char bytes[LIST_RECORD_SIZE];
    encode_list_record(record, bytes);

    EXPECT_EQ(bytes[0], '0');
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[128 + 2 * 20], 0xE9);  // the link starts at byte 128, UTF-16LE
    EXPECT_EQ(bytes[128 + 2 * 20 + 1], 0);
    EXPECT_EQ(bytes[128 + 4092], 'a');      // 2047 units of the link, then its zero
    EXPECT_EQ(bytes[128 + 4094], 0);
    EXPECT_EQ(bytes[4224], 'C');
    EXPECT_EQ(bytes[5776], 212);
    EXPECT_EQ(bytes[5780], 2);
    EXPECT_EQ(bytes[5784], 5);
    EXPECT_EQ(bytes[5788], 1);
    EXPECT_EQ(bytes[5792], 3);

    ListRecord back;
    decode_list_record(bytes, back);
    EXPECT_STREQ(back.key, record.key);
    EXPECT_STREQ(back.link, record.link);
    EXPECT_EQ(text_length(back.link), 2047u);
    EXPECT_STREQ(back.outputPath, L"C:\\Out\\clip.mp4");
    EXPECT_STREQ(back.playlistItems, L"1-3,5");
    EXPECT_EQ(back.duration, 212);
    EXPECT_EQ(back.state, STATE_DONE);

    // A field full to its end without a terminator still ends there.
    for (size_t i = 0; i < 128; i += 2) {
        bytes[i] = 'K';
        bytes[i + 1] = 0;
    }
    decode_list_record(bytes, back);
    EXPECT_EQ(text_length(back.key), 63u);
    sys_string_free(item->url);
}

TEST(ListRecord, AnOutcomeNotYetReplayedIsKept) {
    struct Case {
        ItemState restored;
        ItemState state;
        int32_t stored;
    };
    const Case kCases[] = {
        {STATE_LOADING, STATE_DOWNLOADING, STATE_DOWNLOADING},  // a new link, or the replay done
        {STATE_DONE, STATE_LOADING, STATE_DONE},                // closed before the metadata came back
        {STATE_DONE, STATE_FAILED, STATE_DONE},                 // the metadata failed this time
        {STATE_FAILED, STATE_READY, STATE_FAILED},
        {STATE_FILE_MISSING, STATE_LOADING, STATE_FILE_MISSING},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.restored);
        std::unique_ptr<DownloadRecord> item(new DownloadRecord());
        item->restoredState = c.restored;
        item->state = c.state;
        ListRecord record;
        item_to_record(*item, record);
        EXPECT_EQ(record.state, c.stored);
    }
}

}  // namespace
