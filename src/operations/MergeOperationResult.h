// What one merged item's file operation did, and what a whole merge did. Plain values; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "operations/FileOperation.h"
#include "operations/MergeOptions.h"
#include "operations/SubOperationsStatistics.h"
#include "platform/Status.h"

class MergeItem;

struct MergeOperationResult {
    MergeAction action = MergeAction::Move;
    MergeItem* originalItem = nullptr;  // the plan's item (its scanned item is originalItem->file())
    std::string originalURL;
    std::string destinationURL;
    FileOperationResult result = FileOperationResult::Unknown;
    Status status;        // why it failed
    int label = 0;        // the label asked for
    Status labelStatus;   // whether it was applied
};

struct MergeOperationProgressInfo {
    std::uint64_t sizeOfAllItems = 0;
    std::uint64_t sizeOfMergedItems = 0;
    std::vector<MergeOperationResult> resultFromLastUpdate;
    SubOperationsStatistics operationsStatistics;
};

struct MergeOutcome {
    std::vector<MergeOperationResult> results;  // one per planned item, in plan order
    SubOperationsStatistics statistics;
    bool sourceFolderRemovalAsked = false;
    bool sourceFolderTrashed = false;
    std::string sourceFolderInTrash;   // its path in the Trash
    std::string sourceFolderKeptBecause;  // why it stayed, when its removal was asked

    bool succeeded() const {
        return statistics.countOfFailed == 0 && statistics.countOfNotPerformed == 0 &&
               (!sourceFolderRemovalAsked || sourceFolderTrashed);
    }
};
