#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "ui/translation.h"

namespace {

TEST(TranslationResource, LoadsTheChosenLanguageAndFallsBackToEnglish) {
    auto* table = static_cast<TranslationTable*>(calloc(1, sizeof(TranslationTable)));
    HINSTANCE self = GetModuleHandleW(nullptr);

    ASSERT_TRUE(load_translation(*table, self, language_resource_id(0x0407)));
    EXPECT_STRNE(translate(table, L"Download"), L"Download");
    EXPECT_STREQ(translate(table, L"p"), L"p");

    ASSERT_TRUE(load_translation(*table, self, language_resource_id(0x7C04)));
    std::wstring traditional = translate(table, L"Download");
    ASSERT_TRUE(load_translation(*table, self, language_resource_id(0x0C04)));
    EXPECT_NE(std::wstring(translate(table, L"Download")), traditional);  // 0x0C04 is simplified Chinese

    // English has no resource: the table is emptied and the English texts show.
    EXPECT_FALSE(load_translation(*table, self, language_resource_id(9)));
    EXPECT_EQ(table->count, 0);
    EXPECT_STREQ(translate(table, L"Download"), L"Download");
    EXPECT_FALSE(load_translation(*table, self, 0));
    clear_translation(*table);
    free(table);
}

}  // namespace
