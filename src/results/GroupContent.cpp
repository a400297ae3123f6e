#include "results/GroupContent.h"

#include <algorithm>

#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesGroup.h"
#include "scan/FileSystemItem.h"

namespace {
std::uint64_t sizeOf(const DuplicateItem& item) {
    std::int64_t size = item.getFileItemSize();
    return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}
bool isInDuplicatesFolder(const DuplicateItem& item) { return item.getAssociatedDuplicateFolder() != nullptr; }
}  // namespace

std::shared_ptr<DuplicateItem> GroupContent::addItem(FileSystemItem* item) {
    if (!item) return nullptr;
    auto self = shared_from_this();
    bool inPackage = false;
    if (DuplicatesCategory* category = m_pGroup->getCategory()) {
        if (item->isInPackage()) {
            if (category->getType() >= 0) return nullptr;  // kind categories never show package content
            inPackage = true;
        }
    }
    auto member = std::make_shared<DuplicateItem>();
    m_arrItems.push_back(member);
    member->initWithFileItem(item, m_pGroup);
    if (item->getDuplicateItem() != member.get()) {
        // The node belongs to another member already.
        auto it = std::find(m_arrItems.rbegin(), m_arrItems.rend(), member);
        if (it != m_arrItems.rend()) m_arrItems.erase(std::next(it).base());
        return nullptr;
    }
    if (inPackage) m_nCountOfItemsInPackages += 1;
    updateDataAfterAddItem(*member);
    return member;
}

void GroupContent::removeItem(DuplicateItem* item) {
    auto member = findItem(item);
    if (!member) return;
    auto self = shared_from_this();
    m_pGroup->onWillChanged();
    updateDataAfterRemoveItem(*member);
    FileSystemItem* node = member->getFileSystemItem();
    if (node && m_nCountOfItemsInPackages > 0 && node->isInPackage()) m_nCountOfItemsInPackages -= 1;
    member->onItemWillRemovedFromGroup(*member, *m_pGroup);
    auto it = std::find(m_arrItems.begin(), m_arrItems.end(), member);
    if (it != m_arrItems.end()) m_arrItems.erase(it);
    if (m_nCountOfItemsInDuplicatesFolders == 0 && m_nNotRemovedSize == 0 && !m_arrItems.empty())
        m_nNotRemovedSize = sizeOf(*m_arrItems.front());
    m_pGroup->onDidChanged();
}

bool GroupContent::containsItem(const DuplicateItem* item) const { return findItem(item) != nullptr; }

std::shared_ptr<DuplicateItem> GroupContent::findItem(const DuplicateItem* item) const {
    if (!item || item->getGroup() != m_pGroup) return nullptr;
    // From the newest: a member being initialised is the last one.
    auto it = std::find_if(m_arrItems.rbegin(), m_arrItems.rend(),
                           [&](const auto& member) { return member.get() == item; });
    return it == m_arrItems.rend() ? nullptr : *it;
}

std::vector<FileSystemItem*> GroupContent::createArrayWithFileSystemItems() const {
    std::vector<FileSystemItem*> out;
    out.reserve(m_arrItems.size());
    for (const auto& member : m_arrItems)
        if (FileSystemItem* node = member->getFileSystemItem()) out.push_back(node);
    return out;
}

void GroupContent::updateInfo() {
    m_nTotalSize = 0;
    m_nNotRemovedSize = 0;
    m_nCountOfItemsInDuplicatesFolders = 0;
    m_nCountOfItemsThatCanBeRemoved = 0;
    for (const auto& member : m_arrItems) updateDataAfterAddItem(*member);
}

void GroupContent::updateGroupInfoAfterItemMovedToOrFromFolderDuplicates(const DuplicateItem& item) {
    bool nowInFolder = isInDuplicatesFolder(item);
    updateDataAfterRemoveItemWithSize(sizeOf(item), !nowInFolder);
    updateDataAfterAddItemWithSize(sizeOf(item), nowInFolder);
}

void GroupContent::updateDataAfterAddItem(const DuplicateItem& item) {
    updateDataAfterAddItemWithSize(sizeOf(item), isInDuplicatesFolder(item));
}

void GroupContent::updateDataAfterRemoveItem(const DuplicateItem& item) {
    updateDataAfterRemoveItemWithSize(sizeOf(item), isInDuplicatesFolder(item));
}

void GroupContent::updateDataAfterAddItemWithSize(std::uint64_t size, bool inDuplicatesFolder) {
    if (inDuplicatesFolder) {
        // A copy inside a duplicate folder goes with its folder, so every copy outside may go.
        if (m_nNotRemovedSize != 0) m_nCountOfItemsThatCanBeRemoved += 1;
        m_nCountOfItemsInDuplicatesFolders += 1;
        m_nNotRemovedSize = 0;
        return;
    }
    if (m_nNotRemovedSize != 0 || m_nCountOfItemsInDuplicatesFolders > 0) m_nCountOfItemsThatCanBeRemoved += 1;
    m_nTotalSize += size;
    if (m_nNotRemovedSize == 0 && m_nCountOfItemsInDuplicatesFolders == 0) m_nNotRemovedSize = size;
}

void GroupContent::updateDataAfterRemoveItemWithSize(std::uint64_t size, bool inDuplicatesFolder) {
    if (inDuplicatesFolder) {
        m_nCountOfItemsInDuplicatesFolders = std::max<std::int64_t>(0, m_nCountOfItemsInDuplicatesFolders - 1);
        return;
    }
    m_nCountOfItemsThatCanBeRemoved = std::max<std::int64_t>(0, m_nCountOfItemsThatCanBeRemoved - 1);
    m_nTotalSize = m_nTotalSize < size ? 0 : m_nTotalSize - size;
    if (m_nTotalSize == 0) m_nNotRemovedSize = 0;
}

void GroupContent::detachForTeardown() {
    for (auto& member : m_arrItems) member->detachForTeardown();
    m_arrItems.clear();
}
