#include "app/media/video_info.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include "base/text.h"

// GetLocaleInfoW knows every language; the portable builds (tests, fuzzing,
// the inspection tool) only need the interface languages.
void interface_language_code(unsigned languageId, wchar_t (&out)[4]) {
    out[0] = 0;
    if (languageId == 0) {
        return;
    }
#ifdef _WIN32
    if (!GetLocaleInfoW(MAKELCID(static_cast<LANGID>(languageId), SORT_DEFAULT), LOCALE_SISO639LANGNAME, out, 4)) {
        out[0] = 0;
    }
#else
    struct Row {
        unsigned primary;
        const wchar_t* code;
    };
    static const Row kRows[] = {
        {0x01, L"ar"}, {0x04, L"zh"}, {0x07, L"de"}, {0x09, L"en"}, {0x0A, L"es"}, {0x0C, L"fr"},
        {0x10, L"it"}, {0x11, L"ja"}, {0x12, L"ko"}, {0x13, L"nl"}, {0x15, L"pl"}, {0x16, L"pt"},
        {0x19, L"ru"}, {0x1D, L"sv"}, {0x1F, L"tr"}, {0x22, L"uk"}, {0x39, L"hi"}, {0x45, L"bn"},
    };
    unsigned primary = languageId & 0x3FF;
    for (const Row& row : kRows) {
        if (row.primary == primary) {
            text_copy(out, row.code);
            return;
        }
    }
#endif
}
