// The whole counts of one folder in the browser: the parts (the folder's own counts and each
// sub-folder's whole counts) by item, their sum, and the represented folder's own values on top.
// Used on the thread that updates the browser model.
#pragma once

#include <unordered_map>

#include "detection/FSAccumulativeFolderData.h"

class FSFolder;

class FSComplexFolderData : public FSSimpleFolderData {
public:
    explicit FSComplexFolderData(const FSFolder* representedFolder) : representedFolder(representedFolder) {}

    // Nothing for a missing item or unchanged data; otherwise replaces the item's part in the sum.
    void addData(const FSSimpleFolderData& data, const FSFolder* item) {
        if (!item) return;
        auto it = infoMap.find(item);
        if (it != infoMap.end() && it->second == data) return;
        const bool current = item == representedFolder;
        if (it != infoMap.end()) info.removeDataFromInfo(it->second, current);
        infoMap[item] = data;
        info.addDataFromInfo(data, current);
        if (current) updateRepresentedData(data);
        updateAccumulativeData();
    }
    void updateRepresentedData(const FSSimpleFolderData& data) {
        countOfDuplicates = data.countOfDuplicates;
        countOfSelectedDuplicates = data.countOfSelectedDuplicates;
        countOfSelectedDuplicatesInCurrentFolder = data.countOfSelectedDuplicatesInCurrentFolder;
        sizeOfSelectedDuplicates = data.sizeOfSelectedDuplicates;
    }
    void updateAccumulativeData() {
        countOfUniqueFiles = info.countOfUniqueFiles;
        countOfFoldersWithDuplicates = info.countOfFoldersWithDuplicates;
    }

    const FSFolder* representedFolder;  // weak: the folder that owns this data
    FSAccumulativeFolderData info;
    std::unordered_map<const FSFolder*, FSSimpleFolderData> infoMap;
};
