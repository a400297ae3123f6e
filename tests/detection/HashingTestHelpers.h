// Helpers of the content-hashing tests: an MD5 computed with OpenSSL directly (independent of the
// code under test) and the bytes of a file.
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace hashing_test {

inline std::string md5Hex(const std::string& data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), digest, &length, EVP_md5(), nullptr);
    std::ostringstream out;
    static const char* digits = "0123456789abcdef";
    for (unsigned int i = 0; i < length; ++i) out << digits[digest[i] >> 4] << digits[digest[i] & 15];
    return out.str();
}

inline std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The bytes of the given (offset, length) ranges of `content`, concatenated; a range is cut at the end.
inline std::string regions(const std::string& content, const std::vector<std::pair<std::size_t, std::size_t>>& ranges) {
    std::string out;
    for (auto [offset, length] : ranges) out += content.substr(offset, length);
    return out;
}

}  // namespace hashing_test
