#include "app/tools/tool_messages.h"

namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

}  // namespace

size_t find_nocase(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) {
        return 0;
    }
    if (needle.size() > haystack.size()) {
        return std::string_view::npos;
    }
    char first = lower(needle[0]);
    for (size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
        if (lower(haystack[i]) != first) {
            continue;
        }
        size_t k = 1;
        while (k < needle.size() && lower(haystack[i + k]) == lower(needle[k])) {
            ++k;
        }
        if (k == needle.size()) {
            return i;
        }
    }
    return std::string_view::npos;
}

bool is_sign_in_message(std::string_view text) {
    return contains_nocase(text, "age-restricted") || contains_nocase(text, "Sign in to confirm") ||
           contains_nocase(text, "--cookies-from-browser") || contains_nocase(text, "HTTP Error 401");
}
