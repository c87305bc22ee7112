#include "app/tools/thumbnail_rules.h"

#include <cmath>

#include "base/text.h"

ThumbnailFit plan_thumbnail_fit(uint32_t imageWidth, uint32_t imageHeight, int width, int height) {
    // A thumbnail with no width or no height is no picture at all, so either
    // being 0 gives nothing (not only both).
    if (imageWidth == 0 || imageHeight == 0 || width <= 0 || height <= 0) {
        return {ThumbnailFitKind::NONE, 0, 0, 0};
    }
    // Single precision on purpose: a 16:9 picture (1.7778) and the 89 x 50
    // thumbnail (1.78) count as the same shape and are simply scaled.
    float pictureShape = static_cast<float>(imageWidth) / static_cast<float>(imageHeight);
    float thumbnailShape = static_cast<float>(width) / static_cast<float>(height);
    if (std::fabs(pictureShape - thumbnailShape) >= 0.01f) {
        // The height the picture has at the thumbnail's width, rounded up so
        // that no empty row is left at the bottom.
        uint64_t scaledHeight = (static_cast<uint64_t>(width) * imageHeight + imageWidth - 1) / imageWidth;
        if (scaledHeight > static_cast<uint64_t>(height)) {
            if (scaledHeight > 0x7FFFFFFF) {
                return {ThumbnailFitKind::NONE, 0, 0, 0};  // a sliver no drawing call can take
            }
            int g = static_cast<int>(scaledHeight);
            return {ThumbnailFitKind::CROP, -((g - height) / 2), width, g};
        }
    }
    return {ThumbnailFitKind::STRETCH, 0, width, height};
}

size_t format_duration(uint32_t seconds, wchar_t (&out)[DURATION_TEXT_CAPACITY]) {
    unsigned hours = seconds / 3600;
    unsigned minutes = (seconds / 60) % 60;
    unsigned rest = seconds % 60;
    if (hours == 0) {
        return text_format(out, L"%u:%02u", minutes, rest);
    }
    return text_format(out, L"%u:%02u:%02u", hours, minutes, rest);
}

bool is_thumbnail_link(const wchar_t* url) {
    return text_starts_with_nocase(url, L"http://") || text_starts_with_nocase(url, L"https://");
}

bool change_extension(const wchar_t* path, const wchar_t* extension, wchar_t* out, size_t capacity) {
    if (!out || capacity == 0) {
        return false;
    }
    out[0] = 0;
    size_t length = text_length(path);
    size_t stem = length;
    for (size_t i = length; i > 0; --i) {
        wchar_t c = path[i - 1];
        if (c == L'\\' || c == L'/') {
            break;
        }
        if (c == L'.') {
            stem = i - 1;
            break;
        }
    }
    if (stem + text_length(extension) + 1 > capacity) {
        return false;
    }
    text_copy_n(out, capacity, path, stem);
    text_append(out, capacity, extension);
    return true;
}
