// The phases of one scan; the scan screen compares these numbers.
#pragma once

#include <cstdint>

enum FoldersScannerState : std::int32_t {
    FoldersScannerStateIdle = 0,
    FoldersScannerStateScanningFolders = 1,
    FoldersScannerStateFilteringFiles = 2,
    FoldersScannerStateFilteringFolders = 3,
    FoldersScannerStateFilteringHeaps = 4,
    FoldersScannerStateSeparatingHeapItems = 5,
    FoldersScannerStateCompleted = 6,
    FoldersScannerStateStopped = 7,
};
