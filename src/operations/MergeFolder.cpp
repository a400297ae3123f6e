#include "operations/MergeFolder.h"

#include <algorithm>

#include "platform/FileSystem.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"
#include "scan/FolderSystemItem.h"

namespace {
// Whether a member of the item's group lies directly in the other folder.
bool hasDuplicateIn(const FileSystemItem& item, const FolderSystemItem* otherFolder) {
    const DuplicateItem* duplicate = item.getDuplicateItem();
    if (!duplicate || !duplicate->getGroup()) return false;
    for (const auto& member : duplicate->getGroup()->getItems()) {
        const FileSystemItem* file = member->getFileSystemItem();
        if (file && file != &item && file->parent() == otherFolder) return true;
    }
    return false;
}
}  // namespace

MergeFolder::MergeFolder(FolderSystemItem* folder, const FolderSystemItem* otherFolder, MergeFolderRole role)
    : m_pFolder(folder), m_sPath(folder->path()), m_eRole(role) {
    for (const auto& child : folder->childrenArray()) {
        const std::string name(child->name());
        m_items.push_back(std::make_unique<MergeItem>(name, m_sPath + "/" + name, child.get()));
        m_namesOnDisk.insert(name);
    }
    std::vector<std::string> names;
    if (FileSystem::standard().listFolder(m_sPath, names))
        for (const auto& name : names)
            if (m_namesOnDisk.insert(name).second)
                m_items.push_back(std::make_unique<MergeItem>(name, m_sPath + "/" + name, nullptr));
    std::sort(m_items.begin(), m_items.end(), [](const auto& a, const auto& b) { return a->name() < b->name(); });
    for (const auto& item : m_items) {
        m_itemsByName[item->name()] = item.get();
        if (!item->file())
            m_leftOut.push_back(item.get());
        else if (hasDuplicateIn(*item->file(), otherFolder))
            m_duplicates.push_back(item.get());
        else
            m_uniqueItems.push_back(item.get());
    }
}

std::string MergeFolder::name() const {
    const auto slash = m_sPath.find_last_of('/');
    return slash == std::string::npos ? m_sPath : m_sPath.substr(slash + 1);
}
