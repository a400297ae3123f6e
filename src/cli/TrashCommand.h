// `dorvane trash [--uid UID --data-home DIR] [--print0] [--output FILE] [--from LIST] [--] PATH…`: moves
// each path (absolute; a symbolic link is refused, no link followed on the way) into the user's Trash
// with its .trashinfo record and prints "old → new" per moved path. The removal helpers call it from
// their script, through pkexec when they need administrator rights: --uid and --data-home then name the
// user whose Trash takes the files. Main thread.
#pragma once

#include <string>
#include <vector>

// Answers the exit status: 0 every path moved, 1 some were not (each named on stderr), 2 bad usage.
int runTrashCommand(const std::vector<std::string>& arguments);
