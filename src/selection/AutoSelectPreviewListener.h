// Receives what Auto Select would choose, per group, sorted by decreasing size. Called on the main
// thread; held weakly by the preview.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class DuplicateItem;
class DuplicatesGroup;

struct AutoSelectPreviewRecord {
    std::shared_ptr<DuplicatesGroup> group;
    std::vector<std::shared_ptr<DuplicateItem>> duplicateArray;  // the copies Auto Select would select
    std::uint64_t size = 0;                                      // their summed file sizes
};

class AutoSelectPreviewListener {
public:
    virtual ~AutoSelectPreviewListener() = default;
    virtual void onCalculatedDuplicatesForAutoselect(std::vector<AutoSelectPreviewRecord> records) = 0;
};
