// `dorvane history`: lists the removal logs by day, newest first, with how many copies went to the
// Trash, were removed permanently or were kept; text or JSON. Reads only. Main thread.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Answers the process exit status: 0 listed, 1 some log could not be read (named on stderr and
// skipped), 2 bad usage.
int runHistoryCommand(const std::vector<std::string>& arguments);
// The same with the streams given (tests).
int runHistoryCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
