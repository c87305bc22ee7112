// The interface the progress texts are made for: a translation table as the
// program loads it at start (empty for English), and the interface language
// that decides the decimal separator. Restores what was there before.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ui/locale_format.h"
#include "ui/translation.h"

constexpr unsigned LANGUAGE_ENGLISH = 0x0409;
constexpr unsigned LANGUAGE_GERMAN = 0x0407;

// The German texts of the progress display, as resources/lang/de.txt has them.
inline const char GERMAN_PROGRESS_TEXTS[] =
    "B=B\r\nKB=KB\r\nMB=MB\r\nGB=GB\r\nTB=TB\r\n"
    "Downloading...=Wird heruntergeladen...\r\n"
    "Processing files...=Dateien werden verarbeitet...\r\n"
    "Downloading video=Lade Video\r\n"
    "of=von\r\n"
    "Live recording=Live-Aufnahme\r\n"
    "1 min left=noch 1 Min.\r\n"
    "N min left=noch {n} Min.\r\n"
    "1 sec left=noch 1 Sek.\r\n"
    "N sec left=noch {n} Sek.\r\n";

class InterfaceScope {
public:
    // translations: the language resource's text; empty for English (an
    // empty table); null for no table at all (before start-up made one).
    InterfaceScope(unsigned languageId, const char* translations)
        : savedTable_(g_translation), savedLanguage_(interface_language()) {
        set_interface_language(languageId);
        if (translations) {
            table_ = static_cast<TranslationTable*>(std::calloc(1, sizeof(TranslationTable)));
            std::string text(translations);
            if (!text.empty()) {
                EXPECT_TRUE(parse_translation(*table_, text.data(), text.size()));
            }
        }
        g_translation = table_;
    }
    ~InterfaceScope() {
        g_translation = savedTable_;
        set_interface_language(savedLanguage_);
        if (table_) {
            clear_translation(*table_);
            std::free(table_);
        }
    }
    InterfaceScope(const InterfaceScope&) = delete;
    InterfaceScope& operator=(const InterfaceScope&) = delete;

    static InterfaceScope english() { return InterfaceScope(LANGUAGE_ENGLISH, ""); }

private:
    TranslationTable* table_ = nullptr;
    TranslationTable* savedTable_;
    unsigned savedLanguage_;
};
