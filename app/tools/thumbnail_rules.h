// The rules of item thumbnails, free of any drawing or file: how a picture
// is fitted to the thumbnail size, the duration text stamped on it, which
// links are fetched, and the names of the job's files.
#pragma once

#include <cstddef>
#include <cstdint>

enum class ThumbnailFitKind {
    NONE,     // nothing sensible can be made: no picture or no size
    STRETCH,  // scaled to exactly the thumbnail size
    CROP,     // scaled to the thumbnail width, cut equally at top and bottom
};

// Where the picture lands in a thumbnail of the requested size: drawn at
// (0, y) with size width x height; y is 0 or negative (the rows cut off at top).
struct ThumbnailFit {
    ThumbnailFitKind kind;
    int y;
    int width;
    int height;
};

// A picture of imageWidth x imageHeight for a thumbnail of width x height.
// Pictures taller than the thumbnail's shape are cropped; the same shape
// (within 0.01) or a wider one is stretched to the size.
ThumbnailFit plan_thumbnail_fit(uint32_t imageWidth, uint32_t imageHeight, int width, int height);

constexpr size_t DURATION_TEXT_CAPACITY = 32;

// "m:ss" below an hour, "h:mm:ss" from one hour on; no leading zero on the
// first field. Returns the length written.
size_t format_duration(uint32_t seconds, wchar_t (&out)[DURATION_TEXT_CAPACITY]);

// Only web links are fetched: a thumbnail link comes from the page, and a
// file: or UNC link would make the program open local or network files.
bool is_thumbnail_link(const wchar_t* url);

// path with its extension (from the last '.' of the last path element; none
// means appended) replaced by extension, e.g. ".jpg". False, and out empty,
// when the result does not fit: a cut name would be another file.
bool change_extension(const wchar_t* path, const wchar_t* extension, wchar_t* out, size_t capacity);
template <size_t N>
bool change_extension(const wchar_t* path, const wchar_t* extension, wchar_t (&out)[N]) {
    return change_extension(path, extension, out, N);
}
