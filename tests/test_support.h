// Helpers shared by the tests: the test data folder and file reading.
#pragma once

#include <string>
#include <vector>

// TAVLO_TEST_ROOT + "/" + relative, in the form the running build opens.
std::string test_path(const std::string& relative);
// The file's exact bytes; fails the current test when it cannot be read.
std::string read_test_file(const std::string& relative);
// File names (not paths) in a test data folder, sorted.
std::vector<std::string> list_test_folder(const std::string& relative);
