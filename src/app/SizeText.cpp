#include "app/SizeText.h"

#include <cstdio>

std::string sizeText(std::int64_t bytes) {
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
