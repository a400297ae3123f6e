#include "history/VXLogGroup.h"

#include "history/Log.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"

VXLogGroup::VXLogGroup(const DuplicatesGroup& group) : m_nIdentifier(group.getGroupID()) {
    for (const auto& member : group.getItems()) {
        if (!member || member->getFileItemPath().empty()) continue;
        VXLogItem item;
        item.path = member->getFileItemPath();
        const std::int64_t size = member->getFileItemSize();
        item.fileItemSize = size > 0 ? static_cast<std::uint64_t>(size) : 0;
        const std::int64_t date = member->getLastModificationDate();
        if (date != 0) item.modificationDate = date;  // 0: unreadable
        item.isDirectory = member->isDirectory();
        addItem(std::move(item));
    }
}

void VXLogGroup::addItem(VXLogItem item) {
    std::string key = item.path;
    m_items.insert_or_assign(std::move(key), std::move(item));
}

VXLogItem* VXLogGroup::itemWithPath(const std::string& path) {
    const auto it = m_items.find(path);
    return it == m_items.end() ? nullptr : &it->second;
}

bool VXLogGroup::hasRemovedItems() const {
    for (const auto& [path, item] : m_items)
        if (item.isRemoved) return true;
    return false;
}

void VXLogGroup::writeToLog(Log& log) const {
    const std::string key = std::to_string(m_nIdentifier);
    for (const auto& [path, item] : m_items) {
        LogConfigurator file;
        file.path = path;
        file.size = item.fileItemSize;
        file.modificationDate = item.modificationDate;
        file.isDirectory = item.isDirectory;
        file.vanished = item.isRemoved && item.vanished;
        if (item.isRemoved && item.pathInTrash) log.inGroupWithIdFileMovedToTrashWithPath(key, item.pathInTrash, file);
        else if (item.isRemoved) log.inGroupWithIdFileRemovedWithConfigurator(key, file);
        else log.inGroupWithIdFileNotRemovedWithConfigurator(key, file);
    }
}
