// The settings record itself, without the store: the Options form and the
// rules that read settings build without <windows.h>.
#pragma once

#include <cstdint>

constexpr uint16_t SETTINGS_VERSION = 158;  // the program version 1.58 without the point

// Field names are the INI key names.
struct Settings {
    uint16_t version;
    uint16_t lang_id;
    int32_t always_on_top;
    int32_t auto_update;
    int32_t use_youtube_account;
    int32_t dark_mode;
    wchar_t output_folder[260];
    wchar_t proxy_server[256];
    wchar_t commands[512];
    wchar_t output_template[256];
};
