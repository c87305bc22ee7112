// What the language-file tests of both programs share: reading the sources,
// the catalogue of texts, and the UTF-8 check.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/utf.h"

inline std::string source_path(const std::string& relative) {
    return std::string(TAVLO_SOURCE_ROOT) + "/" + relative;
}

inline std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A catalogue (keys.txt below the source root): every line but comments and
// blank lines, spaces kept.
inline std::vector<std::string> read_catalogue(const std::string& relative) {
    std::vector<std::string> keys;
    std::istringstream in(read_bytes(source_path(relative)));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] != '#') {
            keys.push_back(line);
        }
    }
    return keys;
}

inline bool valid_utf8(const std::string& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (size_t i = 0; i < bytes.size();) {
        size_t n = utf8_decode(p + i, bytes.size() - i, nullptr);
        if (n == 0) {
            return false;
        }
        i += n;
    }
    return true;
}
