// Writes a ScanReport as the text report people read or as the JSON document scripts read, to a stream
// piece by piece (never held whole in memory). Pure functions of the report; any thread.
#pragma once

#include <iosfwd>
#include <string>

#include "cli/RemoveRun.h"
#include "cli/ScanReport.h"

namespace report_writer {
void text(std::ostream& stream, const ScanReport& report);
// `more` holds further members of the top object, each line ending in ",\n" ("  \"removal\": {…},\n").
void json(std::ostream& stream, const ScanReport& report, const std::string& more = {});
// The "removal" member of a JSON report, as `more` takes it.
std::string removalJson(const RemovalOutcome& outcome);
}  // namespace report_writer
