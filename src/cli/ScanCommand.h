// `dorvane scan`: checks the folders, runs one scan on the event loop with a progress line on a
// terminal, stops on Ctrl-C with a partial report, and writes the report. Main thread only.
#pragma once

#include <string>
#include <vector>

// Answers the process exit status: 0 done, 1 some folder could not be scanned, 2 bad usage or no
// folder at all, 130 stopped by Ctrl-C (the partial report is still written).
int runScanCommand(const std::vector<std::string>& arguments);
