// The public JSON conformance suite: every y_ document is accepted, every n_
// document rejected, and no i_ document may crash or hang the parser.
#include <gtest/gtest.h>

#include <string>

#include "app/media/json.h"
#include "tests/test_support.h"

namespace {

const char kFolder[] = "data/json-conformance/test_parsing";

TEST(JsonConformance, AcceptsValidRejectsInvalidSurvivesTheRest) {
    std::vector<std::string> names = list_test_folder(kFolder);
    ASSERT_GT(names.size(), 300u);
    int accepted = 0, rejected = 0, either = 0;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        std::string bytes = read_test_file(std::string(kFolder) + "/" + name);
        JsonParser parser;
        JsonValue value;
        bool ok = parse_json(parser, bytes.data(), bytes.size(), value);
        if (name[0] == 'y') {
            EXPECT_TRUE(ok) << parser.error << " at " << parser.errorPos;
            ++accepted;
        } else if (name[0] == 'n') {
            EXPECT_FALSE(ok);
            if (!ok) {
                EXPECT_NE(parser.error, nullptr);
                EXPECT_LE(parser.errorPos, bytes.size());
            }
            ++rejected;
        } else {
            ++either;
        }
    }
    EXPECT_GT(accepted, 0);
    EXPECT_GT(rejected, 0);
    EXPECT_GT(either, 0);
}

}  // namespace
