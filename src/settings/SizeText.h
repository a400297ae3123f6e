// Sizes as people type them: "1048576", "10K", "1.5M", "2G", "3T" (binary multiples; a trailing "B" or
// "iB" is allowed, and the unit's case does not matter). Pure function; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace size_text {
std::optional<std::uint64_t> parse(const std::string& text);
}  // namespace size_text
