// Text formatting shared by the command line's reports and progress line. Pure functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace format {
std::string size(std::uint64_t bytes);        // "4.1 MiB", "512 B"
std::string count(std::uint64_t n);           // "12,345"
std::string duration(double seconds);         // "0:12", "1:02:03", "3.4 s" below a minute
std::string isoTimeUtc(std::int64_t secondsSinceEpoch);  // "2026-01-31T12:00:00Z"
std::string jsonString(std::string_view text);            // quoted and escaped; not UTF-8: see lossyUtf8
// "1 copy", "2 copies", "1,024 files".
std::string counted(std::uint64_t n, const char* one, const char* many);

// File names are bytes; these show them.
bool isValidUtf8(std::string_view text);
// Each byte that is not part of valid UTF-8 becomes U+FFFD.
std::string lossyUtf8(std::string_view text);
// For text output: bytes that are not valid UTF-8 and control characters become \xHH ("caf\xe9.jpg").
std::string displayPath(std::string_view path);
std::string base64(std::string_view bytes);  // standard alphabet, padded

// A status line for a terminal `width` columns wide: the parts joined with " | ", leaving parts out from
// the last one on until it fits in width - 1 columns (the cursor never wraps); the first part alone is
// cut with "…" when even it is too long.
std::string fitLine(const std::vector<std::string>& parts, int width);
}  // namespace format
