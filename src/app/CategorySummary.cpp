#include "app/CategorySummary.h"

#include "settings/SizeText.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/ProgressBarData.h"

const std::vector<int>& CategorySummary::order() {
    static const std::vector<int> types{0, 1, 2, 3, 4, 5, 6};
    return types;
}

std::string CategorySummary::nameOf(int type) {
    switch (type) {
        case 0: return "Images";
        case 1: return "Videos";
        case 2: return "Music";
        case 3: return "Documents";
        case 4: return "Archives";
        case 5: return "Other";
        case 6: return "Folders";
        default: return {};
    }
}

std::string CategorySummary::detailText() const {
    return size_text::format(size) + " \u00b7 " + std::to_string(groups) + (groups == 1 ? " group" : " groups");
}

std::vector<CategorySummary> CategorySummary::of(const DuplicatesContainer* container) {
    std::vector<CategorySummary> rows;
    for (int type : order()) {
        CategorySummary row;
        row.type = type;
        row.name = nameOf(type);
        if (DuplicatesCategory* category = container ? container->getCategoryWithType(type) : nullptr) {
            row.size = category->getTotalSize();
            row.groups = category->getGroupsCount();
            const ProgressBarData& bar = category->progressBarDataInfo();
            row.selectedShare = bar.selectedProgress();
            row.selectedAllCopiesShare = bar.selectedUndelProgress();
            row.keptShare = bar.undelProgress();
            row.selection = SelectionTotals::of(bar);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}
