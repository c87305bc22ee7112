// Test helpers for the metadata readers and choice rules: a zero-filled
// VideoInfo on the heap and small builders of yt-dlp-shaped JSON.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/media/video_info.h"
#include "base/utf.h"

struct VideoFixture {
    VideoInfo* info = static_cast<VideoInfo*>(std::calloc(1, sizeof(VideoInfo)));
    ChoiceState item = {0, 0, 0, NO_DUBBED_CHOICE, 0, 0};

    VideoFixture() = default;
    VideoFixture(const VideoFixture&) = delete;
    VideoFixture& operator=(const VideoFixture&) = delete;
    ~VideoFixture() {
        free_video_info(*info);
        std::free(info);
    }

    bool read(const std::string& json, const wchar_t* user = L"en") {
        return read_video_info(item, *info, json.c_str(), user);
    }

    // The format ids of the choice list, in menu order, as UTF-8.
    std::vector<std::string> ids() const {
        std::vector<std::string> out;
        for (uint32_t i = 0; i < info->formatCount; ++i) {
            out.push_back(wide_to_utf8(info->formats[i].formatId));
        }
        return out;
    }

    const MediaFormat& choice(const std::string& id) const {
        for (uint32_t i = 0; i < info->formatCount; ++i) {
            if (wide_to_utf8(info->formats[i].formatId) == id) {
                return info->formats[i];
            }
        }
        ADD_FAILURE() << "no choice " << id;
        return info->formats[MAX_FORMATS - 1];
    }
};

// A video document: the given format objects (JSON texts) and top-level members.
inline std::string video_json(const std::vector<std::string>& formats, const std::string& top = "") {
    std::string text = R"({"id":"abc","title":"Clip","extractor":"youtube",)";
    if (!top.empty()) {
        text += top + ",";
    }
    text += R"("formats":[)";
    for (size_t i = 0; i < formats.size(); ++i) {
        text += (i ? "," : "") + formats[i];
    }
    return text + "]}";
}
