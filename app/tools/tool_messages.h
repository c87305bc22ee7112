// What the tools' output says about the item, shared by the metadata and
// download parsers.
#pragma once

#include <cstddef>
#include <string_view>

// True when the text asks for a signed-in account: "age-restricted", "Sign in
// to confirm", "--cookies-from-browser" or "HTTP Error 401", in any case.
bool is_sign_in_message(std::string_view text);
// Case-insensitive search in bytes (ASCII letters fold).
size_t find_nocase(std::string_view haystack, std::string_view needle);
inline bool contains_nocase(std::string_view haystack, std::string_view needle) {
    return find_nocase(haystack, needle) != std::string_view::npos;
}
