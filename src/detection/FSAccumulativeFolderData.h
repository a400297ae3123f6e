// Folder-browser counts summed over a folder and its sub-folders: adding or taking out one part's
// counts; a part with duplicates that is not the folder itself counts one more folder with duplicates.
#pragma once

#include "detection/FSSimpleFolderData.h"

class FSAccumulativeFolderData : public FSSimpleFolderData {
public:
    void addDataFromInfo(const FSSimpleFolderData& data, bool currentFolder) { apply(data, currentFolder, 1); }
    void removeDataFromInfo(const FSSimpleFolderData& data, bool currentFolder) { apply(data, currentFolder, -1); }

private:
    void apply(const FSSimpleFolderData& data, bool currentFolder, std::int64_t sign) {
        countOfSelectedDuplicates += sign * data.countOfSelectedDuplicates;
        sizeOfSelectedDuplicates += sign * data.sizeOfSelectedDuplicates;
        countOfDuplicates += sign * data.countOfDuplicates;
        countOfUniqueFiles += sign * data.countOfUniqueFiles;
        countOfFoldersWithDuplicates += sign * data.countOfFoldersWithDuplicates;
        if (!currentFolder && data.countOfDuplicates > 0) countOfFoldersWithDuplicates += sign;
    }
};
