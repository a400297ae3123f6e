// The listener of one FileSeparatorForContainer run: called once, on the queue
// "fileseparator.working", after the sets of two or more files have become groups of the container.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "detection/FileSeparatorListener.h"

class DuplicatesContainer;
class FileSeparatorForContainer;

class FileSeparatorForContainerListener {
public:
    virtual ~FileSeparatorForContainerListener() = default;

    // `result` is the separator's whole result (sets of one file included; empty after a stop).
    virtual void onFinishFileSeparator(FileSeparatorForContainer* separator, FileItemsByHash result,
                                       const std::shared_ptr<DuplicatesContainer>& container) = 0;
    // Optional progress protocol shared with the folder separator; FileSeparatorForContainer does not
    // call it. No interval (nullopt) means no progress reports are wanted.
    virtual std::optional<double> getUpdateTimeInterval() { return std::nullopt; }
    virtual void updateCountOfCheckedFolders(std::uint64_t /*count*/) {}

protected:
    FileSeparatorForContainerListener() = default;
    FileSeparatorForContainerListener(const FileSeparatorForContainerListener&) = default;
    FileSeparatorForContainerListener& operator=(const FileSeparatorForContainerListener&) = default;
};
