// The parts of `dorvane history` that look into one run or delete logs: `--details` lists every copy
// of a run with its restore state (text or JSON); `--clear [--day YYYY-MM-DD]` deletes log files and
// nothing else. Main thread.
#pragma once

#include <iosfwd>
#include <string>

class RestoreController;

void writeHistoryDetails(const RestoreController& controller, bool json, std::ostream& out);
// Answers the exit status: 0 deleted (or nothing to delete), 1 some could not be deleted, 2 bad day,
// 3 not confirmed (a run without a terminal needs `yes`).
int clearHistory(const std::string& folder, const std::string& day, bool yes, bool interactive, std::istream& in,
                 std::ostream& out, std::ostream& err);
