// One group's copies relative to a folder: those inside it and those elsewhere. A value.
#pragma once

#include <memory>
#include <vector>

class DuplicateItem;
class DuplicatesGroup;

class FSFolderDuplicates {
public:
    FSFolderDuplicates(const DuplicatesGroup& group, std::vector<std::shared_ptr<DuplicateItem>> internalItems);

    std::vector<std::shared_ptr<DuplicateItem>> internalItems;
    std::vector<std::shared_ptr<DuplicateItem>> externalItems;
};
