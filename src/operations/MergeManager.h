// Finds the folder pairs a merge can be offered for in a container's results: each heap's folders
// (a folder data with one of its second folders), and any two scanned folders given by path whose
// direct children hold duplicates of each other. Stateless; main thread (it reads the results).
#pragma once

#include <memory>
#include <string>
#include <vector>

class DuplicatesContainer;
class DuplicatesHeap;
class FolderSystemItem;
class MergeOperationData;

class MergeManager {
public:
    // Every heap of the container, each folder pair once.
    static std::vector<std::shared_ptr<DuplicatesHeap>> folderPairs(const DuplicatesContainer& container);
    static std::shared_ptr<MergeOperationData> dataForHeap(const std::shared_ptr<DuplicatesHeap>& heap);
    // The plan for two scanned folders (left: `leftPath`); null when either is not a scanned folder.
    static std::shared_ptr<MergeOperationData> dataForFolders(const DuplicatesContainer& container,
                                                              const std::string& leftPath,
                                                              const std::string& rightPath);
};
