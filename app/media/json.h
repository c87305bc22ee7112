// The JSON document model and its strict, single-pass parser, for the
// metadata lines yt-dlp prints with -j. Nothing here throws: a failed parse
// leaves the output untouched and tells the first error and its position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class JsonKind : uint8_t { Null, Bool, Int, Double, String, Array, Object };

struct JsonMember;

// A tagged value owning its payload and, for arrays and objects, all its
// children. Values are moved, never shared. 16 bytes: strings of up to 14
// bytes are held inline, everything else points to one exact-size block.
class JsonValue {
public:
    JsonValue() noexcept { clear_bits(); }
    ~JsonValue() { release(); }
    JsonValue(JsonValue&& other) noexcept;
    JsonValue& operator=(JsonValue&& other) noexcept;
    JsonValue(const JsonValue&) = delete;
    JsonValue& operator=(const JsonValue&) = delete;

    JsonKind kind() const { return heap_.kind; }
    bool is(JsonKind k) const { return heap_.kind == k; }

    bool as_bool() const { return heap_.kind == JsonKind::Bool && heap_.b; }
    int64_t as_int() const { return heap_.kind == JsonKind::Int ? heap_.i : 0; }
    double as_double() const { return heap_.kind == JsonKind::Double ? heap_.d : 0.0; }
    std::string_view as_bytes() const;  // a String's bytes (may hold NUL); empty otherwise

    size_t size() const;  // elements of an Array, members of an Object, 0 otherwise
    const JsonValue& element(size_t i) const { return heap_.items[i]; }
    const JsonMember& member(size_t i) const;

    // Assigning a new payload first destroys the old one.
    void set_null() { release(); }
    void set_bool(bool v);
    void set_int(int64_t v);
    void set_double(double v);
    bool set_string(const char* bytes, size_t length);  // false when out of memory
    // Takes count values (count * 2 for an object: key, value, key, ...)
    // moved out of items; false when out of memory.
    bool set_array(JsonValue* items, size_t count);
    bool set_object(JsonValue* keysAndValues, size_t memberCount);

private:
    static constexpr uint8_t HEAP_STRING = 0xFF;
    static constexpr size_t INLINE_BYTES = 14;

    struct Heap {
        JsonKind kind;
        uint8_t inlineLength;  // HEAP_STRING unless a short string is stored inline
        uint16_t unused;
        uint32_t count;        // string length, or number of elements / members
        union {
            bool b;
            int64_t i;
            double d;
            char* bytes;
            JsonValue* items;
            JsonMember* members;
        };
    };
    struct Inline {
        JsonKind kind;
        uint8_t length;
        char bytes[INLINE_BYTES];
    };
    union {
        Heap heap_;
        Inline inline_;
    };

    void clear_bits() {
        heap_.kind = JsonKind::Null;
        heap_.inlineLength = HEAP_STRING;
        heap_.unused = 0;
        heap_.count = 0;
        heap_.i = 0;
    }
    void release();
    // A heap string, an array or an object: release has something to free.
    bool owns_block() const {
        return heap_.kind >= JsonKind::Array ||
               (heap_.kind == JsonKind::String && heap_.inlineLength == HEAP_STRING);
    }
};
static_assert(sizeof(JsonValue) == 16, "JsonValue is meant to stay two words");

struct JsonMember {
    JsonValue key;  // always a String
    JsonValue value;
};

// Parsing state of one document; error is null while there is none. Once
// set it is never overwritten, so the caller sees the first (innermost) cause.
struct JsonParser {
    const char* begin = nullptr;
    const char* cursor = nullptr;
    const char* end = nullptr;
    const char* error = nullptr;
    size_t errorPos = 0;  // offset from begin
};

constexpr int JSON_MAX_DEPTH = 128;

// Parses exactly one document. On failure out is left as it was.
bool parse_json(JsonParser& parser, const char* text, size_t length, JsonValue& out);
inline bool parse_json(const char* text, size_t length, JsonValue& out) {
    JsonParser parser;
    return parse_json(parser, text, length, out);
}

// Accessors. Of duplicate keys the last one wins.
const JsonValue* json_member(const JsonValue* value, std::string_view key);
const JsonValue* json_as_string(const JsonValue* value);
const JsonValue* json_as_array(const JsonValue* value);
const JsonValue* json_as_object(const JsonValue* value);

// The member's string as UTF-16 into out (cut to capacity, terminated);
// empty when the object is not an object, the member is missing, not a
// string, or empty. Returns the units stored.
size_t json_get_string(const JsonValue* object, std::string_view key, wchar_t* out, size_t capacity);
template <size_t N>
inline size_t json_get_string(const JsonValue* object, std::string_view key, wchar_t (&out)[N]) {
    return json_get_string(object, key, out, N);
}
// The member's string as a new system string; null when it would be empty.
wchar_t* json_get_sys_string(const JsonValue* object, std::string_view key);
// Int as is; an integral finite Double in range exactly; any other Double
// truncated toward zero, with out-of-range and non-finite values giving
// INT64_MIN. 0 for anything else.
int64_t json_get_int(const JsonValue* object, std::string_view key);
int64_t json_number_value(const JsonValue* value);
// 1 only for a Bool member that is true.
int json_get_bool(const JsonValue* object, std::string_view key);
