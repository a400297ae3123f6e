// Sizes as people type and read them. parse: "1048576", "10K", "1.5M", "2G", "3T" (binary multiples; a
// trailing "B" or "iB" is allowed, and the unit's case does not matter). format: IEC units, "512 B",
// "4.1 MiB", "12 GiB" (one decimal below 10 of a unit), as the command line and the window show them.
// Pure functions; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace size_text {
std::optional<std::uint64_t> parse(const std::string& text);
std::string format(std::int64_t bytes);
}  // namespace size_text
