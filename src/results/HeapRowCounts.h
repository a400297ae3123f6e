// The counts a heap-list row shows, taken once when the row is made, and its check-box state.
// Plain values, read on the main thread.
#pragma once

#include <cstdint>

namespace Dorvane {

struct HeapRowCounts {
    bool isSelected = false;
    std::uint64_t countOfDuplicates = 0;
    std::uint64_t countOfSelectedDuplicates = 0;
    std::uint64_t countOfSimilarSelectedDuplicates = 0;
    std::uint64_t sizeOfDuplicates = 0;
};

}  // namespace Dorvane
