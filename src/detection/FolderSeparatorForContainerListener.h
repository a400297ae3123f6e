// The listener of one FolderSeparatorForContainer run: progress reports and the one finish call,
// on the queue "folderseparator.working", after the identical folders have become groups.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "detection/FolderSeparatorDelegate.h"

class DuplicatesContainer;
class FolderSeparatorForContainer;

class FolderSeparatorForContainerListener {
public:
    virtual ~FolderSeparatorForContainerListener() = default;

    virtual void onFinishFolderSeparator(FolderSeparatorForContainer* separator, const FolderSets& result,
                                         const std::shared_ptr<DuplicatesContainer>& container) = 0;
    // Seconds to wait before the first count report; nullopt: no count reports at all.
    virtual std::optional<double> getUpdateTimeInterval() { return std::nullopt; }
    virtual void updateCountOfCheckedFolders(std::uint64_t /*count*/) {}

protected:
    FolderSeparatorForContainerListener() = default;
    FolderSeparatorForContainerListener(const FolderSeparatorForContainerListener&) = default;
    FolderSeparatorForContainerListener& operator=(const FolderSeparatorForContainerListener&) = default;
};
