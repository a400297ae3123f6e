// What a FolderSeparator reports to the one that started it (a FolderSeparatorForContainer or a
// parent separator). Every call arrives on the queue "folderseparator.working".
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "detection/FileSeparatorListener.h"

class FolderSeparator;
class FolderSystemItem;

// Sets of folders found identical to each other.
using FolderSets = std::vector<std::vector<FolderSystemItem*>>;

class FolderSeparatorDelegate {
public:
    virtual ~FolderSeparatorDelegate() = default;

    // Folders processed so far by the reporting separator and everything it started.
    virtual void onProcessedItemsCount(std::uint64_t count) = 0;
    // Sets of identical children met on the way (digest sets of files, or "0", "1", … for
    // sub-folders); they must have become group members before the call returns.
    virtual void processIndermediateItemsWithSameHash(const FileItemsByHash& items) = 0;
    // Once per separation; nullopt when only one folder was left or the separation was stopped.
    virtual void onFinishSeparateFolderItems(std::optional<FolderSets> result, FolderSeparator* separator) = 0;

protected:
    FolderSeparatorDelegate() = default;
    FolderSeparatorDelegate(const FolderSeparatorDelegate&) = default;
    FolderSeparatorDelegate& operator=(const FolderSeparatorDelegate&) = default;
};
