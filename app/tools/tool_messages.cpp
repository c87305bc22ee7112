#include "app/tools/tool_messages.h"

#include "base/text.h"

bool is_sign_in_message(std::string_view text) {
    return bytes_contain_nocase(text, "age-restricted") || bytes_contain_nocase(text, "Sign in to confirm") ||
           bytes_contain_nocase(text, "--cookies-from-browser") || bytes_contain_nocase(text, "HTTP Error 401");
}
