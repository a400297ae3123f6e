// The six counts the folder browser shows for one folder: selected duplicates (anywhere below, and
// directly inside), their size, duplicates, unique files and sub-folders holding duplicates. A value.
#pragma once

#include <cstdint>

class FSSimpleFolderData {
public:
    bool operator==(const FSSimpleFolderData& other) const = default;

    std::int64_t countOfSelectedDuplicates = 0;
    std::int64_t countOfSelectedDuplicatesInCurrentFolder = 0;
    std::int64_t sizeOfSelectedDuplicates = 0;
    std::int64_t countOfDuplicates = 0;
    std::int64_t countOfUniqueFiles = 0;
    std::int64_t countOfFoldersWithDuplicates = 0;
};
