// One row of the results sidebar: a kind category's name, size, group count and the shares of its
// size that its progress bar shows, as the category's ProgressBarData computes them (selected copies,
// copies of groups whose every copy is selected, kept originals). Main thread, like the results.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/SelectionTotals.h"

class DuplicatesContainer;

struct CategorySummary {
    int type = 0;
    std::string name;
    std::int64_t size = 0;
    std::size_t groups = 0;
    float selectedShare = 0;            // selected copies of groups that keep a copy
    float selectedAllCopiesShare = 0;   // selected copies of groups whose every copy is selected
    float keptShare = 0;                // the one copy left of a group whose other copies are selected
    SelectionTotals selection;          // the copies selected for removal and their size

    // "2.4 MiB · 3 groups"
    std::string detailText() const;

    // The seven kind categories in sidebar order (Images … Other, Folders); zeros without container.
    static std::vector<CategorySummary> of(const DuplicatesContainer* container);
    static const std::vector<int>& order();
    static std::string nameOf(int type);
};
