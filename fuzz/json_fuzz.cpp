// parse_json on arbitrary bytes: it must accept or reject without reading past
// the given length, and whatever it accepts must keep the document model's
// promises, down to the accessors that video_info.cpp builds on.
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/media/json.h"
#include "base/sys_string.h"
#include "base/utf.h"

namespace {

// Keys yt-dlp documents carry, asked of every object so that the accessors
// also run on their missing-key and wrong-kind paths.
const std::string_view kProbeKeys[] = {
    "format_id", "formats", "height", "width", "is_live", "title", "n_entries", "", "a",
};

// json_member scans from the back, so checking last-wins on every member of a
// huge object would be quadratic; the first and last few cover the logic.
constexpr size_t LAST_WINS_CHECKED = 32;

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void require(bool condition, const char* what) {
    if (!condition) {
        broken(what);
    }
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
// NUL is a valid code point here, as the parser decodes \u0000 to it.
bool is_valid_utf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        unsigned c = p[i];
        size_t need;
        uint32_t cp;
        uint32_t min;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            need = 1, cp = c & 0x1F, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            need = 2, cp = c & 0x0F, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            need = 3, cp = c & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (n - i <= need) {
            return false;
        }
        for (size_t k = 1; k <= need; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || (cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF) {
            return false;
        }
        i += need + 1;
    }
    return true;
}

// units UTF-16 code units converted from valid UTF-8: terminated, every unit
// 16 bits wide (wchar_t is wider off Windows), every surrogate paired.
void check_utf16(const wchar_t* text, size_t units) {
    require(text[units] == 0, "UTF-16 text not terminated where its length says");
    for (size_t i = 0; i < units; ++i) {
        auto u = static_cast<uint32_t>(text[i]);
        require(u <= 0xFFFF, "UTF-16 unit wider than 16 bits");
        if (u >= 0xD800 && u <= 0xDBFF) {
            require(i + 1 < units, "high surrogate at the end of a cut text");
            auto low = static_cast<uint32_t>(text[i + 1]);
            require(low >= 0xDC00 && low <= 0xDFFF, "high surrogate without its low half");
            ++i;
        } else {
            require(u < 0xDC00 || u > 0xDFFF, "low surrogate without its high half");
        }
    }
}

// The string accessors on object[key], whose value the caller found by hand.
void check_string_accessors(const JsonValue* object, std::string_view key, const JsonValue* value) {
    std::string_view bytes = value && value->is(JsonKind::String) ? value->as_bytes() : std::string_view();
    size_t full = utf16_length_of_utf8(bytes.data(), bytes.size());

    wchar_t tiny[4];
    wchar_t room[64];
    const struct {
        wchar_t* out;
        size_t capacity;
    } kBuffers[] = {{tiny, 4}, {room, 64}};
    for (const auto& b : kBuffers) {
        std::memset(b.out, 0x55, b.capacity * sizeof(wchar_t));
        size_t n = json_get_string(object, key, b.out, b.capacity);
        require(n < b.capacity, "json_get_string stored more than its capacity allows");
        check_utf16(b.out, n);
        if (full < b.capacity) {
            require(n == full, "json_get_string cut a text that fits");
        } else {
            require(n + 2 >= b.capacity, "json_get_string cut more than a surrogate pair's worth");
        }
    }
    require(json_get_string(object, key, room, 0) == 0, "json_get_string wrote into no room");

    wchar_t* owned = json_get_sys_string(object, key);
    if (full == 0) {
        require(owned == nullptr, "json_get_sys_string made an empty string");
    } else {
        require(owned != nullptr, "json_get_sys_string lost a string");
        check_utf16(owned, full);
        size_t compared = full < 64 ? full : 0;  // room holds the whole text only then
        require(std::memcmp(owned, room, compared * sizeof(wchar_t)) == 0,
                "json_get_sys_string and json_get_string disagree");
    }
    sys_string_free(owned);
}

void check_member_accessors(const JsonValue* object, std::string_view key) {
    const JsonValue* value = json_member(object, key);
    int64_t number = json_get_int(object, key);
    require(number == json_number_value(value), "json_get_int differs from json_number_value");
    if (!value || !(value->is(JsonKind::Int) || value->is(JsonKind::Double))) {
        require(number == 0, "json_get_int of a non-number is not 0");
    }
    if (value && value->is(JsonKind::Int)) {
        require(number == value->as_int(), "json_get_int changed an Int");
    }
    if (value && value->is(JsonKind::Double)) {
        double d = value->as_double();
        if (d == std::trunc(d) && d >= -9223372036854775808.0 && d < 9223372036854775808.0) {
            require(static_cast<double>(number) == d, "json_get_int lost an integral Double");
        }
    }
    int flag = json_get_bool(object, key);
    require(flag == ((value && value->is(JsonKind::Bool) && value->as_bool()) ? 1 : 0),
            "json_get_bool differs from the member");
    require((json_as_string(value) != nullptr) == (value && value->is(JsonKind::String)), "json_as_string");
    require((json_as_array(value) != nullptr) == (value && value->is(JsonKind::Array)), "json_as_array");
    require((json_as_object(value) != nullptr) == (value && value->is(JsonKind::Object)), "json_as_object");
    check_string_accessors(object, key, value);
}

void walk(const JsonValue& v, int depth) {
    bool container = v.is(JsonKind::Array) || v.is(JsonKind::Object);
    require(!container || depth < JSON_MAX_DEPTH, "container nested deeper than JSON_MAX_DEPTH");
    require(container || v.size() == 0, "a scalar has a size");
    require(v.is(JsonKind::String) || v.as_bytes().empty(), "a non-string has bytes");
    require(v.is(JsonKind::Int) || v.as_int() == 0, "a non-Int reads as an Int");
    require(v.is(JsonKind::Bool) || !v.as_bool(), "a non-Bool reads as true");

    switch (v.kind()) {
    case JsonKind::Null:
    case JsonKind::Bool:
    case JsonKind::Int:
        break;
    case JsonKind::Double:
        require(std::isfinite(v.as_double()), "a non-finite Double was accepted");
        (void)json_number_value(&v);
        break;
    case JsonKind::String:
        require(is_valid_utf8(v.as_bytes()), "a String holds invalid UTF-8");
        break;
    case JsonKind::Array:
        for (size_t i = 0; i < v.size(); ++i) {
            walk(v.element(i), depth + 1);
        }
        require(json_member(&v, "") == nullptr, "json_member found a member in an array");
        break;
    case JsonKind::Object: {
        size_t n = v.size();
        for (size_t i = 0; i < n; ++i) {
            const JsonMember& m = v.member(i);
            require(m.key.is(JsonKind::String), "an object key is not a String");
            require(is_valid_utf8(m.key.as_bytes()), "an object key holds invalid UTF-8");
            walk(m.value, depth + 1);
            if (i < LAST_WINS_CHECKED || n - i <= LAST_WINS_CHECKED) {
                std::string_view key = m.key.as_bytes();
                const JsonValue* found = json_member(&v, key);
                size_t last = i;
                for (size_t k = i + 1; k < n; ++k) {
                    if (v.member(k).key.as_bytes() == key) {
                        last = k;
                    }
                }
                require(found == &v.member(last).value, "json_member did not return the last duplicate");
                check_member_accessors(&v, key);
            }
        }
        for (std::string_view key : kProbeKeys) {
            check_member_accessors(&v, key);
        }
        break;
    }
    }
}

// Writes v back as JSON that parses to the same tree: strings as their bytes
// (already valid UTF-8) with the mandatory escapes, Doubles in their shortest
// exact form, always marked as Doubles.
void serialize(const JsonValue& v, std::string& out) {
    switch (v.kind()) {
    case JsonKind::Null:
        out += "null";
        break;
    case JsonKind::Bool:
        out += v.as_bool() ? "true" : "false";
        break;
    case JsonKind::Int:
        out += std::to_string(v.as_int());
        break;
    case JsonKind::Double: {
        char buffer[64];
        auto result = std::to_chars(buffer, buffer + sizeof(buffer), v.as_double());
        std::string_view text(buffer, static_cast<size_t>(result.ptr - buffer));
        out += text;
        if (text.find_first_of(".eE") == std::string_view::npos) {
            out += ".0";
        }
        break;
    }
    case JsonKind::String: {
        out += '"';
        for (char c : v.as_bytes()) {
            auto u = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                out += '\\';
                out += c;
            } else if (u < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof(escape), "\\u%04x", u);
                out += escape;
            } else {
                out += c;
            }
        }
        out += '"';
        break;
    }
    case JsonKind::Array:
        out += '[';
        for (size_t i = 0; i < v.size(); ++i) {
            if (i) {
                out += ',';
            }
            serialize(v.element(i), out);
        }
        out += ']';
        break;
    case JsonKind::Object:
        out += '{';
        for (size_t i = 0; i < v.size(); ++i) {
            if (i) {
                out += ',';
            }
            serialize(v.member(i).key, out);
            out += ':';
            serialize(v.member(i).value, out);
        }
        out += '}';
        break;
    }
}

bool same_tree(const JsonValue& a, const JsonValue& b) {
    if (a.kind() != b.kind() || a.size() != b.size()) {
        return false;
    }
    switch (a.kind()) {
    case JsonKind::Null:
        return true;
    case JsonKind::Bool:
        return a.as_bool() == b.as_bool();
    case JsonKind::Int:
        return a.as_int() == b.as_int();
    case JsonKind::Double: {
        double x = a.as_double();
        double y = b.as_double();
        return std::memcmp(&x, &y, sizeof(double)) == 0;  // keeps -0.0 apart from 0.0
    }
    case JsonKind::String:
        return a.as_bytes() == b.as_bytes();
    case JsonKind::Array:
        for (size_t i = 0; i < a.size(); ++i) {
            if (!same_tree(a.element(i), b.element(i))) {
                return false;
            }
        }
        return true;
    case JsonKind::Object:
        for (size_t i = 0; i < a.size(); ++i) {
            if (!same_tree(a.member(i).key, b.member(i).key) || !same_tree(a.member(i).value, b.member(i).value)) {
                return false;
            }
        }
        return true;
    }
    return false;
}

constexpr int64_t SENTINEL = 0x5EED;

// One parse with the failure-side promises checked: error and position set,
// the output untouched.
bool parse_checked(JsonParser& parser, const char* text, size_t length, JsonValue& out) {
    out.set_int(SENTINEL);
    bool ok = parse_json(parser, text, length, out);
    if (ok) {
        require(parser.error == nullptr, "success with an error set");
    } else {
        require(parser.error != nullptr, "failure without an error");
        require(parser.errorPos <= length, "errorPos beyond the input");
        require(out.is(JsonKind::Int) && out.as_int() == SENTINEL, "a failed parse changed its output");
    }
    return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // libFuzzer's buffer is exactly size bytes long, so any read past the end
    // is an AddressSanitizer report.
    const char* text = reinterpret_cast<const char*>(data);
    JsonParser parser;
    JsonValue root;
    bool ok = parse_checked(parser, text, size, root);

    // The same bytes with a terminator behind them, as read_video_info sees
    // them: the terminator must not change the outcome.
    std::string copy(text, size);
    JsonParser copyParser;
    JsonValue copyRoot;
    bool copyOk = parse_checked(copyParser, copy.c_str(), size, copyRoot);
    require(ok == copyOk, "a terminator behind the input changed the outcome");
    if (!ok) {
        require(parser.error == copyParser.error && parser.errorPos == copyParser.errorPos,
                "a terminator behind the input changed the error");
    } else {
        require(same_tree(root, copyRoot), "a terminator behind the input changed the tree");
    }
    size_t cString = std::strlen(copy.c_str());
    if (cString < size) {
        JsonParser cParser;
        JsonValue cRoot;
        parse_checked(cParser, copy.c_str(), cString, cRoot);
    }
    if (!ok) {
        return 0;
    }

    walk(root, 0);
    for (std::string_view key : kProbeKeys) {
        check_member_accessors(&root, key);  // on a non-object root they must all come back empty
    }

    std::string written;
    serialize(root, written);
    JsonValue reread;
    JsonParser rereadParser;
    if (!parse_checked(rereadParser, written.data(), written.size(), reread)) {
        std::fprintf(stderr, "rewritten document rejected at %zu: %s\n", rereadParser.errorPos,
                     rereadParser.error);
        broken("a parsed tree, written back, does not parse");
    }
    require(same_tree(root, reread), "a parsed tree, written back, parses differently");

    JsonValue moved(std::move(root));
    require(root.is(JsonKind::Null), "a moved-from value is not Null");
    root = std::move(moved);
    require(moved.is(JsonKind::Null) && same_tree(root, reread), "moving lost the tree");
    return 0;
}
