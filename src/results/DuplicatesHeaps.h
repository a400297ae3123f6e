// The heaps of one container: pairs of folders that share duplicate groups. For now only the calls
// that the container and the candidate filter make exist, and they keep no state; the heap search
// fills this class in. Used on the queue that changes the model.
#pragma once

#include <cstdint>
#include <memory>

class DuplicatesGroup;
class HeapsValidateProgressListener;

class DuplicatesHeaps {
public:
    DuplicatesHeaps() = default;
    DuplicatesHeaps(const DuplicatesHeaps&) = delete;
    DuplicatesHeaps& operator=(const DuplicatesHeaps&) = delete;

    // A group joined a kind category of the container.
    void addGroup(const std::shared_ptr<DuplicatesGroup>& group);
    // A group is about to leave its kind category (it may never have been added).
    void removeGroup(const std::shared_ptr<DuplicatesGroup>& group);
    // The larger of the running estimate and the last computed total; 0 until heaps are searched.
    std::uint64_t getPossibleHeapsSize() const { return 0; }
    // The clean-up after a removal; `listener` may be null.
    void validateEmptyDataAfterRemoveWithListener(HeapsValidateProgressListener* listener);
};
