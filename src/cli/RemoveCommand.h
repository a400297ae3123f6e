// `dorvane remove PLAN`: removes the copies a JSON report marks "selected", after checking every member
// against the disk; changed members are kept, and a group with no unchanged copy left to stay is refused.
// The removal itself is the scan's (RemoveRun). Main thread, with a QCoreApplication.
#pragma once

#include <string>
#include <vector>

// Answers the exit status: 0 every selected copy removed (or a dry run), 1 a bad plan, or some selected
// copy kept or not removed, or the history not written, 2 bad usage, 3 the permanent removal not
// confirmed, 130/143 stopped by a signal.
int runRemoveCommand(const std::vector<std::string>& arguments);
