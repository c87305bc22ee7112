#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

std::string test_path(const std::string& relative) {
    return std::string(TAVLO_TEST_ROOT) + "/" + relative;
}

std::string read_test_file(const std::string& relative) {
    std::ifstream in(test_path(relative), std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot open " << test_path(relative);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> list_test_folder(const std::string& relative) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(test_path(relative), error)) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_FALSE(error) << "cannot list " << test_path(relative);
    std::sort(names.begin(), names.end());
    return names;
}
