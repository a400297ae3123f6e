#include "cli/ProgressLine.h"

#include <algorithm>
#include <cstdio>

#include "cli/Format.h"
#include "scan/FoldersScanner.h"

namespace progress_line {
namespace {
const char* phaseName(FoldersScannerState state) {
    switch (state) {
        case FoldersScannerStateIdle: return "Starting";
        case FoldersScannerStateScanningFolders: return "Scanning folders";
        case FoldersScannerStateFilteringFiles: return "Comparing files";
        case FoldersScannerStateFilteringFolders: return "Comparing folders";
        case FoldersScannerStateFilteringHeaps:
        case FoldersScannerStateSeparatingHeapItems: return "Looking into shared folders";
        case FoldersScannerStateCompleted: return "Done";
        case FoldersScannerStateStopped: return "Stopping";
    }
    return "";
}

double ratio(std::uint64_t done, std::uint64_t total) {
    return total == 0 ? 0.0 : std::min(1.0, static_cast<double>(done) / static_cast<double>(total));
}
}  // namespace

double ScanPercentage::update(const FoldersScanner& s) {
    constexpr double kWalk = 0.15;
    const double comparisonEnd = m_withFolderPhases ? 0.9 : 1.0;
    double now = 0;
    switch (s.getCurrentState()) {
        case FoldersScannerStateIdle: break;
        case FoldersScannerStateScanningFolders:
            now = kWalk * s.getWalkProgress();
            break;
        case FoldersScannerStateFilteringFiles:
            now = kWalk + (comparisonEnd - kWalk) * ratio(s.getBytesCompared(), s.getBytesToCompare());
            break;
        case FoldersScannerStateFilteringFolders:
        case FoldersScannerStateFilteringHeaps:
        case FoldersScannerStateSeparatingHeapItems:
            now = comparisonEnd + (1.0 - comparisonEnd) * (0.9 * s.getDuplicatesFoldersFilterProgress() +
                                                            0.1 * s.getHeapsFilterProgress());
            break;
        case FoldersScannerStateCompleted: now = 1.0; break;
        case FoldersScannerStateStopped: now = m_shown; break;
    }
    m_shown = std::max(m_shown, std::min(now, 1.0));
    return m_shown;
}

std::string describe(const FoldersScanner& s, ScanPercentage& percentage, int width) {
    std::uint64_t possibleSize = 0, actualSize = 0;
    for (int t = 0; t < 7; ++t) {
        possibleSize += s.getPossibleDuplicatesSizeOfType(t);
        actualSize += s.getActualDuplicatesSizeOfType(t);
    }
    char percent[16];
    std::snprintf(percent, sizeof percent, "%.0f%%", 100.0 * percentage.update(s));
    const double elapsed = s.getTimeFromStart();
    // In the order they are given up when the terminal is narrow: the last first.
    return format::fitLine({std::string(phaseName(s.getCurrentState())) + " " + percent,
                format::counted(s.getCountOfScannedFiles(), "file", "files"),
                format::duration(elapsed < 0 ? 0 : elapsed),
                "duplicates " + format::count(s.getCountOfActualDuplicates()) + " (" + format::size(actualSize) + ")",
                "possible " + format::count(s.getCountOfPossibleDuplicates()) + " (" + format::size(possibleSize) + ")"},
               width);
}

std::string describeTransfer(const std::string& title, std::uint64_t filesDone, std::uint64_t files,
                             std::uint64_t bytesDone, std::uint64_t bytes, double seconds, int width) {
    char percent[16];
    const double share = bytes ? ratio(bytesDone, bytes) : ratio(filesDone, files);
    std::snprintf(percent, sizeof percent, "%.0f%%", 100.0 * share);
    return format::fitLine({title + " " + percent, format::count(filesDone) + " of " + format::counted(files, "file", "files"),
                            format::size(bytesDone) + " of " + format::size(bytes), format::duration(seconds)},
                           width);
}
}  // namespace progress_line
