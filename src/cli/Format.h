// Text formatting shared by the command line's reports and progress line. Pure functions.
#pragma once

#include <cstdint>
#include <string>

namespace format {
std::string size(std::uint64_t bytes);        // "4.1 MiB", "512 B"
std::string count(std::uint64_t n);           // "12,345"
std::string duration(double seconds);         // "0:12", "1:02:03", "3.4 s" below a minute
std::string isoTimeUtc(std::int64_t secondsSinceEpoch);  // "2026-01-31T12:00:00Z"
std::string jsonString(const std::string& text);         // quoted and escaped
}  // namespace format
