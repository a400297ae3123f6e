#include "settings/SizeText.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace size_text {

std::optional<std::uint64_t> parse(const std::string& text) {
    if (text.empty()) return std::nullopt;
    std::size_t i = 0;
    while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.')) ++i;
    if (i == 0) return std::nullopt;
    std::string number = text.substr(0, i);
    if (number.find('.') != number.rfind('.')) return std::nullopt;
    std::string unit = text.substr(i);
    for (auto& c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (unit.ends_with("IB")) unit.erase(unit.size() - 2);
    else if (unit.size() > 1 && unit.ends_with("B")) unit.pop_back();
    else if (unit == "B") unit.clear();
    double multiplier = 1;
    if (unit == "K") multiplier = 1024.0;
    else if (unit == "M") multiplier = 1024.0 * 1024;
    else if (unit == "G") multiplier = 1024.0 * 1024 * 1024;
    else if (unit == "T") multiplier = 1024.0 * 1024 * 1024 * 1024;
    else if (!unit.empty()) return std::nullopt;
    char* end = nullptr;
    double value = std::strtod(number.c_str(), &end);
    if (!end || *end != '\0' || value < 0) return std::nullopt;
    double bytes = std::floor(value * multiplier);
    if (bytes > 1.8e19) return std::nullopt;
    return static_cast<std::uint64_t>(bytes);
}

std::string format(std::int64_t bytes) {
    static const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    const bool negative = bytes < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(bytes) : static_cast<std::uint64_t>(bytes);
    double value = static_cast<double>(magnitude);
    int unit = 0;
    while (value >= 1024 && unit < 6) {
        value /= 1024;
        ++unit;
    }
    char buffer[40];
    if (unit == 0)
        std::snprintf(buffer, sizeof buffer, "%s%llu B", negative ? "-" : "", static_cast<unsigned long long>(magnitude));
    else
        std::snprintf(buffer, sizeof buffer, value < 10 ? "%s%.1f %s" : "%s%.0f %s", negative ? "-" : "", value, units[unit]);
    return buffer;
}

}  // namespace size_text
