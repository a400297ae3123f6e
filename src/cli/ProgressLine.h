// The one-line progress display of `dorvane scan` on a terminal: phase, files scanned, possible and
// confirmed duplicates with their sizes, overall progress and elapsed time. Main thread only.
#pragma once

#include <string>

class FoldersScanner;

namespace progress_line {
std::string describe(const FoldersScanner& scanner);
}  // namespace progress_line
