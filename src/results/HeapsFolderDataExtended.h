// One row of a heap-folder list: a folder holding duplicates, with the counts of its heaps group in
// the current results taken once at creation (all 0 without one). Built and read on the main thread.
#pragma once

#include <cstdint>
#include <memory>

#include "results/DuplicatesContainer.h"
#include "results/DuplicatesHeaps.h"
#include "results/HeapRowCounts.h"
#include "results/HeapsFolderData.h"
#include "results/HeapsGroup.h"

namespace Dorvane {

class HeapsFolderDataExtended : public HeapRowCounts {
public:
    explicit HeapsFolderDataExtended(std::shared_ptr<HeapsFolderData> folderData) : folderData(std::move(folderData)) {
        auto container = DuplicatesContainer::currentContainer();
        DuplicatesHeaps* heaps = container ? container->getHeaps() : nullptr;
        auto group = heaps && this->folderData ? heaps->getHeapsGroupForFolderData(*this->folderData) : nullptr;
        if (group)
            group->calculateCountOfItems(&countOfDuplicates, &countOfSelectedDuplicates,
                                         &countOfSimilarSelectedDuplicates, &sizeOfDuplicates);
    }

    FolderSystemItem* folderSystemItem() const { return folderData ? folderData->getFolderSystemItem() : nullptr; }

    std::shared_ptr<HeapsFolderData> folderData;
};

}  // namespace Dorvane
