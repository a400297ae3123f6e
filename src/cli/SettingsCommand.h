// `dorvane settings`: lists every setting with its value and default, and gets, sets (type-checked)
// and resets settings by key. Main thread; exit status 0, 2 for a usage error, an unknown key or a bad
// value, 1 when the settings file could not be written.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

int runSettingsCommand(const std::vector<std::string>& arguments);
// The same, writing to the given streams instead of stdout and stderr.
int runSettingsCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
