#include "cli/Format.h"

#include <cstdio>
#include <ctime>

namespace format {

std::string size(std::uint64_t bytes) {
    static const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 5) {
        value /= 1024;
        ++unit;
    }
    char buffer[32];
    if (unit == 0)
        std::snprintf(buffer, sizeof buffer, "%llu B", static_cast<unsigned long long>(bytes));
    else
        std::snprintf(buffer, sizeof buffer, value < 10 ? "%.1f %s" : "%.0f %s", value, units[unit]);
    return buffer;
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
    std::time_t t = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buffer;
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            default:
                if (c < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
    }
    out.push_back('"');
    return out;
}

}  // namespace format
