#include "removal/DuplicatesDefaultRemover.h"

#include <algorithm>

#include "platform/Dispatch.h"
#include "platform/FileRemover.h"
#include "platform/FileSystem.h"
#include "platform/SerialQueue.h"
#include "platform/Trash.h"
#include "history/VXLog.h"
#include "removal/DuplicatesStandartRemoverListener.h"
#include "removal/QNError.h"
#include "removal/RemovalSafetyCheck.h"
#include "removal/RemoveErrorInfo.h"
#include "results/DuplicateItem.h"
#include "scan/FolderSystemItem.h"

bool DuplicatesDefaultRemover::isIgnorableFolderEntry(const std::string& name) {
    return name == ".DS_Store" || name == "Thumbs.db" || name == ".localized";
}

std::shared_ptr<DuplicatesDefaultRemover> DuplicatesDefaultRemover::create() {
    return std::make_shared<DuplicatesDefaultRemover>();
}

DuplicatesDefaultRemover::DuplicatesDefaultRemover()
    : m_pWorkingQueue(SerialQueue::create("com.quellnor.remove.duplicates.work")) {
    for (int i = 0; i < kCountOfRemoveQueues; ++i)
        m_arrRemoveQueues[i] = SerialQueue::create("com.quellnor.remove.duplicates.remover" + std::to_string(i + 1));
}

DuplicatesDefaultRemover::~DuplicatesDefaultRemover() = default;

void DuplicatesDefaultRemover::setDuplicateItemsForRemove(const std::vector<std::shared_ptr<DuplicateItem>>& items,
                                                          std::weak_ptr<DuplicatesStandartRemoverListener> listener,
                                                          bool toTrash, bool removeEmptyFolders) {
    m_arrDuplicateItems = items;
    m_pListener = std::move(listener);
    m_bIsNeedRemoveToTrash = toTrash;
    m_bIsNeedRemoveEmptyFolders = removeEmptyFolders;
}

bool DuplicatesDefaultRemover::startRemove() {
    if (m_bStarted) return true;
    m_bStarted = true;
    m_arrItemsForRemove.clear();
    m_arrItemsForRemove.reserve(m_arrDuplicateItems.size());
    for (const auto& item : m_arrDuplicateItems) {
        if (!item) continue;
        Entry entry;
        entry.item = item;
        entry.path = item->getFileItemPath();
        entry.parentPath = item->getParentFolderItemPath();
        entry.name = entry.path.substr(entry.path.find_last_of('/') + 1);
        entry.size = item->getFileItemSize();
        entry.isDirectory = item->isDirectory();
        if (entry.isDirectory)
            if (auto* folder = static_cast<FolderSystemItem*>(item->getFileSystemItem()))
                for (const auto& child : folder->childrenArray()) entry.childNames.emplace_back(child->name());
        m_arrItemsForRemove.push_back(std::move(entry));
    }
    // Deepest paths first, so that copies inside a folder go before the folder; then by path bytes, so
    // that one list is always removed in one order.
    std::sort(m_arrItemsForRemove.begin(), m_arrItemsForRemove.end(), [](const Entry& a, const Entry& b) {
        return a.path.size() != b.path.size() ? a.path.size() > b.path.size() : a.path < b.path;
    });
    m_nTotalRemovedSize = 0;
    m_nCountOfProcessedItems = 0;
    m_nCountOfItems = m_arrItemsForRemove.size();
    auto self = shared_from_this();
    m_pWorkingQueue->async([self] {
        self->m_nCurrentRemoveItemIndex = -1;
        self->m_nCountOfRemoveQueuesThatFinishWork = 0;
        self->m_pLastContainerUpdateDate = std::chrono::steady_clock::now();
        for (int i = 0; i < self->m_nCountOfRemoveQueues; ++i) self->removeNextItem();
    });
    return true;
}

void DuplicatesDefaultRemover::setCountOfRemoveQueues(int count) {
    m_nCountOfRemoveQueues = std::clamp(count, 1, kCountOfRemoveQueues);
}

void DuplicatesDefaultRemover::stopRemove() {
    auto self = shared_from_this();
    m_pWorkingQueue->async([self] { self->m_bRemoveCanceled = true; });
}

float DuplicatesDefaultRemover::progress() const {
    if (m_nCountOfItems == 0) return m_bRemoveFinished ? 1.0f : 0.0f;
    return static_cast<float>(double(m_nCountOfProcessedItems) / double(m_nCountOfItems));
}

std::optional<std::vector<std::shared_ptr<DuplicateItem>>> DuplicatesDefaultRemover::getRemovedItems() const {
    if (!m_bRemoveFinished) return std::nullopt;
    return m_arrFinishedRemovedItems;
}

void DuplicatesDefaultRemover::removeNextItem() {
    ++m_nCurrentRemoveItemIndex;
    if (!m_bRemoveCanceled && m_nCurrentRemoveItemIndex < static_cast<std::int32_t>(m_arrItemsForRemove.size())) {
        m_nCurrentRemoveQueue = (m_nCurrentRemoveQueue + 1) % m_nCountOfRemoveQueues;
        const Entry* entry = &m_arrItemsForRemove[static_cast<std::size_t>(m_nCurrentRemoveItemIndex)];
        auto self = shared_from_this();
        m_arrRemoveQueues[m_nCurrentRemoveQueue]->async([self, entry] { self->removeItem(*entry); });
        return;
    }
    if (++m_nCountOfRemoveQueuesThatFinishWork == m_nCountOfRemoveQueues) removeEmptyFoldersAndFinish();
}

bool DuplicatesDefaultRemover::isDiskContentChanged(const Entry& entry) {
    FileSystem& fs = FileSystem::standard();
    if (!fs.exists(entry.path)) return true;
    if (!entry.isDirectory) return false;
    for (const auto& name : entry.childNames)
        if (!fs.exists(entry.path + "/" + name)) return true;
    return false;
}

void DuplicatesDefaultRemover::removeItem(const Entry& entry) {
    FileSystem& fs = FileSystem::standard();
    if (entry.path.empty()) return onItemRemoved(entry, std::nullopt);
    auto notVerified = [&](std::string reason) {
        onItemFailed(RemoveErrorInfo::createNotVerified(entry.item, entry.path, entry.isDirectory, std::move(reason)));
    };
    // Everything below acts on the entry by name in its folder, reached without following a link, so
    // what is checked is what is removed.
    FolderHandle parent;
    if (Status s = fs.openFolderNoFollow(entry.parentPath, parent); !s) {
        if (s.code() == StatusCode::NotFound) return onItemRemoved(entry, std::nullopt);
        if (s.code() == StatusCode::TooManyLinks || s.code() == StatusCode::NotADirectory)
            return notVerified("a folder on its path was replaced since the scan (" + s.path() + ")");
        return notVerified("its folder could not be opened: " + s.message());
    }
    if (!m_pSafetyCheck) return notVerified("it was not checked before removal");
    FileAttributes attributes;
    RemovalSafetyCheck::Result result = m_pSafetyCheck->check(entry.item.get(), parent, entry.name, attributes);
    if (result.verdict == RemovalSafetyCheck::Verdict::Gone) return onItemRemoved(entry, std::nullopt);
    if (result.verdict == RemovalSafetyCheck::Verdict::Changed) return notVerified(std::move(result.reason));

    if (m_bIsNeedRemoveToTrash) {
        TrashResult moved = Trash::standard().moveToTrashAt(parent, entry.name, entry.path);
        if (moved.isOk()) return onItemRemoved(entry, moved.pathInTrash);
        FileAttributes now;
        if (fs.attributesAt(parent, entry.name, now).code() == StatusCode::NotFound)
            return onItemRemoved(entry, moved.pathInTrash.empty() ? std::nullopt
                                                                  : std::optional<std::string>(moved.pathInTrash));
        Status error = moved.status.isOk() ? Status(StatusCode::Other, 0, entry.path) : moved.status;
        return onItemFailed(std::make_shared<RemoveErrorInfo>(entry.item, error, entry.path, entry.isDirectory, true));
    }

    if (entry.isDirectory) {
        FileAttributes folder;
        if (fs.attributes(entry.parentPath, folder) && (folder.immutable || folder.appendOnly))
            return onItemFailed(std::make_shared<RemoveErrorInfo>(
                entry.item, QNError::couldNotRemoveBecauseParentIsLockedForItemAtPath(entry.path), entry.path, true,
                false));
    }
    Status status = FileRemover::standard().removeItemAt(parent, entry.name, entry.path);
    if (status) return onItemRemoved(entry, std::nullopt);
    // A folder partly emptied by the attempt no longer holds what the scan saw: it counts as removed.
    if (entry.isDirectory && isDiskContentChanged(entry)) return onItemRemoved(entry, std::nullopt);
    if (!fs.exists(entry.path)) return onItemRemoved(entry, std::nullopt);
    onItemFailed(std::make_shared<RemoveErrorInfo>(entry.item, status, entry.path, entry.isDirectory, false));
}

void DuplicatesDefaultRemover::onItemRemoved(const Entry& entry, const std::optional<std::string>& pathInTrash) {
    if (pathInTrash)
        VXLog::shared().onItem(entry.item, *pathInTrash);
    else
        VXLog::shared().onItemRemoved(entry.item);
    auto self = shared_from_this();
    const Entry* e = &entry;
    m_pWorkingQueue->async([self, e] {
        if (self->m_bIsNeedRemoveEmptyFolders && !e->parentPath.empty())
            self->m_arrFoldersThatNeedToBeRemoved.insert(e->parentPath);
        self->m_arrRemovedItems.push_back(e->item);
        self->m_arrAllRemovedItems.push_back(e->item);
        self->updateContainerForced(false);
        self->removeNextItem();
    });
}

void DuplicatesDefaultRemover::onItemFailed(std::shared_ptr<RemoveErrorInfo> info) {
    auto self = shared_from_this();
    m_pWorkingQueue->async([self, info = std::move(info)] {
        self->m_arrNotRemovedInfo.push_back(info);
        self->removeNextItem();
    });
}

void DuplicatesDefaultRemover::updateContainerForced(bool forced) {
    const auto now = std::chrono::steady_clock::now();
    if (!forced && now - m_pLastContainerUpdateDate < kReportInterval) return;
    m_pLastContainerUpdateDate = now;
    std::vector<std::shared_ptr<DuplicateItem>> batch;
    batch.swap(m_arrRemovedItems);
    const auto processed = static_cast<std::uint64_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(m_arrItemsForRemove.size()),
                               std::max<std::int64_t>(0, m_nCurrentRemoveItemIndex)));
    std::uint64_t size = 0;
    for (const auto& item : batch) size += static_cast<std::uint64_t>(std::max<std::int64_t>(0, item->getDiskSize()));
    auto self = shared_from_this();
    dispatch::main().async([self, batch = std::move(batch), processed, size] {
        self->m_nCountOfProcessedItems = processed;
        self->m_nTotalRemovedSize += size;
        if (auto listener = self->m_pListener.lock()) listener->onRemover(*self, batch);
    });
}

void DuplicatesDefaultRemover::removeEmptyFoldersAndFinish() {
    if (m_bIsNeedRemoveEmptyFolders && !m_arrAllRemovedItems.empty()) {
        std::vector<std::string> folderPathsPreparedForRemove(m_arrFoldersThatNeedToBeRemoved.begin(),
                                                              m_arrFoldersThatNeedToBeRemoved.end());
        std::stable_sort(folderPathsPreparedForRemove.begin(), folderPathsPreparedForRemove.end(),
                         [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
        FileSystem& fs = FileSystem::standard();
        for (auto it = folderPathsPreparedForRemove.rbegin(); it != folderPathsPreparedForRemove.rend(); ++it) {
            std::vector<std::string> names;
            if (!fs.listFolder(*it, names)) continue;
            if (!std::all_of(names.begin(), names.end(), isIgnorableFolderEntry)) continue;
            // Errors are ignored: the folder simply stays. Both calls reach it without following a link.
            if (m_bIsNeedRemoveToTrash)
                Trash::standard().moveToTrash(*it);
            else
                FileRemover::standard().removeItem(*it);
        }
    }
    updateContainerForced(true);
    auto self = shared_from_this();
    auto errors = m_arrNotRemovedInfo;
    auto removed = m_arrAllRemovedItems;
    const auto total = static_cast<std::uint64_t>(m_arrItemsForRemove.size());
    dispatch::main().async([self, errors = std::move(errors), removed = std::move(removed), total] {
        self->m_arrFinishedErrors = errors;
        self->m_arrFinishedRemovedItems = removed;
        self->m_nCountOfProcessedItems = total;
        self->m_bRemoveFinished = true;
        if (auto listener = self->m_pListener.lock()) listener->onRemoverFinished(*self);
    });
}
