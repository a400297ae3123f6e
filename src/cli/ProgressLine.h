// The one-line progress display of the command line on a terminal: the scan's phase, files scanned,
// possible and confirmed duplicates, a percentage that only moves forward and the elapsed time, cut to
// the terminal's width (least useful parts first). Main thread only.
#pragma once

#include <string>

class FoldersScanner;

namespace progress_line {
// The scan's overall share done, 0 to 1: the walk by folders read, each weighted by its share of the
// tree (the first 15 %), the content comparison by the bytes of the size buckets compared (up to 90 %, or
// 100 % without the folder phases), then the folder phases. Never goes back.
class ScanPercentage {
public:
    explicit ScanPercentage(bool withFolderPhases) : m_withFolderPhases(withFolderPhases) {}
    double update(const FoldersScanner& scanner);

private:
    bool m_withFolderPhases;
    double m_shown = 0;
};

std::string describe(const FoldersScanner& scanner, ScanPercentage& percentage, int width);
}  // namespace progress_line
