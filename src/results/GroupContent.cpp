#include "results/GroupContent.h"

#include <algorithm>
#include <utility>

#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesGroup.h"
#include "scan/FileSystemItem.h"

namespace {
bool isInDuplicatesFolder(const DuplicateItem& item) { return item.getAssociatedDuplicateFolder() != nullptr; }

// Path order: the bytes of the paths as memcmp compares them (std::string compares chars as unsigned).
bool isBefore(const std::shared_ptr<DuplicateItem>& a, const std::shared_ptr<DuplicateItem>& b) {
    return a->getFileItemPath() < b->getFileItemPath();
}
}  // namespace

GroupContent::Sizes GroupContent::sizesOf(const DuplicateItem& item) {
    return {static_cast<std::uint64_t>(std::max<std::int64_t>(0, item.getDiskSize())),
            static_cast<std::uint64_t>(std::max<std::int64_t>(0, item.getFileItemSize()))};
}

std::shared_ptr<DuplicateItem> GroupContent::appendItem(FileSystemItem* item) {
    if (!item) return nullptr;
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
    return member;
}

std::shared_ptr<DuplicateItem> GroupContent::addItem(FileSystemItem* item) {
    auto self = shared_from_this();
    auto member = appendItem(item);
    if (!member) return nullptr;
    // Into its place in path order: the members before it are in order already.
    auto place = std::upper_bound(m_arrItems.begin(), std::prev(m_arrItems.end()), member, isBefore);
    std::rotate(place, std::prev(m_arrItems.end()), m_arrItems.end());
    updateInfo();
    return member;
}

void GroupContent::addItems(const std::vector<FileSystemItem*>& items) {
    auto self = shared_from_this();
    m_arrItems.reserve(m_arrItems.size() + items.size());
    for (FileSystemItem* item : items) appendItem(item);
    std::stable_sort(m_arrItems.begin(), m_arrItems.end(), isBefore);
    updateInfo();
}

void GroupContent::removeItem(DuplicateItem* item) {
    auto member = findItem(item);
    if (!member) return;
    auto self = shared_from_this();
    m_pGroup->onWillChanged();
    FileSystemItem* node = member->getFileSystemItem();
    if (node && m_nCountOfItemsInPackages > 0 && node->isInPackage()) m_nCountOfItemsInPackages -= 1;
    member->onItemWillRemovedFromGroup(*member, *m_pGroup);
    auto it = std::find(m_arrItems.begin(), m_arrItems.end(), member);
    if (it != m_arrItems.end()) m_arrItems.erase(it);
    updateInfo();
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
    m_total = {};
    m_kept = {};
    m_pKept = nullptr;
    m_nKeptNames = 0;
    m_nOutsideNames = 0;
    m_nCountOfItemsInDuplicatesFolders = 0;
    m_nMembersWithIdentity = 0;
    m_nHardLinkedNames = 0;
    m_nHardLinkedFiles = 0;
    // The files with other names met so far, with how many of their names are members (few: only
    // members that carry an identity are listed).
    std::vector<std::pair<FileIdentity, std::int64_t>> linkedFiles;
    for (const auto& member : m_arrItems) {
        const auto& identity = member->getFileIdentity();
        if (identity) ++m_nMembersWithIdentity;
        if (isInDuplicatesFolder(*member)) {
            // A copy inside a duplicate folder goes with its folder, so every copy outside may go.
            ++m_nCountOfItemsInDuplicatesFolders;
            continue;
        }
        ++m_nOutsideNames;
        if (identity) {
            auto same = std::find_if(linkedFiles.begin(), linkedFiles.end(),
                                     [&](const auto& file) { return file.first == *identity; });
            if (same != linkedFiles.end()) {
                // Another name of a file counted already: no blocks of its own.
                ++same->second;
                if (m_pKept && m_pKept->isSameFileAs(*member)) ++m_nKeptNames;
                continue;
            }
            linkedFiles.emplace_back(*identity, 1);
        }
        const Sizes sizes = sizesOf(*member);
        m_total.disk += sizes.disk;
        m_total.content += sizes.content;
        if (!m_pKept) {
            m_pKept = member.get();
            m_kept = sizes;
            m_nKeptNames = 1;
        }
    }
    if (m_nCountOfItemsInDuplicatesFolders > 0) {
        m_pKept = nullptr;
        m_kept = {};
        m_nKeptNames = 0;
    }
    for (const auto& [identity, names] : linkedFiles)
        if (names > 1) {
            m_nHardLinkedNames += names;
            m_nHardLinkedFiles += 1;
        }
}

void GroupContent::updateGroupInfoAfterItemMovedToOrFromFolderDuplicates(const DuplicateItem&) { updateInfo(); }

void GroupContent::detachForTeardown() {
    for (auto& member : m_arrItems) member->detachForTeardown();
    m_arrItems.clear();
}
