// The thumbnail rules without pictures: how a picture is fitted, the
// duration text, which links are fetched and the job's file names.
#include "app/tools/thumbnail_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DurationCase {
    uint32_t seconds;
    const wchar_t* text;
};
const DurationCase kDurations[] = {
    {0, L"0:00"},  // the caller draws no badge for 0; the text is still well-formed
    {7, L"0:07"},
    {59, L"0:59"},
    {60, L"1:00"},
    {545, L"9:05"},
    {3599, L"59:59"},
    {3600, L"1:00:00"},
    {3723, L"1:02:03"},
    {50000, L"13:53:20"},
    {86399, L"23:59:59"},
    {86400, L"24:00:00"},  // no day field: hours go on counting
    {90000, L"25:00:00"},
    {4294967295u, L"1193046:28:15"},  // the largest duration a record holds
};

TEST(FormatDuration, Table) {
    for (const DurationCase& c : kDurations) {
        SCOPED_TRACE(c.seconds);
        wchar_t text[DURATION_TEXT_CAPACITY];
        size_t length = format_duration(c.seconds, text);
        EXPECT_EQ(std::wstring(text), c.text);
        EXPECT_EQ(length, std::wstring(c.text).size());
    }
}

struct FitCase {
    const char* what;
    uint32_t imageWidth, imageHeight;
    int width, height;
    ThumbnailFitKind kind;
    int y, drawWidth, drawHeight;
};
const FitCase kFits[] = {
    // 1280/720 = 1.778 and 89/50 = 1.78 are the same shape within 0.01.
    {"16:9 picture", 1280, 720, 89, 50, ThumbnailFitKind::STRETCH, 0, 89, 50},
    {"WebP 16:9", 320, 180, 89, 50, ThumbnailFitKind::STRETCH, 0, 89, 50},
    {"same size", 89, 50, 89, 50, ThumbnailFitKind::STRETCH, 0, 89, 50},
    // 89 * 360 / 480 = 66.75, up to 67; (67 - 50) / 2 = 8.5, down to 8.
    {"4:3 picture", 480, 360, 89, 50, ThumbnailFitKind::CROP, -8, 89, 67},
    {"square", 100, 100, 89, 50, ThumbnailFitKind::CROP, -19, 89, 89},
    {"portrait", 720, 1280, 89, 50, ThumbnailFitKind::CROP, -54, 89, 159},
    // Just outside the 0.01 window, taller: cropped by a row.
    {"slightly taller", 1000, 570, 89, 50, ThumbnailFitKind::CROP, 0, 89, 51},
    // A wider shape is stretched, not cropped at the sides.
    {"21:9 picture", 2560, 1080, 89, 50, ThumbnailFitKind::STRETCH, 0, 89, 50},
    {"panorama", 4000, 100, 89, 50, ThumbnailFitKind::STRETCH, 0, 89, 50},
    {"one pixel", 1, 1, 89, 50, ThumbnailFitKind::CROP, -19, 89, 89},
    {"no picture width", 0, 360, 89, 50, ThumbnailFitKind::NONE, 0, 0, 0},
    {"no picture height", 480, 0, 89, 50, ThumbnailFitKind::NONE, 0, 0, 0},
    {"no thumbnail size", 480, 360, 0, 0, ThumbnailFitKind::NONE, 0, 0, 0},
    {"no thumbnail height", 480, 360, 89, 0, ThumbnailFitKind::NONE, 0, 0, 0},
    {"no thumbnail width", 480, 360, 0, 50, ThumbnailFitKind::NONE, 0, 0, 0},
    {"negative size", 480, 360, -89, 50, ThumbnailFitKind::NONE, 0, 0, 0},
    // A sliver 1 pixel wide and 4e9 high would scale beyond any bitmap.
    {"endless sliver", 1, 4000000000u, 89, 50, ThumbnailFitKind::NONE, 0, 0, 0},
};

TEST(PlanThumbnailFit, Table) {
    for (const FitCase& c : kFits) {
        SCOPED_TRACE(c.what);
        ThumbnailFit fit = plan_thumbnail_fit(c.imageWidth, c.imageHeight, c.width, c.height);
        EXPECT_EQ(fit.kind, c.kind);
        if (c.kind != ThumbnailFitKind::NONE) {
            EXPECT_EQ(fit.y, c.y);
            EXPECT_EQ(fit.width, c.drawWidth);
            EXPECT_EQ(fit.height, c.drawHeight);
            // Cropping cuts equally, the odd row at the bottom.
            int cut = fit.height - c.height;
            EXPECT_EQ(-fit.y, cut / 2);
        }
    }
}

struct LinkCase {
    const wchar_t* url;
    bool fetched;
};
const LinkCase kLinks[] = {
    {L"https://i.ytimg.com/vi/abc/maxresdefault.jpg", true},
    {L"http://127.0.0.1:8765/img/thumb480x360.jpg", true},
    {L"HTTPS://EXAMPLE.COM/A.WEBP", true},
    {L"", false},
    {nullptr, false},
    {L"file:///C:/Windows/win.ini", false},
    {L"file://attacker/share/a.jpg", false},
    {L"\\\\attacker\\share\\a.jpg", false},
    {L"C:\\Users\\user\\a.jpg", false},
    {L"ftp://example.com/a.jpg", false},
    {L"javascript:alert(1)", false},
    {L" https://example.com/a.jpg", false},
};

TEST(ThumbnailLink, OnlyWebLinks) {
    for (const LinkCase& c : kLinks) {
        SCOPED_TRACE(c.url ? std::string(c.url, c.url + std::wstring(c.url).size()) : std::string("(null)"));
        EXPECT_EQ(is_thumbnail_link(c.url), c.fetched);
    }
}

struct ExtensionCase {
    const wchar_t* path;
    const wchar_t* extension;
    const wchar_t* result;
};
const ExtensionCase kExtensions[] = {
    {L"C:\\Users\\u\\AppData\\Local\\tavlo\\jpg\\0123ABCD.bin", L".jpg", L"C:\\Users\\u\\AppData\\Local\\tavlo\\jpg\\0123ABCD.jpg"},
    {L"C:\\tavlo\\jpg\\KEY.bin", L".bmp", L"C:\\tavlo\\jpg\\KEY.bmp"},
    // A dot in a folder name is not the file's extension.
    {L"C:\\Users\\john.doe\\jpg\\KEY", L".jpg", L"C:\\Users\\john.doe\\jpg\\KEY.jpg"},
    {L"C:\\a.b\\KEY.tar.bin", L".jpg", L"C:\\a.b\\KEY.tar.jpg"},
    {L"KEY.bin", L".jpg", L"KEY.jpg"},
    {L"/tmp/x.y/KEY.bin", L".jpg", L"/tmp/x.y/KEY.jpg"},
};

TEST(ChangeExtension, Table) {
    for (const ExtensionCase& c : kExtensions) {
        SCOPED_TRACE(std::string(c.path, c.path + std::wstring(c.path).size()));
        wchar_t out[260];
        EXPECT_TRUE(change_extension(c.path, c.extension, out));
        EXPECT_EQ(std::wstring(out), c.result);
    }
}

TEST(ChangeExtension, ResultThatDoesNotFitIsRefused) {
    wchar_t exact[10];  // "C:\\K.jpeg": 9 units and the terminator
    EXPECT_TRUE(change_extension(L"C:\\K.bin", L".jpeg", exact));
    EXPECT_EQ(std::wstring(exact), L"C:\\K.jpeg");
    wchar_t small[9];
    EXPECT_FALSE(change_extension(L"C:\\K.bin", L".jpeg", small));
    EXPECT_EQ(small[0], 0);
}

}  // namespace
