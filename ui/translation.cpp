#include "ui/translation.h"

#include <string>

#include "base/sys_string.h"
#include "base/text.h"
#include "base/utf.h"

TranslationTable* g_translation = nullptr;

namespace {

struct Language {
    unsigned id;           // exact identifier for 0x7C04, else the primary language
    const wchar_t* name;   // the language's own name
    int mainResource;
    int setupResource;
};

// The first row needs the exact identifier; the others match the primary
// language (the low 10 bits), so every Chinese identifier but 0x7C04 is
// simplified Chinese. English has no resource: its lookups find nothing.
const Language kLanguages[] = {
    {0x7C04, L"中文（繁體）", 1999, 1999},
    {0x01, L"العربية", 1001, 1001},
    {0x04, L"中文（简体）", 1004, 1004},
    {0x07, L"Deutsch", 1007, 1007},
    {0x09, L"English", 1009, 1009},
    {0x0A, L"Español", 1010, 1010},
    {0x0C, L"Français", 1012, 1012},
    {0x10, L"Italiano", 1016, 1016},
    {0x11, L"日本語", 1017, 1017},
    {0x12, L"한국어", 1018, 0},
    {0x16, L"Português", 1022, 1022},
    {0x19, L"русский", 1025, 1025},
    {0x1F, L"Türkçe", 1030, 0},
    {0x22, L"Українська", 1034, 1034},
    {0x39, L"हिंदी", 1057, 1057},
    {0x45, L"বাংলা", 1069, 1069},
};

const Language* find_language(unsigned languageId) {
    if (languageId == kLanguages[0].id) {
        return &kLanguages[0];
    }
    unsigned primary = languageId & 0x3FF;
    for (size_t i = 1; i < sizeof(kLanguages) / sizeof(kLanguages[0]); ++i) {
        if (kLanguages[i].id == primary) {
            return &kLanguages[i];
        }
    }
    return nullptr;
}

}  // namespace

const unsigned OPTIONS_LANGUAGES[16] = {7, 9, 10, 12, 16, 22, 25, 31, 34, 1, 57, 69, 17, 4, 0x7C04, 18};

int language_resource_id(unsigned languageId, LanguageSet set) {
    const Language* language = find_language(languageId);
    if (!language) {
        return 0;
    }
    return set == LanguageSet::Setup ? language->setupResource : language->mainResource;
}

const wchar_t* language_name(unsigned languageId) {
    const Language* language = find_language(languageId);
    return language ? language->name : nullptr;
}

const wchar_t* translate(const TranslationTable* table, const wchar_t* text) {
    if (!table || !text || !*text) {
        return text;
    }
    for (int i = 0; i < table->count; ++i) {
        if (text_equal(table->entries[i].key, text)) {
            return table->entries[i].value ? table->entries[i].value : L"";
        }
    }
    return text;
}

void clear_translation(TranslationTable& table) {
    for (int i = 0; i < table.count && i < TRANSLATION_CAPACITY; ++i) {
        sys_string_free(table.entries[i].key);
        sys_string_free(table.entries[i].value);
        table.entries[i] = {};
    }
    table.count = 0;
}

bool parse_translation(TranslationTable& table, const char* utf8, size_t length) {
    std::wstring text = utf8_to_wide(std::string_view(utf8 ? utf8 : "", utf8 ? length : 0));
    if (text.empty()) {
        return false;
    }
    clear_translation(table);
    size_t i = 0;
    while (i < text.size() && table.count < TRANSLATION_CAPACITY) {
        while (i < text.size() && (text[i] == L'\r' || text[i] == L'\n')) {
            ++i;
        }
        size_t end = i;
        while (end < text.size() && text[end] != L'\r' && text[end] != L'\n') {
            ++end;
        }
        size_t equals = text.find(L'=', i);
        if (equals != std::wstring::npos && equals < end) {
            TranslationEntry& entry = table.entries[table.count];
            entry.key = sys_string_new(text.data() + i, equals - i);
            entry.value = sys_string_new(text.data() + equals + 1, end - equals - 1);
            if (entry.key && entry.value) {
                ++table.count;
            } else {
                sys_string_free(entry.key);
                sys_string_free(entry.value);
                entry = {};
            }
        }
        i = end;
    }
    return table.count > 0;
}

#ifdef _WIN32
bool load_translation(TranslationTable& table, HINSTANCE instance, int resourceId) {
    HRSRC found = resourceId ? FindResourceW(instance, MAKEINTRESOURCEW(resourceId),
                                             MAKEINTRESOURCEW(LANGUAGE_RESOURCE_TYPE))
                             : nullptr;
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD size = found ? SizeofResource(instance, found) : 0;
    if (!bytes || size == 0) {
        clear_translation(table);
        return false;
    }
    if (!parse_translation(table, static_cast<const char*>(bytes), size)) {
        clear_translation(table);
        return false;
    }
    return true;
}
#endif
