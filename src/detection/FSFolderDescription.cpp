#include "detection/FSFolderDescription.h"

#include <algorithm>

#include "detection/InternalDuplicatesByGroupSeparator.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"

FSFolderDuplicates::FSFolderDuplicates(const DuplicatesGroup& group,
                                       std::vector<std::shared_ptr<DuplicateItem>> internal)
    : internalItems(std::move(internal)) {
    for (auto& item : group.getItems())
        if (std::find(internalItems.begin(), internalItems.end(), item) == internalItems.end())
            externalItems.push_back(std::move(item));
}

FSFolderDescription::FSFolderDescription(FolderSystemItem* folder) {
    InternalDuplicatesByGroupSeparator separator(folder, 1);
    separator.enumerate([this](const InternalDuplicatesByGroupSeparator::Members& members, DuplicatesGroup& group) {
        duplicates.emplace_back(group, std::vector<std::shared_ptr<DuplicateItem>>(members.begin(), members.end()));
    });
    otherFiles = separator.otherItems;
    countOfFullGroups = separator.countOfRemovedFullGroups;
}
