// The key of a set of files whose content compared equal: 32 lower-case hexadecimal MD5 digits (held in
// the key itself, so that making one allocates nothing), or any other text (an empty file's name key),
// held in a string. A value type; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

class SetKey {
public:
    static constexpr std::size_t kDigestLength = 32;

    SetKey() = default;
    SetKey(std::string_view text) {  // NOLINT: a key is written as its text
        if (text.size() == kDigestLength) {
            std::memcpy(m_digits, text.data(), kDigestLength);
            m_bInline = true;
        } else {
            m_text.assign(text);
        }
    }
    SetKey(const std::string& text) : SetKey(std::string_view(text)) {}  // NOLINT
    SetKey(const char* text) : SetKey(std::string_view(text)) {}         // NOLINT

    // The key of an MD5 digest: its bytes as hexadecimal digits.
    static SetKey ofDigest(const std::array<std::uint8_t, 16>& digest) {
        static constexpr char kDigits[] = "0123456789abcdef";
        SetKey key;
        for (std::size_t i = 0; i < digest.size(); ++i) {
            key.m_digits[2 * i] = kDigits[digest[i] >> 4];
            key.m_digits[2 * i + 1] = kDigits[digest[i] & 0x0F];
        }
        key.m_bInline = true;
        return key;
    }

    std::string_view view() const { return m_bInline ? std::string_view(m_digits, kDigestLength) : std::string_view(m_text); }
    std::size_t size() const { return view().size(); }
    bool operator==(const SetKey& other) const { return view() == other.view(); }
    friend std::ostream& operator<<(std::ostream& out, const SetKey& key) { return out << key.view(); }

private:
    char m_digits[kDigestLength];  // the text, when it is 32 characters long (m_bInline)
    bool m_bInline = false;
    std::string m_text;
};

template <>
struct std::hash<SetKey> {
    std::size_t operator()(const SetKey& key) const noexcept { return std::hash<std::string_view>()(key.view()); }
};
