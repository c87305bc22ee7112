#include "base/utf.h"

#include <cstdint>

#include "base/text.h"

namespace {

constexpr uint32_t REPLACEMENT = 0xFFFD;

// Decodes one code point at bytes[i]; advances i. Invalid sequences yield
// U+FFFD and advance one byte, the same repair the JSON reader applies.
uint32_t decode_one(const unsigned char* bytes, size_t length, size_t& i) {
    uint32_t cp = REPLACEMENT;
    size_t n = utf8_decode(bytes + i, length - i, &cp);
    i += n ? n : 1;
    return n ? cp : REPLACEMENT;
}

}  // namespace

size_t utf8_decode(const unsigned char* bytes, size_t available, uint32_t* codePoint) {
    if (available == 0) {
        return 0;
    }
    unsigned lead = bytes[0];
    size_t need;
    uint32_t cp;
    uint32_t min;
    if (lead < 0x80) {
        need = 1, cp = lead, min = 0;
    } else if ((lead & 0xE0) == 0xC0) {
        need = 2, cp = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        need = 3, cp = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        need = 4, cp = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (available < need) {
        return 0;
    }
    for (size_t k = 1; k < need; ++k) {
        if ((bytes[k] & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (bytes[k] & 0x3F);
    }
    if (cp < min || (cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF) {
        return 0;
    }
    if (codePoint) {
        *codePoint = cp;
    }
    return need;
}

size_t utf8_to_utf16(const char* bytes, size_t length, wchar_t* out, size_t capacity) {
    if (!out || capacity == 0) {
        return 0;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    size_t n = 0;
    size_t i = 0;
    while (i < length) {
        if (p[i] < 0x80) {  // the common case: plain ASCII
            if (n + 1 >= capacity) {
                break;
            }
            out[n++] = static_cast<wchar_t>(p[i++]);
            continue;
        }
        uint32_t cp = decode_one(p, length, i);
        if (cp >= 0x10000) {
            if (n + 2 >= capacity) {
                break;
            }
            cp -= 0x10000;
            out[n++] = static_cast<wchar_t>(0xD800 + (cp >> 10));
            out[n++] = static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
        } else {
            if (n + 1 >= capacity) {
                break;
            }
            out[n++] = static_cast<wchar_t>(cp);
        }
    }
    out[n] = 0;
    return n;
}

size_t utf16_length_of_utf8(const char* bytes, size_t length) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    size_t n = 0;
    size_t i = 0;
    while (i < length) {
        n += decode_one(p, length, i) >= 0x10000 ? 2 : 1;
    }
    return n;
}

std::wstring utf8_to_wide(std::string_view bytes) {
    std::wstring out(utf16_length_of_utf8(bytes.data(), bytes.size()), L'\0');
    if (!out.empty()) {
        utf8_to_utf16(bytes.data(), bytes.size(), out.data(), out.size() + 1);
    }
    return out;
}

std::string wide_to_utf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = static_cast<uint32_t>(text[i]) & 0xFFFF;
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size()) {
            uint32_t low = static_cast<uint32_t>(text[i + 1]) & 0xFFFF;
            if (low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (cp >= 0xD800 && cp < 0xE000) {
            cp = REPLACEMENT;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}
