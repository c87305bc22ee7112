// Numbers as the interface language writes them.
#pragma once

// The interface language identifier (setting lang_id), set once at start;
// 0 means the user's default locale.
void set_interface_language(unsigned languageId);
unsigned interface_language();
// The decimal separator of the interface language: its first character, "."
// when the locale can't tell. On Windows from the locale data; the portable
// builds know the program's own languages.
wchar_t interface_decimal_separator();
