// Writes a ScanReport as the text report people read or as the JSON document scripts read.
// Pure functions of the report.
#pragma once

#include <string>

#include "cli/ScanReport.h"

namespace report_writer {
std::string text(const ScanReport& report);
std::string json(const ScanReport& report);
}  // namespace report_writer
