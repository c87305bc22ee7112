// The setup program's language resources against their catalogue
// (resources/setup_lang/keys.txt) and against the texts the setup code
// looks up.
#include <gtest/gtest.h>

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
    return read_catalogue("resources/setup_lang/keys.txt");
}

// The setup's 13 languages: no Korean and no Turkish.
const std::map<std::string, int> kFiles = {
    {"ar.txt", 1001}, {"zh-Hans.txt", 1004}, {"de.txt", 1007}, {"es.txt", 1010}, {"fr.txt", 1012},
    {"it.txt", 1016}, {"ja.txt", 1017},      {"pt.txt", 1022}, {"ru.txt", 1025}, {"uk.txt", 1034},
    {"hi.txt", 1057}, {"bn.txt", 1069},      {"zh-Hant.txt", 1999},
};

TEST(SetupLanguageFiles, EveryFileTranslatesTheCatalogueInOrder) {
    std::vector<std::string> keys = catalogue();
    ASSERT_GT(keys.size(), 25u);
    std::set<std::string> unique(keys.begin(), keys.end());
    EXPECT_EQ(unique.size(), keys.size()) << "a text is listed twice";

    std::set<std::string> present;
    for (const auto& entry : fs::directory_iterator(source_path("resources/setup_lang"))) {
        std::string name = entry.path().filename().string();
        if (name != "keys.txt") {
            present.insert(name);
        }
    }
    std::set<std::string> expected;
    std::set<int> carried;
    for (const auto& [name, id] : kFiles) {
        expected.insert(name);
        carried.insert(id);
    }
    EXPECT_EQ(present, expected);
    // Every language the setup maps to a resource has its file.
    std::set<int> mapped;
    for (unsigned language : {1u, 4u, 7u, 9u, 10u, 12u, 16u, 17u, 18u, 22u, 25u, 31u, 34u, 57u, 69u, 0x7C04u}) {
        int id = language_resource_id(language, LanguageSet::Setup);
        if (id && language != 9) {
            mapped.insert(id);
        }
    }
    EXPECT_EQ(mapped, carried);

    for (const auto& [name, id] : kFiles) {
        SCOPED_TRACE(name);
        std::string bytes = read_bytes(source_path("resources/setup_lang/" + name));
        ASSERT_FALSE(bytes.empty());
        EXPECT_NE(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0) << "no byte-order mark";
        EXPECT_TRUE(valid_utf8(bytes));
        std::vector<std::string> fileKeys;
        size_t start = 0;
        while (start < bytes.size()) {
            size_t end = bytes.find("\r\n", start);
            ASSERT_NE(end, std::string::npos) << "the last line lacks its CR LF";
            std::string line = bytes.substr(start, end - start);
            start = end + 2;
            size_t equals = line.find('=');
            ASSERT_NE(equals, std::string::npos) << "malformed line: " << line;
            std::string key = line.substr(0, equals);
            std::string value = line.substr(equals + 1);
            fileKeys.push_back(key);
            EXPECT_FALSE(value.empty()) << key;
            for (const char* placeholder : {"%PROGNAME%", "%d"}) {
                EXPECT_EQ(key.find(placeholder) == std::string::npos, value.find(placeholder) == std::string::npos)
                    << key << " and its translation must agree on " << placeholder;
            }
        }
        EXPECT_EQ(fileKeys, keys) << "keys must follow the catalogue, once each, in its order";
        TranslationTable* table = new TranslationTable();
        EXPECT_TRUE(parse_translation(*table, bytes.data(), bytes.size()));
        EXPECT_EQ(static_cast<size_t>(table->count), keys.size());
        clear_translation(*table);
        delete table;
    }
}

// The English texts of translate(L"..."), UI_TEXT(L"...") and
// product_text(L"...") in the setup code.
std::vector<std::string> looked_up_texts(const std::string& code) {
    std::vector<std::string> texts;
    for (const char* marker : {"translate(L\"", "UI_TEXT(L\"", "product_text(L\""}) {
        for (size_t at = code.find(marker); at != std::string::npos; at = code.find(marker, at + 1)) {
            std::string text;
            for (size_t i = at + std::string(marker).size(); i < code.size() && code[i] != '"'; ++i) {
                if (code[i] == '\\' && i + 1 < code.size()) {
                    ++i;
                }
                text += code[i];
            }
            texts.push_back(text);
        }
    }
    return texts;
}

TEST(SetupLanguageFiles, EveryTextTheSetupLooksUpIsInTheCatalogue) {
    std::vector<std::string> keys = catalogue();
    std::set<std::string> known(keys.begin(), keys.end());
    size_t seen = 0;
    for (const auto& entry : fs::directory_iterator(source_path("setup"))) {
        std::string ext = entry.path().extension().string();
        if (ext != ".cpp" && ext != ".h") {
            continue;
        }
        for (const std::string& text : looked_up_texts(read_bytes(entry.path().string()))) {
            ++seen;
            EXPECT_TRUE(known.count(text)) << entry.path().filename().string() << " looks up \"" << text
                                           << "\", which no setup language file translates";
        }
    }
    EXPECT_GT(seen, 25u);
}

}  // namespace
