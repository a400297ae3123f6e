// The accumulator behind a category's progress bars: selected copies, selected copies of groups in
// which every copy is selected, kept originals and all copies, in counts and sizes on disk. A group is
// counted in and out with exactly the same amounts. Not thread-safe: used by the owner's queue.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DuplicateItem;
class DuplicatesGroup;

class ProgressBarData {
public:
    ProgressBarData() = default;
    ProgressBarData(const ProgressBarData&) = default;  // a snapshot of the counts
    ProgressBarData& operator=(const ProgressBarData&) = default;

    void addDuplicatesGroup(const DuplicatesGroup& group) { applyGroup(group, 1); }
    void removeDuplicatesGroup(const DuplicatesGroup& group) { applyGroup(group, -1); }
    // Some copies of one group; all of its copies count as the whole group.
    void addItems(const std::vector<std::shared_ptr<DuplicateItem>>& items, const DuplicatesGroup& group);
    void addData(const ProgressBarData& other);

    // 0 when the total size is below 1.
    float selectedProgress() const;
    float undelProgress() const;
    float selectedUndelProgress() const;
    std::int64_t selectedSize() const { return sizeOfSelectedDuplicates + sizeOfSelectedWithOriginalsDuplicates; }

    std::string name;
    std::int64_t countOfSelectedDuplicates = 0;
    std::int64_t sizeOfSelectedDuplicates = 0;
    std::int64_t countOfSelectedWithOriginalsDuplicates = 0;
    std::int64_t sizeOfSelectedWithOriginalsDuplicates = 0;
    std::int64_t countOfKeptOriginals = 0;
    std::int64_t sizeOfKeptOriginals = 0;
    std::int64_t totalCountOfDuplicates = 0;
    std::int64_t totalSizeOfDuplicates = 0;

private:
    void applyGroup(const DuplicatesGroup& group, std::int64_t sign);
    float ratio(std::int64_t size) const;
};
