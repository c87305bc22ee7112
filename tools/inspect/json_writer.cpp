#include "tools/inspect/json_writer.h"

#include <cstdio>

#include "base/text.h"
#include "base/utf.h"

void JsonWriter::separate() {
    if (needComma_) {
        out_ += ',';
    }
    needComma_ = false;
}

void JsonWriter::begin_object() {
    separate();
    out_ += '{';
}

void JsonWriter::end_object() {
    out_ += '}';
    needComma_ = true;
}

void JsonWriter::begin_array() {
    separate();
    out_ += '[';
}

void JsonWriter::end_array() {
    out_ += ']';
    needComma_ = true;
}

void JsonWriter::key(std::string_view name) {
    value(name);
    out_ += ':';
    needComma_ = false;
}

void JsonWriter::value(std::string_view utf8) {
    separate();
    out_ += '"';
    for (char ch : utf8) {
        auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out_ += "\\\"";
            break;
        case '\\':
            out_ += "\\\\";
            break;
        case '\n':
            out_ += "\\n";
            break;
        case '\r':
            out_ += "\\r";
            break;
        case '\t':
            out_ += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof(escape), "\\u%04x", c);
                out_ += escape;
            } else {
                out_ += ch;
            }
        }
    }
    out_ += '"';
    needComma_ = true;
}

void JsonWriter::value(const wchar_t* text) {
    value(wide_to_utf8(std::wstring_view(text ? text : L"", text_length(text))));
}

void JsonWriter::value(int64_t number) {
    separate();
    out_ += std::to_string(number);
    needComma_ = true;
}

void JsonWriter::value(uint64_t number) {
    separate();
    out_ += std::to_string(number);
    needComma_ = true;
}

void JsonWriter::value(bool flag) {
    separate();
    out_ += flag ? "true" : "false";
    needComma_ = true;
}
