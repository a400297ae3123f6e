#include "app/SelectionTotals.h"

#include "app/CategorySummary.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/ProgressBarData.h"
#include "settings/SizeText.h"

std::string SelectionTotals::text() const {
    if (count == 0) return "No copies selected";
    return std::to_string(count) + (count == 1 ? " copy" : " copies") + " selected \u00b7 " + size_text::format(size) +
           " of " + size_text::format(totalSize);
}

std::string SelectionTotals::shortText() const {
    if (count == 0) return "None selected";
    return std::to_string(count) + " selected \u00b7 " + size_text::format(size);
}

SelectionTotals SelectionTotals::of(const ProgressBarData& bar) {
    SelectionTotals totals;
    totals.count = bar.countOfSelectedDuplicates + bar.countOfSelectedWithOriginalsDuplicates;
    totals.size = bar.selectedSize();
    totals.totalSize = bar.totalSizeOfDuplicates;
    return totals;
}

SelectionTotals SelectionTotals::of(const DuplicatesContainer* container) {
    SelectionTotals totals;
    if (!container) return totals;
    for (int type : CategorySummary::order())
        if (const DuplicatesCategory* category = container->getCategoryWithType(type)) {
            const SelectionTotals one = of(category->progressBarDataInfo());
            totals.count += one.count;
            totals.size += one.size;
            totals.totalSize += one.totalSize;
        }
    return totals;
}
