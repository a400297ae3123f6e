#include "detection/FolderSeparator.h"

#include <string>

#include "detection/FileSeparator.h"
#include "detection/FolderDuplicatesInfo.h"
#include "platform/Dispatch.h"
#include "platform/SerialQueue.h"
#include "scan/FolderSystemItem.h"

namespace {
const std::shared_ptr<SerialQueue>& sharedQueue() {
    // Never destroyed: work still queued when the process exits must not meet a destroyed queue; its
    // thread is ended by dispatch::shutdown before the exit-time destructors run.
    static auto* shared = new std::shared_ptr<SerialQueue>(dispatch::residentQueue("folderseparator.working"));
    return *shared;
}

SerialQueue& queue() { return *sharedQueue(); }
}  // namespace

FolderSeparator::FolderSeparator() = default;
FolderSeparator::~FolderSeparator() = default;

std::shared_ptr<FolderSeparator> FolderSeparator::create() {
    return std::shared_ptr<FolderSeparator>(new FolderSeparator());
}

std::shared_ptr<SerialQueue> FolderSeparator::workingQueue() { return sharedQueue(); }

void FolderSeparator::separateItems(std::vector<FolderSystemItem*> folders,
                                    std::weak_ptr<FolderSeparatorDelegate> delegate) {
    queue().async([self = shared_from_this(), folders = std::move(folders), delegate = std::move(delegate)]() mutable {
        std::vector<std::shared_ptr<FolderDuplicatesInfo>> infos;
        infos.reserve(folders.size());
        for (FolderSystemItem* folder : folders) infos.push_back(std::make_shared<FolderDuplicatesInfo>(folder));
        self->start(std::move(infos), std::move(folders), std::move(delegate));
    });
}

void FolderSeparator::separateFoldersInfos(std::vector<std::shared_ptr<FolderDuplicatesInfo>> infos,
                                           std::vector<FolderSystemItem*> folders,
                                           std::weak_ptr<FolderSeparatorDelegate> delegate) {
    queue().async([self = shared_from_this(), infos = std::move(infos), folders = std::move(folders),
                   delegate = std::move(delegate)]() mutable {
        self->start(std::move(infos), std::move(folders), std::move(delegate));
    });
}

void FolderSeparator::start(std::vector<std::shared_ptr<FolderDuplicatesInfo>> infos,
                            std::vector<FolderSystemItem*> folders, std::weak_ptr<FolderSeparatorDelegate> delegate) {
    m_pDelegate = std::move(delegate);
    m_nTotalProcessedItems = 0;
    m_nCurrentProcessedItemsInFolders = 0;
    m_arrFoldersItems = std::move(folders);
    m_arrFoldersInfos = std::move(infos);
    m_arrInfoByFolder.clear();
    for (const auto& info : m_arrFoldersInfos) m_arrInfoByFolder[info->getFolder()] = info.get();
    continueFolderSeparation();
}

void FolderSeparator::stop() {
    m_bIsCanceled.store(true, std::memory_order_relaxed);
    queue().async([self = shared_from_this()] {
        for (const auto& sub : self->m_arrSubSeparators) sub->stop();
        if (self->m_pFileSeparator) self->m_pFileSeparator->stop();
        if (self->m_pFolderSeparator) self->m_pFolderSeparator->stop();
    });
}

FolderDuplicatesInfo* FolderSeparator::infoOfFolder(const FolderSystemItem* folder) const {
    auto it = m_arrInfoByFolder.find(folder);
    return it == m_arrInfoByFolder.end() ? nullptr : it->second;
}

// ---- The separation loop ----

void FolderSeparator::continueFolderSeparation() {
    if (m_bIsCanceled.load(std::memory_order_relaxed)) {
        finishWithResult(std::nullopt);
        return;
    }
    if (m_arrFoldersItems.size() <= 1) {
        m_nTotalProcessedItems += 1;
        notifyDelegateAboutProgress();
        finishWithResult(std::nullopt);
        return;
    }
    if (std::size_t split = getSeparationBeginIndex(); split > 0) {
        separateSubGroups(split);
        return;
    }
    if (!m_bBucketsPrepared) {
        m_bBucketsPrepared = true;
        prepareToCheckGroupedBySizeFileItems();
    }
    if (!m_arrFileItemsGroupedBySize.empty()) {
        separateGroupedFileItems();
        return;
    }
    if (!m_arrFolderItemsGroupedBySize.empty()) {
        separateGroupedFolderItems();
        return;
    }
    // Every bucket compared and the summaries still equal: the folders are duplicates.
    m_nTotalProcessedItems += m_arrFoldersItems.size();
    notifyDelegateAboutProgress();
    finishWithResult(FolderSets{m_arrFoldersItems});
}

std::size_t FolderSeparator::getSeparationBeginIndex() const {
    for (std::size_t i = 1; i < m_arrFoldersInfos.size(); ++i)
        if (!m_arrFoldersInfos[i]->isEqualToFolderInfo(m_arrFoldersInfos[i - 1].get())) return i;
    return 0;
}

std::vector<std::vector<std::size_t>> FolderSeparator::getArrayWithFolderInfosSubGroupsWithFirstGroupLen(
    std::size_t length) const {
    std::vector<std::vector<std::size_t>> groups(1);
    for (std::size_t i = 0; i < length; ++i) groups.front().push_back(i);
    for (std::size_t i = length; i < m_arrFoldersInfos.size(); ++i) {
        bool placed = false;
        for (auto& group : groups) {
            if (m_arrFoldersInfos[i]->isEqualToFolderInfo(m_arrFoldersInfos[group.front()].get())) {
                group.push_back(i);
                placed = true;
                break;
            }
        }
        if (!placed) groups.push_back({i});
    }
    return groups;
}

void FolderSeparator::separateSubGroups(std::size_t firstGroupLength) {
    m_bSplit = true;
    for (const auto& group : getArrayWithFolderInfosSubGroupsWithFirstGroupLen(firstGroupLength)) {
        m_nTotalProcessedItems += m_nCurrentProcessedItemsInFolders;
        m_nCurrentProcessedItemsInFolders = 0;
        if (group.size() == 1) {
            // A sub-group of one folder has nothing left to compare.
            m_arrFoldersItems[group.front()]->setIsCheckedForDuplicates(true);
            m_nTotalProcessedItems += 1;
            continue;
        }
        std::vector<std::shared_ptr<FolderDuplicatesInfo>> infos;
        std::vector<FolderSystemItem*> folders;
        for (std::size_t index : group) {
            infos.push_back(m_arrFoldersInfos[index]);
            folders.push_back(m_arrFoldersItems[index]);
        }
        auto sub = FolderSeparator::create();
        m_arrSubSeparators.push_back(sub);
        sub->separateFoldersInfos(std::move(infos), std::move(folders), weak_from_this());
    }
    m_arrFoldersItems.clear();
    m_arrFoldersInfos.clear();
    m_arrInfoByFolder.clear();
    m_arrFileItemsGroupedBySize.clear();
    m_arrFolderItemsGroupedBySize.clear();
    notifyDelegateAboutProgress();
    if (m_arrSubSeparators.empty()) finishWithResult(m_bIsCanceled ? std::nullopt : std::optional(FolderSets{}));
}

void FolderSeparator::prepareToCheckGroupedBySizeFileItems() {
    for (FolderSystemItem* folder : m_arrFoldersItems) {
        for (const auto& child : folder->childrenArray()) {
            if (child->isCheckedForDuplicates()) continue;
            if (child->isDir())
                m_arrFolderItemsGroupedBySize[child->logicalSize()].push_back(static_cast<FolderSystemItem*>(child.get()));
            else
                m_arrFileItemsGroupedBySize[child->logicalSize()].push_back(child.get());
        }
    }
}

void FolderSeparator::separateGroupedFileItems() {
    auto bucket = m_arrFileItemsGroupedBySize.begin();
    m_arrFilesThatWasSeparated = std::move(bucket->second);
    m_arrFileItemsGroupedBySize.erase(bucket);
    if (m_arrFilesThatWasSeparated.size() == 1) {
        // Nothing to hash against: the file is unique.
        m_arrFilesThatWasSeparated.front()->setIsCheckedForDuplicates(true);
        processItemsGroupedWithHash({}, m_arrFilesThatWasSeparated);
        return;
    }
    m_pFileSeparator = FileSeparator::create();
    m_pFileSeparator->separateItems(m_arrFilesThatWasSeparated, weak_from_this());
}

void FolderSeparator::onFinishSeparateItemsByHash(FileItemsByHash result) {
    queue().async([self = shared_from_this(), result = std::move(result)] {
        self->m_pFileSeparator.reset();
        auto items = std::move(self->m_arrFilesThatWasSeparated);
        self->m_arrFilesThatWasSeparated.clear();
        self->processItemsGroupedWithHash(result, items);
    });
}

void FolderSeparator::processItemsGroupedWithHash(const FileItemsByHash& result,
                                                  const std::vector<FileSystemItem*>& items) {
    if (!result.empty()) notifyDelegateToProcessIntermediateItemsWithSameHash(result);
    for (const auto& info : m_arrFoldersInfos) info->resetGroupsInfo();
    for (FileSystemItem* item : items)
        if (FolderDuplicatesInfo* info = infoOfFolder(item->parent())) info->updateDataAfterProcessedItem(item);
    continueFolderSeparation();
}

void FolderSeparator::separateGroupedFolderItems() {
    auto bucket = m_arrFolderItemsGroupedBySize.begin();
    m_arrFoldersThatWasSeparated = std::move(bucket->second);
    m_arrFolderItemsGroupedBySize.erase(bucket);
    m_nTotalProcessedItems += m_nCurrentProcessedItemsInFolders;
    m_nCurrentProcessedItemsInFolders = 0;
    m_pFolderSeparator = FolderSeparator::create();
    m_pFolderSeparator->separateItems(m_arrFoldersThatWasSeparated, weak_from_this());
}

void FolderSeparator::markFoldersAsCheckedForDuplicates() {
    for (FolderSystemItem* folder : m_arrFoldersItems) folder->setIsCheckedForDuplicates(true);
}

// ---- Reports from nested and sub-separators ----

void FolderSeparator::onProcessedItemsCount(std::uint64_t count) {
    m_nCurrentProcessedItemsInFolders = count;
    notifyDelegateAboutProgress();
}

void FolderSeparator::processIndermediateItemsWithSameHash(const FileItemsByHash& items) {
    notifyDelegateToProcessIntermediateItemsWithSameHash(items);
}

void FolderSeparator::onFinishSeparateFolderItems(std::optional<FolderSets> result, FolderSeparator* separator) {
    if (m_pFolderSeparator && separator == m_pFolderSeparator.get()) {
        // The nested separation of one sub-folder bucket.
        m_pFolderSeparator.reset();
        auto folders = std::move(m_arrFoldersThatWasSeparated);
        m_arrFoldersThatWasSeparated.clear();
        FileItemsByHash sets;
        if (result) {
            int index = 0;
            for (const auto& set : *result) {
                std::vector<FileSystemItem*> items(set.begin(), set.end());
                sets.emplace(std::to_string(index++), std::move(items));
            }
        }
        std::vector<FileSystemItem*> items(folders.begin(), folders.end());
        processItemsGroupedWithHash(sets, items);
        return;
    }
    for (auto it = m_arrSubSeparators.begin(); it != m_arrSubSeparators.end(); ++it) {
        if (it->get() != separator) continue;
        std::shared_ptr<FolderSeparator> keep = *it;  // the call came from it
        m_arrSubSeparators.erase(it);
        if (result)
            for (auto& set : *result)
                if (!set.empty()) m_arrSubSeparatorsResult.push_back(std::move(set));
        if (m_arrSubSeparators.empty())
            finishWithResult(m_bIsCanceled.load(std::memory_order_relaxed)
                                 ? std::nullopt
                                 : std::optional<FolderSets>(std::move(m_arrSubSeparatorsResult)));
        return;
    }
}

// ---- Telling the delegate ----

void FolderSeparator::notifyDelegateAboutProgress() {
    if (auto delegate = m_pDelegate.lock())
        delegate->onProcessedItemsCount(m_nTotalProcessedItems + m_nCurrentProcessedItemsInFolders);
}

void FolderSeparator::notifyDelegateToProcessIntermediateItemsWithSameHash(const FileItemsByHash& items) {
    if (auto delegate = m_pDelegate.lock()) delegate->processIndermediateItemsWithSameHash(items);
}

void FolderSeparator::finishWithResult(std::optional<FolderSets> result) {
    if (m_bFinished) return;
    m_bFinished = true;
    // Candidates of a separation that found nothing (one left, stopped) are done with all the same;
    // after a split the sub-separators marked theirs.
    if (!m_bSplit) markFoldersAsCheckedForDuplicates();
    std::weak_ptr<FolderSeparatorDelegate> weak = std::move(m_pDelegate);
    m_pDelegate.reset();
    queue().async([self = shared_from_this(), weak, result = std::move(result)]() mutable {
        if (auto delegate = weak.lock()) delegate->onFinishSeparateFolderItems(std::move(result), self.get());
    });
}
