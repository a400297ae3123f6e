// Builds scanned trees in memory for the results tests: a root with folders and files of given
// logical sizes, owned by the test until handed to a container.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scan/FileSystemItem.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"

struct ResultsTree {
    explicit ResultsTree(const std::string& rootPath = "/data") : root(VolumeSystemItem::createRoot(rootPath, 0, 0)) {}

    FolderSystemItem* folder(const std::string& name, FolderSystemItem* parent = nullptr) {
        return FolderSystemItem::createFolder(name, parent ? parent : root.get(), 0, false, 0, false, 0);
    }
    FileSystemItem* file(const std::string& name, std::int64_t size, FolderSystemItem* parent = nullptr) {
        return FileSystemItem::createFile(name, parent ? parent : root.get(), size, 0, false, size);
    }
    std::vector<std::unique_ptr<VolumeSystemItem>> roots() {
        std::vector<std::unique_ptr<VolumeSystemItem>> out;
        out.push_back(std::move(root));
        return out;
    }

    std::unique_ptr<VolumeSystemItem> root;
};
