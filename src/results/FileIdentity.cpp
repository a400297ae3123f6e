#include "results/FileIdentity.h"

#include "platform/FileSystem.h"
#include "scan/FileSystemItem.h"

std::optional<FileIdentity> FileIdentity::ofFileWithOtherNames(const std::string& path) {
    FileAttributes attributes;
    if (!FileSystem::standard().attributes(path, attributes)) return std::nullopt;
    if (attributes.kind != FileKind::Regular || attributes.linkCount < 2) return std::nullopt;
    return FileIdentity{attributes.device, attributes.inode};
}

bool FileIdentity::areNamesOfOneFile(const std::vector<FileSystemItem*>& nodes) {
    if (nodes.size() < 2) return false;
    for (const FileSystemItem* node : nodes)
        if (!node || node->isDir() || !node->hasOtherNames()) return false;
    std::optional<FileIdentity> first = ofFileWithOtherNames(nodes.front()->path());
    if (!first) return false;
    for (std::size_t i = 1; i < nodes.size(); ++i)
        if (ofFileWithOtherNames(nodes[i]->path()) != first) return false;
    return true;
}
