// `dorvane restore (LOG | --last) [PATH…] [--to DIR] [--from FILE] [--dry-run] [--yes]`: puts the
// removed copies of one removal run back (all restorable ones, or those whose original paths are
// given), one line per file and a summary. Main thread.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Answers the exit status: 0 every file asked for is restored (now or earlier), 1 some could not be
// (each named with its reason), 2 bad usage or no such log, 3 not confirmed.
int runRestoreCommand(const std::vector<std::string>& arguments);
int runRestoreCommand(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
                      std::ostream& err, bool interactive);
