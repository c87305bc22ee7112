// A small streaming JSON writer for the developer tools' output (UTF-8).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class JsonWriter {
public:
    void begin_object();
    void end_object();
    void begin_array();
    void end_array();
    void key(std::string_view name);
    void value(std::string_view utf8);
    void value(const char* utf8) { value(std::string_view(utf8)); }
    void value(const wchar_t* text);  // UTF-16 units; null writes ""
    void value(int64_t number);
    void value(uint64_t number);
    void value(int number) { value(static_cast<int64_t>(number)); }
    void value(unsigned number) { value(static_cast<uint64_t>(number)); }
    void value(bool flag);

    const std::string& text() const { return out_; }

private:
    std::string out_;
    bool needComma_ = false;

    void separate();
};
