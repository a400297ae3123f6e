#include "results/ProgressBarData.h"

#include <unordered_set>

#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"

void ProgressBarData::applyGroup(const DuplicatesGroup& group, std::int64_t sign) {
    const std::int64_t total = group.getTotalCount();
    const std::int64_t inFolders = group.getItemsCountInDuplicatesFolders();
    const std::int64_t dirty = group.getSelectedCountWithDuplicatesFolderContent();
    const std::int64_t actual = group.getActualSelectedCount();
    const std::int64_t selectedSize = static_cast<std::int64_t>(group.getSelectedSize());
    const std::int64_t one = static_cast<std::int64_t>(group.oneItemDiskSize());

    if (dirty != total) {
        countOfSelectedDuplicates += sign * actual;
        sizeOfSelectedDuplicates += sign * selectedSize;
    } else {
        countOfSelectedWithOriginalsDuplicates += sign * actual;
        sizeOfSelectedWithOriginalsDuplicates += sign * selectedSize;
    }
    if (dirty + 1 == total && actual + 1 == total - inFolders) {
        countOfKeptOriginals += sign;
        sizeOfKeptOriginals += sign * one;
    }
    totalCountOfDuplicates += sign * (total - inFolders);
    totalSizeOfDuplicates += sign * static_cast<std::int64_t>(group.getTotalSize());
}

void ProgressBarData::addItems(const std::vector<std::shared_ptr<DuplicateItem>>& items, const DuplicatesGroup& group) {
    const std::int64_t total = group.getTotalCount();
    const std::int64_t dirty = group.getSelectedCountWithDuplicatesFolderContent();
    if (static_cast<std::int64_t>(items.size()) == total) {
        std::unordered_set<const DuplicateItem*> given;
        for (const auto& item : items) given.insert(item.get());
        bool all = given.size() == items.size();
        for (const auto& member : group.getItems()) all = all && given.count(member.get()) > 0;
        if (all) {
            addDuplicatesGroup(group);
            return;
        }
    }
    for (const auto& item : items) {
        if (!item) continue;
        const std::int64_t size = item->getDiskSize();
        if (item->isSelected()) {
            if (dirty == total) {
                countOfSelectedWithOriginalsDuplicates += 1;
                sizeOfSelectedWithOriginalsDuplicates += size;
            } else {
                countOfSelectedDuplicates += 1;
                sizeOfSelectedDuplicates += size;
            }
        } else if (total == dirty + 1) {
            countOfKeptOriginals += 1;
            sizeOfKeptOriginals += size;
        }
        totalCountOfDuplicates += 1;
        totalSizeOfDuplicates += size;
    }
}

void ProgressBarData::addData(const ProgressBarData& other) {
    countOfSelectedDuplicates += other.countOfSelectedDuplicates;
    sizeOfSelectedDuplicates += other.sizeOfSelectedDuplicates;
    countOfSelectedWithOriginalsDuplicates += other.countOfSelectedWithOriginalsDuplicates;
    sizeOfSelectedWithOriginalsDuplicates += other.sizeOfSelectedWithOriginalsDuplicates;
    countOfKeptOriginals += other.countOfKeptOriginals;
    sizeOfKeptOriginals += other.sizeOfKeptOriginals;
    totalCountOfDuplicates += other.totalCountOfDuplicates;
    totalSizeOfDuplicates += other.totalSizeOfDuplicates;
}

float ProgressBarData::ratio(std::int64_t size) const {
    if (totalSizeOfDuplicates < 1) return 0.0f;
    return static_cast<float>(static_cast<double>(size) / static_cast<double>(totalSizeOfDuplicates));
}

float ProgressBarData::selectedProgress() const { return ratio(sizeOfSelectedDuplicates); }
float ProgressBarData::undelProgress() const { return ratio(sizeOfKeptOriginals); }
float ProgressBarData::selectedUndelProgress() const { return ratio(sizeOfSelectedWithOriginalsDuplicates); }
