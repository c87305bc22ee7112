// The program's language resources compiled into the developer tool.
#pragma once

#include <cstddef>

struct EmbeddedLanguage {
    int resourceId;       // as in resources/languages.rc
    const char* bytes;    // UTF-8 lines "English=Translated"
    size_t size;
};

extern const EmbeddedLanguage EMBEDDED_LANGUAGES[];
extern const size_t EMBEDDED_LANGUAGE_COUNT;
