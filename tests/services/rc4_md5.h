// Plain MD5 and RC4, written from their published definitions, to check the
// settings cipher independently of the platform crypto service.
#pragma once

#include <array>
#include <cstdint>
#include <string>

std::array<uint8_t, 16> plain_md5(const std::string& bytes);
std::string plain_rc4(const std::array<uint8_t, 16>& key, const std::string& bytes);
