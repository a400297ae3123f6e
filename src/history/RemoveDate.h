// Dates of the removal logs as text, in the local time zone, with the zone written "GMT+3" style
// ("GMT" at offset zero, "GMT+5:30" for half hours). Any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace remove_date {
// "yyyy-MM-dd HH:mm:ss z": the "date" and "date_mod" of a log.
std::string stringWithDate(std::int64_t secondsSince1970);
// "yyyy-MM-dd HH.mm.ss z": the stem of a log's file name.
std::string removeDateToString(std::int64_t secondsSince1970);
// Tries possibleDateFormattersStrings() in order; null when none fits.
std::optional<std::int64_t> removeDateFromString(const std::string& text);
const std::vector<std::string>& possibleDateFormattersStrings();
// "GMT", "GMT+3", "GMT-4", "GMT+5:30" for an offset east of UTC in seconds.
std::string zoneText(int offsetSeconds);
// Reads "GMT"/"UTC"/"Z" with an optional offset (+3, +03, +0530, +5:30) and a few common zone
// abbreviations; null when unknown.
std::optional<int> zoneOffsetFromText(const std::string& text);
// The local day of the date as "yyyy-MM-dd", and the time as "HH:mm:ss".
std::string dayText(std::int64_t secondsSince1970);
std::string timeText(std::int64_t secondsSince1970);
}  // namespace remove_date
