// Interface texts are written in English in the code and translated when
// they are shown, by exact lookup in a table loaded once at start from a
// language resource (UTF-8 lines "English=Translated"). Without a table
// every lookup returns the English text.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstddef>

constexpr int TRANSLATION_CAPACITY = 512;
constexpr int LANGUAGE_RESOURCE_TYPE = 520;

struct TranslationEntry {
    wchar_t* key;    // system strings
    wchar_t* value;
};

struct TranslationTable {
    int count;
    TranslationEntry entries[TRANSLATION_CAPACITY];
};

// The process-wide table; null until start-up allocates it.
extern TranslationTable* g_translation;

// Marks an English text that is looked up later, where it is shown; the
// language-file test collects these as it collects the literal texts
// passed to translate.
#define UI_TEXT(text) text

// The value of the first entry whose key equals text exactly, else text
// itself; null and empty texts come back unchanged.
const wchar_t* translate(const TranslationTable* table, const wchar_t* text);
inline const wchar_t* translate(const wchar_t* text) {
    return translate(g_translation, text);
}

void clear_translation(TranslationTable& table);
// Clears the table and fills it from the text of a language resource; lines
// end at CR or LF, the first "=" of a line separates key and value, lines
// without "=" are ignored, at most 512 entries. True when one was loaded.
bool parse_translation(TranslationTable& table, const char* utf8, size_t length);

// Which program's resources to look for: the setup program has fewer.
enum class LanguageSet { Main, Setup };

// Resource identifier of a Windows language identifier, 0 when there is none.
int language_resource_id(unsigned languageId, LanguageSet set = LanguageSet::Main);
// The language's own name for the Options dialog; null for other languages.
const wchar_t* language_name(unsigned languageId);
// The languages of the Options dialog, in its order.
extern const unsigned OPTIONS_LANGUAGES[16];

#ifdef _WIN32
// Loads the language resource (type 520) into the table; false leaves it empty.
bool load_translation(TranslationTable& table, HINSTANCE instance, int resourceId);
#endif
