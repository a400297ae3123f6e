// The copies selected for removal and their size on disk, over the kind categories of a container, as
// their ProgressBarData counts them (copies inside a selected duplicate folder go with the folder).
// Main thread, like the results.
#pragma once

#include <cstdint>
#include <string>

class DuplicatesContainer;
class ProgressBarData;

struct SelectionTotals {
    std::int64_t count = 0;
    std::int64_t size = 0;
    std::int64_t totalSize = 0;  // every copy of the categories counted

    // "12 copies selected · 4.1 MiB of 96 MiB", or "No copies selected".
    std::string text() const;
    // "3 selected · 1.2 MiB", or "None selected": one sidebar row.
    std::string shortText() const;

    static SelectionTotals of(const ProgressBarData& bar);
    // The seven kind categories together; zeros without container.
    static SelectionTotals of(const DuplicatesContainer* container);
};
