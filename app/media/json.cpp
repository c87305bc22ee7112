#include "app/media/json.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TAVLO_JSON_SSE2 1
#endif

#include "base/sys_string.h"
#include "base/utf.h"

// ---- JsonValue -------------------------------------------------------------

JsonValue::JsonValue(JsonValue&& other) noexcept {
    std::memcpy(static_cast<void*>(this), static_cast<const void*>(&other), sizeof(JsonValue));
    other.clear_bits();
}

JsonValue& JsonValue::operator=(JsonValue&& other) noexcept {
    if (this != &other) {
        release();
        std::memcpy(static_cast<void*>(this), static_cast<const void*>(&other), sizeof(JsonValue));
        other.clear_bits();
    }
    return *this;
}

void JsonValue::release() {
    switch (heap_.kind) {
    case JsonKind::String:
        if (heap_.inlineLength == HEAP_STRING) {
            std::free(heap_.bytes);
        }
        break;
    // Children without a block of their own (numbers, literals, inline
    // strings) need no call: their memory goes with the parent's block.
    case JsonKind::Array:
        for (uint32_t i = 0; i < heap_.count; ++i) {
            if (heap_.items[i].owns_block()) {
                heap_.items[i].release();
            }
        }
        std::free(heap_.items);
        break;
    case JsonKind::Object:
        for (uint32_t i = 0; i < heap_.count; ++i) {
            JsonMember& m = heap_.members[i];
            if (m.key.owns_block()) {
                m.key.release();
            }
            if (m.value.owns_block()) {
                m.value.release();
            }
        }
        std::free(heap_.members);
        break;
    default:
        break;
    }
    clear_bits();
}

std::string_view JsonValue::as_bytes() const {
    if (heap_.kind != JsonKind::String) {
        return {};
    }
    if (heap_.inlineLength != HEAP_STRING) {
        return {inline_.bytes, inline_.length};
    }
    return {heap_.bytes, heap_.count};
}

size_t JsonValue::size() const {
    return (heap_.kind == JsonKind::Array || heap_.kind == JsonKind::Object) ? heap_.count : 0;
}

const JsonMember& JsonValue::member(size_t i) const {
    return heap_.members[i];
}

void JsonValue::set_bool(bool v) {
    release();
    heap_.kind = JsonKind::Bool;
    heap_.b = v;
}

void JsonValue::set_int(int64_t v) {
    release();
    heap_.kind = JsonKind::Int;
    heap_.i = v;
}

void JsonValue::set_double(double v) {
    release();
    heap_.kind = JsonKind::Double;
    heap_.d = v;
}

bool JsonValue::set_string(const char* bytes, size_t length) {
    if (length > UINT32_MAX) {
        return false;
    }
    release();
    if (length <= INLINE_BYTES) {
        inline_.kind = JsonKind::String;
        inline_.length = static_cast<uint8_t>(length);
        if (length) {
            std::memcpy(inline_.bytes, bytes, length);
        }
        return true;
    }
    auto* copy = static_cast<char*>(std::malloc(length + 1));
    if (!copy) {
        return false;
    }
    std::memcpy(copy, bytes, length);
    copy[length] = 0;
    heap_.kind = JsonKind::String;
    heap_.inlineLength = HEAP_STRING;
    heap_.count = static_cast<uint32_t>(length);
    heap_.bytes = copy;
    return true;
}

bool JsonValue::set_array(JsonValue* items, size_t count) {
    if (count > UINT32_MAX) {
        return false;
    }
    JsonValue* block = nullptr;
    if (count) {
        block = static_cast<JsonValue*>(std::malloc(count * sizeof(JsonValue)));
        if (!block) {
            return false;
        }
        // Values are relocatable (moving is a copy of the bits and a
        // reset of the source), so the whole run moves in one copy.
        std::memcpy(static_cast<void*>(block), static_cast<const void*>(items), count * sizeof(JsonValue));
        for (size_t i = 0; i < count; ++i) {
            items[i].clear_bits();
        }
    }
    release();
    heap_.kind = JsonKind::Array;
    heap_.count = static_cast<uint32_t>(count);
    heap_.items = block;
    return true;
}

bool JsonValue::set_object(JsonValue* keysAndValues, size_t memberCount) {
    if (memberCount > UINT32_MAX) {
        return false;
    }
    static_assert(sizeof(JsonMember) == 2 * sizeof(JsonValue), "a member is a key and a value, no padding");
    JsonMember* block = nullptr;
    if (memberCount) {
        block = static_cast<JsonMember*>(std::malloc(memberCount * sizeof(JsonMember)));
        if (!block) {
            return false;
        }
        // key, value, key, ... is already the layout of the member block.
        std::memcpy(static_cast<void*>(block), static_cast<const void*>(keysAndValues),
                    memberCount * sizeof(JsonMember));
        for (size_t i = 0; i < 2 * memberCount; ++i) {
            keysAndValues[i].clear_bits();
        }
    }
    release();
    heap_.kind = JsonKind::Object;
    heap_.count = static_cast<uint32_t>(memberCount);
    heap_.members = block;
    return true;
}

// ---- Parser ----------------------------------------------------------------

namespace {

const char ERR_END[] = "unexpected end of input";
const char ERR_CHARACTER[] = "unexpected character";
const char ERR_LITERAL[] = "invalid literal";
const char ERR_DEPTH[] = "maximum nesting depth exceeded";
const char ERR_KEY[] = "expected string key";
const char ERR_COLON[] = "expected ':'";
const char ERR_OBJECT_NEXT[] = "expected ',' or '}'";
const char ERR_ARRAY_NEXT[] = "expected ',' or ']'";
const char ERR_UNTERMINATED[] = "unterminated string";
const char ERR_CONTROL[] = "control character in string";
const char ERR_UNICODE_ESCAPE[] = "invalid \\u escape";
const char ERR_ESCAPE[] = "invalid escape sequence";
const char ERR_NUMBER[] = "invalid number";
const char ERR_RANGE[] = "number out of range";
const char ERR_TRAILING[] = "unexpected data after JSON value";
const char ERR_MEMORY[] = "out of memory";

// Bytes that a string copies verbatim in one run: 0x20..0x7F without '"' and '\'.
struct PlainTable {
    bool plain[256];
    constexpr PlainTable() : plain() {
        for (int c = 0x20; c < 0x80; ++c) {
            plain[c] = c != '"' && c != '\\';
        }
    }
};
constexpr PlainTable kPlain;

inline bool is_space(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

inline int hex_value(unsigned char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Any byte of the eight that is below 0x20, at or above 0x80, '"' or '\'.
inline bool word_has_special(uint64_t w) {
    constexpr uint64_t ones = 0x0101010101010101ull;
    constexpr uint64_t highs = 0x8080808080808080ull;
    uint64_t below = (w - ones * 0x20) & ~w;        // high bit set where byte < 0x20 (or >= 0x80)
    uint64_t quote = w ^ (ones * '"');
    uint64_t slash = w ^ (ones * '\\');
    uint64_t zeroQuote = (quote - ones) & ~quote;
    uint64_t zeroSlash = (slash - ones) & ~slash;
    return ((below | zeroQuote | zeroSlash) & highs) || (w & highs);
}

class Parser {
public:
    explicit Parser(JsonParser& state) : s_(state) {}
    ~Parser() {
        pop_to(0);
        std::free(stack_);
    }
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    bool parse_document(JsonValue& out);

private:
    JsonParser& s_;
    // Children of the open containers, moved in as they complete and out in
    // one copy when their container closes. A plain block rather than a
    // vector: values relocate by copying their bits, and growth must report
    // "out of memory" instead of throwing.
    JsonValue* stack_ = nullptr;
    size_t stackSize_ = 0;
    size_t stackCapacity_ = 0;
    std::string scratch_;  // a string being decoded with escapes

    bool push(JsonValue& value) {
        if (stackSize_ == stackCapacity_ && !grow_stack()) {
            return fail(ERR_MEMORY, s_.cursor);
        }
        new (&stack_[stackSize_++]) JsonValue(std::move(value));
        return true;
    }
    // A null value on top of the stack for a string or a scalar to be parsed
    // into in place: those never grow the stack, so the slot stays put.
    JsonValue* push_null() {
        if (stackSize_ == stackCapacity_ && !grow_stack()) {
            fail(ERR_MEMORY, s_.cursor);
            return nullptr;
        }
        return new (&stack_[stackSize_++]) JsonValue();
    }
    bool grow_stack() {
        size_t capacity = stackCapacity_ ? stackCapacity_ * 2 : 64;
        void* block = std::realloc(static_cast<void*>(stack_), capacity * sizeof(JsonValue));
        if (!block) {
            return false;
        }
        stack_ = static_cast<JsonValue*>(block);
        stackCapacity_ = capacity;
        return true;
    }
    // Destroys what a failed container left above base. A closed one needs
    // none of this: its values moved out and left nulls behind.
    void pop_to(size_t base) {
        while (stackSize_ > base) {
            stack_[--stackSize_].~JsonValue();
        }
    }

    bool fail(const char* message, const char* at) {
        if (!s_.error) {
            s_.error = message;
            s_.errorPos = static_cast<size_t>(at - s_.begin);
        }
        return false;
    }

    void skip_space() {
        const char* p = s_.cursor;
        if (p < s_.end && static_cast<unsigned char>(*p) > ' ') {
            return;  // the usual case: every blank is at most ' '
        }
        while (p < s_.end && is_space(static_cast<unsigned char>(*p))) {
            ++p;
        }
        s_.cursor = p;
    }

    bool parse_value(JsonValue& out, int depth);
    bool parse_child(int depth);
    bool parse_object(JsonValue& out, int depth);
    bool parse_array(JsonValue& out, int depth);
    bool parse_string(JsonValue& out);
    bool parse_escape(std::string& buffer);
    bool parse_number(JsonValue& out);
    bool parse_literal(JsonValue& out);
    const char* plain_run(const char* p) const;
};

const char* Parser::plain_run(const char* p) const {
    const char* end = s_.end;
#ifdef TAVLO_JSON_SSE2
    // Sixteen bytes at a time: a signed compare below 0x20 catches both the
    // control bytes and every byte from 0x80 up.
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i space = _mm_set1_epi8(0x20);
    auto special = [&](const char* at) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
                            _mm_cmplt_epi8(v, space));
    };
    // URLs run to a kilobyte and more: 32 bytes per step until the end is near.
    while (end - p >= 32) {
        __m128i low = special(p);
        __m128i high = special(p + 16);
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(low)) |
                    (static_cast<unsigned>(_mm_movemask_epi8(high)) << 16);
        if (mask) {
            return p + std::countr_zero(mask);
        }
        p += 32;
    }
    if (end - p >= 16) {
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(special(p)));
        if (mask) {
            return p + std::countr_zero(mask);
        }
        p += 16;
    }
#endif
    while (end - p >= 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        if (word_has_special(w)) {
            break;
        }
        p += 8;
    }
    while (p < end && kPlain.plain[static_cast<unsigned char>(*p)]) {
        ++p;
    }
    return p;
}

bool Parser::parse_document(JsonValue& out) {
    if (s_.end - s_.cursor >= 3 && static_cast<unsigned char>(s_.cursor[0]) == 0xEF &&
        static_cast<unsigned char>(s_.cursor[1]) == 0xBB && static_cast<unsigned char>(s_.cursor[2]) == 0xBF) {
        s_.cursor += 3;
    }
    skip_space();
    JsonValue value;
    if (!parse_value(value, 0)) {
        return false;
    }
    skip_space();
    if (s_.cursor != s_.end) {
        return fail(ERR_TRAILING, s_.cursor);
    }
    out = std::move(value);
    return true;
}

bool Parser::parse_value(JsonValue& out, int depth) {
    if (s_.cursor >= s_.end) {
        return fail(ERR_END, s_.cursor);
    }
    switch (*s_.cursor) {
    case '"':
        return parse_string(out);
    case '[':
        return parse_array(out, depth);
    case '{':
        return parse_object(out, depth);
    case 't':
    case 'f':
    case 'n':
        return parse_literal(out);
    case '-':
    case '0': case '1': case '2': case '3': case '4':
    case '5': case '6': case '7': case '8': case '9':
        return parse_number(out);
    default:
        return fail(ERR_CHARACTER, s_.cursor);
    }
}

// One element or member value, pushed onto the stack.
bool Parser::parse_child(int depth) {
    if (s_.cursor < s_.end && (*s_.cursor == '{' || *s_.cursor == '[')) {
        // A container grows the stack while it is parsed, which would move a
        // slot taken beforehand: it goes into a local, moved on top when done.
        JsonValue value;
        return parse_value(value, depth) && push(value);
    }
    JsonValue* slot = push_null();
    return slot && parse_value(*slot, depth);
}

bool Parser::parse_literal(JsonValue& out) {
    const char* p = s_.cursor;
    size_t left = static_cast<size_t>(s_.end - p);
    if (left >= 4 && std::memcmp(p, "true", 4) == 0) {
        out.set_bool(true);
        s_.cursor += 4;
    } else if (left >= 5 && std::memcmp(p, "false", 5) == 0) {
        out.set_bool(false);
        s_.cursor += 5;
    } else if (left >= 4 && std::memcmp(p, "null", 4) == 0) {
        out.set_null();
        s_.cursor += 4;
    } else {
        return fail(ERR_LITERAL, p);
    }
    return true;
}

bool Parser::parse_object(JsonValue& out, int depth) {
    if (depth >= JSON_MAX_DEPTH) {
        return fail(ERR_DEPTH, s_.cursor);
    }
    ++s_.cursor;
    skip_space();
    if (s_.cursor < s_.end && *s_.cursor == '}') {
        ++s_.cursor;
        out.set_object(nullptr, 0);
        return true;
    }
    const size_t base = stackSize_;
    for (;;) {
        skip_space();
        if (s_.cursor >= s_.end) {
            break;
        }
        if (*s_.cursor != '"') {
            fail(ERR_KEY, s_.cursor);
            break;
        }
        JsonValue* key = push_null();
        if (!key || !parse_string(*key)) {
            break;
        }
        skip_space();
        if (s_.cursor >= s_.end) {
            break;
        }
        if (*s_.cursor != ':') {
            fail(ERR_COLON, s_.cursor);
            break;
        }
        ++s_.cursor;
        skip_space();
        if (!parse_child(depth + 1)) {
            break;
        }
        skip_space();
        if (s_.cursor >= s_.end) {
            break;
        }
        char c = *s_.cursor;
        if (c == ',') {
            ++s_.cursor;
            continue;
        }
        if (c == '}') {
            ++s_.cursor;
            if (out.set_object(stack_ + base, (stackSize_ - base) / 2)) {
                stackSize_ = base;  // all moved out, nothing left to destroy
                return true;
            }
            pop_to(base);
            return fail(ERR_MEMORY, s_.cursor);
        }
        fail(ERR_OBJECT_NEXT, s_.cursor);
        break;
    }
    if (s_.cursor >= s_.end) {
        fail(ERR_END, s_.cursor);
    }
    pop_to(base);
    return false;
}

bool Parser::parse_array(JsonValue& out, int depth) {
    if (depth >= JSON_MAX_DEPTH) {
        return fail(ERR_DEPTH, s_.cursor);
    }
    ++s_.cursor;
    skip_space();
    if (s_.cursor < s_.end && *s_.cursor == ']') {
        ++s_.cursor;
        out.set_array(nullptr, 0);
        return true;
    }
    const size_t base = stackSize_;
    for (;;) {
        skip_space();
        if (!parse_child(depth + 1)) {
            break;
        }
        skip_space();
        if (s_.cursor >= s_.end) {
            fail(ERR_END, s_.cursor);
            break;
        }
        char c = *s_.cursor;
        if (c == ',') {
            ++s_.cursor;
            continue;
        }
        if (c == ']') {
            ++s_.cursor;
            if (out.set_array(stack_ + base, stackSize_ - base)) {
                stackSize_ = base;  // all moved out, nothing left to destroy
                return true;
            }
            pop_to(base);
            return fail(ERR_MEMORY, s_.cursor);
        }
        fail(ERR_ARRAY_NEXT, s_.cursor);
        break;
    }
    pop_to(base);
    return false;
}

// Appends code point cp in UTF-8.
void append_utf8(std::string& buffer, uint32_t cp) {
    if (cp < 0x80) {
        buffer += static_cast<char>(cp);
    } else if (cp < 0x800) {
        buffer += static_cast<char>(0xC0 | (cp >> 6));
        buffer += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        buffer += static_cast<char>(0xE0 | (cp >> 12));
        buffer += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        buffer += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        buffer += static_cast<char>(0xF0 | (cp >> 18));
        buffer += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        buffer += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        buffer += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

const char REPLACEMENT_UTF8[] = "\xEF\xBF\xBD";

bool Parser::parse_string(JsonValue& out) {
    const char* start = ++s_.cursor;  // past the opening quote
    const char* p = plain_run(start);
    if (p < s_.end && *p == '"') {  // the common case: nothing to decode
        s_.cursor = p + 1;
        return out.set_string(start, static_cast<size_t>(p - start)) || fail(ERR_MEMORY, p);
    }
    std::string& buffer = scratch_;
    buffer.assign(start, static_cast<size_t>(p - start));
    for (;;) {
        if (p >= s_.end) {
            return fail(ERR_UNTERMINATED, s_.end);
        }
        auto c = static_cast<unsigned char>(*p);
        if (c == '"') {
            s_.cursor = p + 1;
            return out.set_string(buffer.data(), buffer.size()) || fail(ERR_MEMORY, p);
        }
        if (c == '\\') {
            s_.cursor = p + 1;
            if (!parse_escape(buffer)) {
                return false;
            }
            p = s_.cursor;
        } else if (c < 0x20) {
            return fail(ERR_CONTROL, p);
        } else if (c >= 0x80) {
            size_t n = utf8_decode(reinterpret_cast<const unsigned char*>(p), static_cast<size_t>(s_.end - p),
                                   nullptr);
            if (n) {
                buffer.append(p, n);
                p += n;
            } else {
                buffer.append(REPLACEMENT_UTF8, 3);  // each byte of a broken sequence on its own
                ++p;
            }
        }
        const char* run = plain_run(p);
        buffer.append(p, static_cast<size_t>(run - p));
        p = run;
    }
}

// The cursor is on the byte after the backslash.
bool Parser::parse_escape(std::string& buffer) {
    const char* p = s_.cursor;
    if (p >= s_.end) {
        return fail(ERR_UNTERMINATED, p);
    }
    char c = *p;
    switch (c) {
    case '"':
    case '\\':
    case '/':
        buffer += c;
        break;
    case 'b':
        buffer += '\b';
        break;
    case 'f':
        buffer += '\f';
        break;
    case 'n':
        buffer += '\n';
        break;
    case 'r':
        buffer += '\r';
        break;
    case 't':
        buffer += '\t';
        break;
    case 'u': {
        auto read_hex4 = [&](const char* at, uint32_t& value) {
            if (s_.end - at < 4) {
                return false;
            }
            value = 0;
            for (int k = 0; k < 4; ++k) {
                int h = hex_value(static_cast<unsigned char>(at[k]));
                if (h < 0) {
                    return false;
                }
                value = (value << 4) | static_cast<uint32_t>(h);
            }
            return true;
        };
        uint32_t code;
        if (!read_hex4(p + 1, code)) {
            return fail(ERR_UNICODE_ESCAPE, p + 1);
        }
        const char* next = p + 5;
        if (code >= 0xDC00 && code <= 0xDFFF) {
            buffer.append(REPLACEMENT_UTF8, 3);
        } else if (code >= 0xD800 && code <= 0xDBFF) {
            uint32_t low;
            if (s_.end - next >= 6 && next[0] == '\\' && next[1] == 'u' && read_hex4(next + 2, low) &&
                low >= 0xDC00 && low <= 0xDFFF) {
                append_utf8(buffer, 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00));
                next += 6;
            } else {
                buffer.append(REPLACEMENT_UTF8, 3);
            }
        } else {
            append_utf8(buffer, code);
        }
        s_.cursor = next;
        return true;
    }
    default:
        return fail(ERR_ESCAPE, p);
    }
    s_.cursor = p + 1;
    return true;
}

bool Parser::parse_number(JsonValue& out) {
    const char* start = s_.cursor;
    const char* p = start;
    const char* end = s_.end;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    if (p >= end || *p < '0' || *p > '9') {
        return fail(ERR_NUMBER, p);
    }
    // Integer part, accumulated with an overflow test before every step.
    const uint64_t limit = negative ? 9223372036854775808ull : 9223372036854775807ull;
    uint64_t value = 0;
    bool overflow = false;
    if (*p == '0') {
        ++p;
    } else {
        while (p < end && *p >= '0' && *p <= '9') {
            auto digit = static_cast<uint64_t>(*p - '0');
            if (!overflow && value <= (limit - digit) / 10) {
                value = value * 10 + digit;
            } else {
                overflow = true;
            }
            ++p;
        }
    }
    bool isDouble = overflow;
    if (p < end && *p == '.') {
        ++p;
        if (p >= end || *p < '0' || *p > '9') {
            return fail(ERR_NUMBER, p);
        }
        while (p < end && *p >= '0' && *p <= '9') {
            ++p;
        }
        isDouble = true;
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-')) {
            ++p;
        }
        if (p >= end || *p < '0' || *p > '9') {
            return fail(ERR_NUMBER, p);
        }
        while (p < end && *p >= '0' && *p <= '9') {
            ++p;
        }
        isDouble = true;
    }
    if (!isDouble) {
        out.set_int(negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value));
        s_.cursor = p;
        return true;
    }
    double d = 0;
    auto result = std::from_chars(start, p, d, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != p || !std::isfinite(d)) {
        s_.cursor = start;
        return fail(ERR_RANGE, start);
    }
    out.set_double(d);
    s_.cursor = p;
    return true;
}

}  // namespace

bool parse_json(JsonParser& parser, const char* text, size_t length, JsonValue& out) {
    parser.begin = text;
    parser.cursor = text;
    parser.end = text + length;
    parser.error = nullptr;
    parser.errorPos = 0;
    if (!text && length) {
        parser.end = text;
    }
    Parser p(parser);
    return p.parse_document(out);
}

// ---- Accessors -------------------------------------------------------------

const JsonValue* json_member(const JsonValue* value, std::string_view key) {
    if (!value || !value->is(JsonKind::Object)) {
        return nullptr;
    }
    for (size_t i = value->size(); i-- > 0;) {
        const JsonMember& m = value->member(i);
        if (m.key.as_bytes() == key) {
            return &m.value;
        }
    }
    return nullptr;
}

const JsonValue* json_as_string(const JsonValue* value) {
    return value && value->is(JsonKind::String) ? value : nullptr;
}

const JsonValue* json_as_array(const JsonValue* value) {
    return value && value->is(JsonKind::Array) ? value : nullptr;
}

const JsonValue* json_as_object(const JsonValue* value) {
    return value && value->is(JsonKind::Object) ? value : nullptr;
}

size_t json_get_string(const JsonValue* object, std::string_view key, wchar_t* out, size_t capacity) {
    if (!out || capacity == 0) {
        return 0;
    }
    const JsonValue* s = json_as_string(json_member(object, key));
    std::string_view bytes = s ? s->as_bytes() : std::string_view();
    return utf8_to_utf16(bytes.data(), bytes.size(), out, capacity);
}

wchar_t* json_get_sys_string(const JsonValue* object, std::string_view key) {
    const JsonValue* s = json_as_string(json_member(object, key));
    if (!s || s->as_bytes().empty()) {
        return nullptr;
    }
    std::string_view bytes = s->as_bytes();
    size_t units = utf16_length_of_utf8(bytes.data(), bytes.size());
    wchar_t* text = sys_string_alloc(units);
    if (text) {
        utf8_to_utf16(bytes.data(), bytes.size(), text, units + 1);
    }
    return text;
}

int64_t json_number_value(const JsonValue* value) {
    if (!value) {
        return 0;
    }
    if (value->is(JsonKind::Int)) {
        return value->as_int();
    }
    if (!value->is(JsonKind::Double)) {
        return 0;
    }
    double d = value->as_double();
    // [-2^63, 2^63): both bounds are exact doubles.
    if (std::isfinite(d) && d >= -9223372036854775808.0 && d < 9223372036854775808.0) {
        return static_cast<int64_t>(d);  // truncates toward zero; exact when integral
    }
    return INT64_MIN;
}

int64_t json_get_int(const JsonValue* object, std::string_view key) {
    return json_number_value(json_member(object, key));
}

int json_get_bool(const JsonValue* object, std::string_view key) {
    const JsonValue* v = json_member(object, key);
    return v && v->is(JsonKind::Bool) && v->as_bool() ? 1 : 0;
}
