// `dorvane merge SOURCE DESTINATION`: scans the two folders, plans the merge of SOURCE into
// DESTINATION, prints the plan, asks on a terminal, runs it and prints each file's result.
// Main thread, with a QCoreApplication.
#pragma once

#include <string>
#include <vector>

int runMergeCommand(const std::vector<std::string>& arguments);
