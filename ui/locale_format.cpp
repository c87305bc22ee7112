#include "ui/locale_format.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

unsigned g_language = 0;

}  // namespace

void set_interface_language(unsigned languageId) {
    g_language = languageId;
}

unsigned interface_language() {
    return g_language;
}

wchar_t interface_decimal_separator() {
#ifdef _WIN32
    wchar_t separator[4] = L"";
    LCID locale = g_language ? MAKELCID(static_cast<LANGID>(g_language), SORT_DEFAULT) : LOCALE_USER_DEFAULT;
    if (!GetLocaleInfoW(locale, LOCALE_SDECIMAL, separator, 4) || !separator[0]) {
        return L'.';
    }
    return separator[0];
#else
    switch (g_language & 0x3FF) {
    case 0x07:  // German
    case 0x0A:  // Spanish
    case 0x0C:  // French
    case 0x10:  // Italian
    case 0x16:  // Portuguese
    case 0x19:  // Russian
    case 0x1F:  // Turkish
    case 0x22:  // Ukrainian
        return L',';
    default:
        return L'.';
    }
#endif
}
