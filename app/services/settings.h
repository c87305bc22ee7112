// The user's settings: one record for the whole run, kept in the enciphered
// INI file "conf" of the data folder. The file is deciphered into a short-
// lived working copy beside it, read or written with the profile calls, and
// enciphered back.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "app/services/settings_record.h"

extern Settings g_settings;

// The passphrase comes from the serial number of the volume that holds
// Windows, so the file is bound to the machine. Set once before the first load.
void set_settings_passphrase();
const wchar_t* settings_passphrase();
// Whether the last load found a non-empty dark_mode value.
bool settings_dark_mode_present();

void set_default_settings(Settings& settings);
// Spanish and French users keep their own language (with its region); every
// other language starts in English.
uint16_t default_language_id(uint16_t userInterfaceLanguage);
// False when the file can't be deciphered (above all: there is none).
bool load_settings(Settings& settings);
// On failure message (messageBytes bytes, may be null) receives the English
// failure text.
bool save_settings(const Settings& settings, wchar_t* message = nullptr, size_t messageBytes = 0);

// RC4 with the key derived from the passphrase; its own inverse. detail
// receives the failure text with the system error code.
bool crypt_file(const wchar_t* source, const wchar_t* destination, wchar_t (*detail)[260] = nullptr);
// MD5 as 32 upper-case hexadecimal digits; out is untouched on failure.
bool md5_hex(const void* bytes, size_t length, wchar_t (&out)[33]);
// "text (code)", each part cut at the buffer's end.
void format_error_detail(const wchar_t* text, DWORD code, wchar_t (&out)[260]);
