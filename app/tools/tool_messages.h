// What the tools' output says about the item, shared by the metadata and
// download parsers.
#pragma once

#include <cstddef>
#include <string_view>

// True when the text asks for a signed-in account: "age-restricted", "Sign in
// to confirm", "--cookies-from-browser" or "HTTP Error 401", in any case.
bool is_sign_in_message(std::string_view text);
