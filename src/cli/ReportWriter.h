// Writes a ScanReport as the text report people read or as the JSON document scripts read.
// Pure functions of the report.
#pragma once

#include <string>

#include "cli/RemoveRun.h"
#include "cli/ScanReport.h"

namespace report_writer {
std::string text(const ScanReport& report);
// `more` holds further members of the top object, each line ending in ",\n" ("  \"removal\": {…},\n").
std::string json(const ScanReport& report, const std::string& more = {});
// The "removal" member of a JSON report, as `more` takes it.
std::string removalJson(const RemovalOutcome& outcome);
}  // namespace report_writer
