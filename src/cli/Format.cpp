#include "cli/Format.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "settings/SizeText.h"

namespace format {

std::string size(std::uint64_t bytes) {
    return size_text::format(static_cast<std::int64_t>(std::min<std::uint64_t>(bytes, INT64_MAX)));
}

std::string count(std::uint64_t n) {
    std::string digits = std::to_string(n);
    std::string out;
    int since = static_cast<int>(digits.size() % 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && static_cast<int>(i) % 3 == since % 3 && i != 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

std::string duration(double seconds) {
    char buffer[32];
    if (seconds < 60) {
        std::snprintf(buffer, sizeof buffer, "%.1f s", seconds);
        return buffer;
    }
    auto total = static_cast<long long>(seconds);
    long long h = total / 3600, m = (total / 60) % 60, s = total % 60;
    if (h > 0)
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld:%02lld", h, m, s);
    else
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld", m, s);
    return buffer;
}

std::string isoTimeUtc(std::int64_t secondsSinceEpoch) {
    // A report states this for every group member: the calendar is worked out here rather than through
    // gmtime_r (which takes the time zone lock) and strftime (which consults the locale).
    using namespace std::chrono;
    const sys_seconds t{seconds{secondsSinceEpoch}};
    const sys_days day = floor<days>(t);
    const year_month_day date{day};
    const int y = static_cast<int>(date.year());
    if (y >= 1000 && y <= 9999) {  // strftime pads no year to four digits
        const long long inDay = (t - day).count();
        const unsigned fields[6] = {static_cast<unsigned>(y) / 100, static_cast<unsigned>(y) % 100,
                                    static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                                    static_cast<unsigned>(inDay / 3600), static_cast<unsigned>(inDay / 60 % 60)};
        std::string out = "0000-00-00T00:00:00Z";
        static constexpr std::size_t kAt[6] = {0, 2, 5, 8, 11, 14};
        for (std::size_t k = 0; k < 6; ++k) {
            out[kAt[k]] = static_cast<char>('0' + fields[k] / 10);
            out[kAt[k] + 1] = static_cast<char>('0' + fields[k] % 10);
        }
        out[17] = static_cast<char>('0' + inDay % 60 / 10);
        out[18] = static_cast<char>('0' + inDay % 10);
        return out;
    }
    const std::time_t when = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm tm{};
    gmtime_r(&when, &tm);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buffer;
}

namespace {
// The length of the valid UTF-8 sequence starting at text[i], or 0 when the byte there starts none.
std::size_t sequenceLength(std::string_view text, std::size_t i) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char c = s[i];
    if (c < 0x80) return 1;
    std::size_t extra;
    std::uint32_t cp;
    if ((c & 0xE0) == 0xC0) extra = 1, cp = c & 0x1F;
    else if ((c & 0xF0) == 0xE0) extra = 2, cp = c & 0x0F;
    else if ((c & 0xF8) == 0xF0) extra = 3, cp = c & 0x07;
    else return 0;
    if (i + extra >= text.size()) return 0;
    for (std::size_t k = 1; k <= extra; ++k) {
        if ((s[i + k] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if ((extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) ||
        (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        return 0;
    return extra + 1;
}
}  // namespace

bool isValidUtf8(std::string_view text) {
    // Most names are ASCII: one pass the compiler runs on vector registers tells.
    unsigned char any = 0;
    for (const char c : text) any |= static_cast<unsigned char>(c);
    if (any < 0x80) return true;
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = sequenceLength(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string lossyUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = sequenceLength(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}

std::string displayPath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t n = sequenceLength(path, i);
        const auto c = static_cast<unsigned char>(path[i]);
        if (n == 0 || c < 0x20 || c == 0x7F) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
            out += buffer;
            ++i;
        } else {
            out.append(path, i, n);
            i += n;
        }
    }
    return out;
}

std::string base64(std::string_view bytes) {
    static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const std::uint32_t v = (std::uint32_t(static_cast<unsigned char>(bytes[i])) << 16) |
                                (std::uint32_t(static_cast<unsigned char>(bytes[i + 1])) << 8) |
                                std::uint32_t(static_cast<unsigned char>(bytes[i + 2]));
        out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], kAlphabet[v & 63]};
    }
    if (i < bytes.size()) {
        std::uint32_t v = std::uint32_t(static_cast<unsigned char>(bytes[i])) << 16;
        if (i + 1 < bytes.size()) v |= std::uint32_t(static_cast<unsigned char>(bytes[i + 1])) << 8;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string counted(std::uint64_t n, const char* one, const char* many) {
    return count(n) + " " + (n == 1 ? one : many);
}

std::string jsonString(std::string_view given) {
    std::string lossy;
    const std::string_view text = isValidUtf8(given) ? given : std::string_view(lossy = lossyUtf8(given));
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    // Copied in stretches between the characters JSON wants escaped.
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(text, from, i - from);
        from = i + 1;
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            default: {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            }
        }
    }
    out.append(text, from);
    out.push_back('"');
    return out;
}

namespace {
// Columns taken by UTF-8 text: one per character (status lines hold no wide characters).
std::size_t columns(const std::string& text) {
    std::size_t n = 0;
    for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

std::string cutToColumns(const std::string& text, std::size_t width) {
    if (columns(text) <= width) return text;
    if (width == 0) return {};
    std::string out;
    std::size_t used = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && ++used > width - 1) break;
        out.push_back(c);
    }
    return out + "…";
}
}  // namespace

std::string fitLine(const std::vector<std::string>& parts, int width) {
    const std::size_t room = width > 1 ? static_cast<std::size_t>(width - 1) : 0;
    for (std::size_t keep = parts.size(); keep > 0; --keep) {
        std::string line = parts[0];
        for (std::size_t i = 1; i < keep; ++i) line += " | " + parts[i];
        if (columns(line) <= room) return line;
    }
    return parts.empty() ? std::string() : cutToColumns(parts[0], room);
}

}  // namespace format
