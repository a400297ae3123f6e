#include "cli/ProgressLine.h"

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
}  // namespace

std::string describe(const FoldersScanner& s) {
    std::uint64_t possibleSize = 0, actualSize = 0;
    for (int t = 0; t < 7; ++t) {
        possibleSize += s.getPossibleDuplicatesSizeOfType(t);
        actualSize += s.getActualDuplicatesSizeOfType(t);
    }
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3.0f%%", 100.0 * s.getOverallProgress());
    double elapsed = s.getTimeFromStart();
    return std::string(phaseName(s.getCurrentState())) + " | " + format::count(s.getCountOfScannedFiles()) +
           " files | possible " + format::count(s.getCountOfPossibleDuplicates()) + " (" + format::size(possibleSize) +
           ") | duplicates " + format::count(s.getCountOfActualDuplicates()) + " (" + format::size(actualSize) + ") | " +
           percent + " | " + format::duration(elapsed < 0 ? 0 : elapsed);
}
}  // namespace progress_line
