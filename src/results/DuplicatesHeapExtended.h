// One row of a heap list: a heap seen from its second folder, with its counts taken once at creation.
// Built and read on the main thread.
#pragma once

#include <cstdint>
#include <memory>

#include "results/DuplicatesHeap.h"
#include "results/HeapRowCounts.h"

namespace Dorvane {

class DuplicatesHeapExtended : public HeapRowCounts {
public:
    explicit DuplicatesHeapExtended(std::shared_ptr<DuplicatesHeap> heap) : heap(std::move(heap)) {
        if (this->heap)
            this->heap->calculateForSecondFolderCountOfItems(&countOfDuplicates, &countOfSelectedDuplicates,
                                                             &countOfSimilarSelectedDuplicates, &sizeOfDuplicates);
    }

    FolderSystemItem* folderSystemItem() const { return heap ? heap->getSecondFolderItem() : nullptr; }

    std::shared_ptr<DuplicatesHeap> heap;
};

}  // namespace Dorvane
