// The language resources against the catalogue of interface texts
// (resources/lang/keys.txt) and against the texts the code looks up.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/utf.h"
#include "tests/language_files_support.h"
#include "ui/translation.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> catalogue() {
    return read_catalogue("resources/lang/keys.txt");
}

// The languages the program carries, by file name.
const std::map<std::string, int> kFiles = {
    {"ar.txt", 1001}, {"zh-Hans.txt", 1004}, {"de.txt", 1007}, {"es.txt", 1010}, {"fr.txt", 1012},
    {"it.txt", 1016}, {"ja.txt", 1017},      {"ko.txt", 1018}, {"pt.txt", 1022}, {"ru.txt", 1025},
    {"tr.txt", 1030}, {"uk.txt", 1034},      {"hi.txt", 1057}, {"bn.txt", 1069}, {"zh-Hant.txt", 1999},
};

size_t leading_spaces(const std::string& s) {
    return s.find_first_not_of(' ') == std::string::npos ? s.size() : s.find_first_not_of(' ');
}
size_t trailing_spaces(const std::string& s) {
    size_t last = s.find_last_not_of(' ');
    return last == std::string::npos ? s.size() : s.size() - 1 - last;
}

TEST(LanguageFiles, EveryFileTranslatesExactlyTheCatalogue) {
    std::vector<std::string> keys = catalogue();
    ASSERT_GT(keys.size(), 50u);
    std::set<std::string> unique(keys.begin(), keys.end());
    EXPECT_EQ(unique.size(), keys.size()) << "a text is listed twice";
    for (const std::string& key : keys) {
        EXPECT_EQ(key.find('='), std::string::npos) << "a key cannot hold '=': " << key;
    }

    std::set<std::string> present;
    for (const auto& entry : fs::directory_iterator(source_path("resources/lang"))) {
        std::string name = entry.path().filename().string();
        if (name != "keys.txt" && name != "untranslated.txt") {
            present.insert(name);
        }
    }
    std::set<std::string> expected;
    for (const auto& [name, id] : kFiles) {
        expected.insert(name);
    }
    EXPECT_EQ(present, expected);

    std::set<int> offered;  // every language of the Options dialog but English has its file
    for (unsigned language : OPTIONS_LANGUAGES) {
        if (language != 9) {
            offered.insert(language_resource_id(language));
        }
    }
    std::set<int> carried;
    for (const auto& [name, id] : kFiles) {
        carried.insert(id);
    }
    EXPECT_EQ(offered, carried);

    for (const auto& [name, id] : kFiles) {
        SCOPED_TRACE(name);
        std::string bytes = read_bytes(source_path("resources/lang/" + name));
        ASSERT_FALSE(bytes.empty());
        EXPECT_NE(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0) << "no byte-order mark";
        EXPECT_TRUE(valid_utf8(bytes));

        std::vector<std::string> lines;
        size_t start = 0;
        while (start < bytes.size()) {
            size_t end = bytes.find("\r\n", start);
            ASSERT_NE(end, std::string::npos) << "the last line lacks its CR LF";
            lines.push_back(bytes.substr(start, end - start));
            start = end + 2;
        }
        std::vector<std::string> fileKeys;
        for (const std::string& line : lines) {
            size_t equals = line.find('=');
            ASSERT_NE(equals, std::string::npos) << "malformed line: " << line;
            ASSERT_EQ(line.find_first_of("\r\n"), std::string::npos) << "stray line break: " << line;
            std::string key = line.substr(0, equals);
            std::string value = line.substr(equals + 1);
            fileKeys.push_back(key);
            EXPECT_FALSE(value.empty()) << key;
            EXPECT_EQ(leading_spaces(value), leading_spaces(key)) << key;
            EXPECT_EQ(trailing_spaces(value), trailing_spaces(key)) << key;
            if (key.rfind("N ", 0) == 0) {
                EXPECT_NE(value.find("{n}"), std::string::npos) << key << " needs the number";
            }
        }
        EXPECT_EQ(fileKeys, keys) << "keys must follow the catalogue, once each, in its order";

        TranslationTable* table = static_cast<TranslationTable*>(calloc(1, sizeof(TranslationTable)));
        EXPECT_TRUE(parse_translation(*table, bytes.data(), bytes.size()));
        EXPECT_EQ(static_cast<size_t>(table->count), keys.size());
        EXPECT_LE(table->count, TRANSLATION_CAPACITY);
        clear_translation(*table);
        free(table);
    }
}

// The English texts in C++ literals of translate(L"...") and UI_TEXT(L"...").
std::vector<std::string> looked_up_texts(const std::string& code) {
    std::vector<std::string> texts;
    for (const char* marker : {"translate(L\"", "UI_TEXT(L\""}) {
        for (size_t at = code.find(marker); at != std::string::npos; at = code.find(marker, at + 1)) {
            std::string text;
            size_t i = at + std::string(marker).size();
            for (; i < code.size() && code[i] != '"'; ++i) {
                if (code[i] == '\\' && i + 1 < code.size()) {
                    ++i;
                    text += code[i] == 'n' ? '\n' : code[i] == 't' ? '\t' : code[i];
                } else {
                    text += code[i];
                }
            }
            texts.push_back(text);
        }
    }
    return texts;
}

TEST(LanguageFiles, EveryTextTheCodeLooksUpIsInTheCatalogue) {
    std::vector<std::string> keys = catalogue();
    std::set<std::string> known(keys.begin(), keys.end());
    for (const char* folder : {"app", "ui"}) {
        for (const auto& entry : fs::recursive_directory_iterator(source_path(folder))) {
            std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h") {
                continue;
            }
            for (const std::string& text : looked_up_texts(read_bytes(entry.path().string()))) {
                EXPECT_TRUE(known.count(text)) << entry.path().filename().string() << " looks up \"" << text
                                               << "\", which no language file translates";
            }
        }
    }
}

}  // namespace
