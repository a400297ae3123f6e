// Sizes as the window shows them, in the command line's IEC units: "512 B", "4.1 MiB", "12 GiB"
// (one decimal below 10 of a unit). Pure function; any thread.
#pragma once

#include <cstdint>
#include <string>

std::string sizeText(std::int64_t bytes);
