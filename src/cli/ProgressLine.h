// The one-line progress display of the command line on a terminal: the scan's phase, files scanned,
// possible and confirmed duplicates, a percentage that only moves forward and the elapsed time, cut to
// the terminal's width (least useful parts first). Main thread only.
#pragma once

#include <cstdint>
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
// A file operation's line: "Moving 40% | 2 of 5 files | 1.2 MiB of 3.0 MiB | 0:03".
std::string describeTransfer(const std::string& title, std::uint64_t filesDone, std::uint64_t files,
                             std::uint64_t bytesDone, std::uint64_t bytes, double seconds, int width);
}  // namespace progress_line
