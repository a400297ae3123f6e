#include "detection/HeapsItemsFilter.h"

#include <algorithm>

#include "detection/FileSeparatorForContainer.h"
#include "detection/FolderSeparator.h"
#include "detection/FolderSeparatorForContainer.h"
#include "platform/MultiFileDigest.h"
#include "platform/Dispatch.h"
#include "platform/SerialQueue.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/HeapsValidateProgressListener.h"
#include "scan/FolderSystemItem.h"

namespace {
// The delegate is the scan driver, which its owner may let go at any time: a reference taken here
// is given back on the main thread, so that the driver is never destroyed on this queue.
template <class T>
void releaseOnMain(std::shared_ptr<T>& reference) {
    if (reference) dispatch::main().async([reference = std::move(reference)] {});
}
}  // namespace

HeapsItemsFilter::HeapsItemsFilter(std::weak_ptr<HeapsItemsFilterDelegate> delegate) : m_pDelegate(std::move(delegate)) {}
HeapsItemsFilter::~HeapsItemsFilter() = default;

std::shared_ptr<HeapsItemsFilter> HeapsItemsFilter::create(std::weak_ptr<HeapsItemsFilterDelegate> delegate) {
    return std::shared_ptr<HeapsItemsFilter>(new HeapsItemsFilter(std::move(delegate)));
}

void HeapsItemsFilter::filterUsingContainer(std::shared_ptr<DuplicatesContainer> container, bool includeHidden) {
    m_pContainer = std::move(container);
    includeHiddenFiles = includeHidden;
    FolderSeparator::workingQueue()->async([self = shared_from_this()] { self->filterData(); });
}

void HeapsItemsFilter::stopHeapsAdditionalSmallFilesSearch() {
    FolderSeparator::workingQueue()->async([self = shared_from_this()] {
        if (self->sm_pAdditionalSeparatorForSmallFiles) self->sm_pAdditionalSeparatorForSmallFiles->stop();
        if (self->sm_pAdditionalSeparatorForSmallFolders) self->sm_pAdditionalSeparatorForSmallFolders->stop();
    });
}

bool HeapsItemsFilter::isCanceled() {
    auto delegate = m_pDelegate.lock();
    bool canceled = !delegate || delegate->isHeapsItemsFilterCanceled();
    releaseOnMain(delegate);
    return canceled;
}

void HeapsItemsFilter::filterData() {
    DuplicatesHeaps* heaps = m_pContainer ? m_pContainer->getHeaps() : nullptr;
    if (heaps) {
        std::shared_ptr<HeapsValidateProgressListener> listener;
        if (auto delegate = m_pDelegate.lock()) {
            listener = delegate->getHeapsValidateProgressListener();
            releaseOnMain(delegate);
        }
        heaps->validateEmptyDataAfterRemoveWithListener(listener.get());
        releaseOnMain(listener);
    }
    DuplicatesHeaps::SmallItems files, folders;
    bool changed = false;
    if (heaps && !isCanceled() && ++m_nRounds <= kMaxRounds)
        heaps->getSmallFilesThatNeedToBeCheckedForBetterHeaps(files, folders, *m_pContainer, includeHiddenFiles, &changed);
    if (!files.empty() || !folders.empty()) {
        if (auto delegate = m_pDelegate.lock()) {
            delegate->onHeapsItemsFilterStartSeparateItems();
            releaseOnMain(delegate);
        }
        separateAdditionalSmallFiles(std::move(files), std::move(folders));
        return;
    }
    if (!changed) {
        if (m_pContainer) m_pContainer->getSmallDuplicatesCategory()->removeAllGroups();
        sm_pAdditionalSeparationStartTime.reset();
        finishWork();
        return;
    }
    FolderSeparator::workingQueue()->async([self = shared_from_this()] { self->filterData(); });
}

void HeapsItemsFilter::finishWork() {
    if (m_bFinished) return;
    m_bFinished = true;
    if (auto delegate = m_pDelegate.lock()) {
        delegate->onHeapsItemsFilterFinishedWork();
        releaseOnMain(delegate);
    }
}

void HeapsItemsFilter::separateAdditionalSmallFiles(DuplicatesHeaps::SmallItems files,
                                                    DuplicatesHeaps::SmallItems folders) {
    sm_arrSmallFiles = std::move(files);
    sm_arrSmallFolders = std::move(folders);
    std::vector<std::pair<std::int64_t, std::string>> keys;
    for (const auto& [key, items] : sm_arrSmallFolders) keys.emplace_back(items.front()->logicalSize(), key);
    std::sort(keys.begin(), keys.end());
    sm_arrSmallFoldersKeys.clear();
    for (auto& [size, key] : keys) sm_arrSmallFoldersKeys.push_back(std::move(key));
    if (!sm_pAdditionalSeparationStartTime) sm_pAdditionalSeparationStartTime = std::chrono::steady_clock::now();
    separateNextAdditionalSmallItemsToContainer();
}

std::optional<std::string> HeapsItemsFilter::getNextKeyForGroups(const DuplicatesHeaps::SmallItems& groups) const {
    for (const auto& [key, items] : groups)
        if (items.size() > 1) return key;
    return std::nullopt;
}

void HeapsItemsFilter::separateNextAdditionalSmallItemsToContainer() {
    if (!isCanceled()) {
        if (auto key = getNextKeyForGroups(sm_arrSmallFiles)) {
            auto items = std::move(sm_arrSmallFiles[*key]);
            sm_arrSmallFiles.erase(*key);
            sm_pAdditionalSeparatorForSmallFiles = FileSeparatorForContainer::create();
            sm_pAdditionalSeparatorForSmallFiles->separateItems(std::move(items), m_pContainer, weak_from_this());
            return;
        }
        while (!sm_arrSmallFoldersKeys.empty()) {
            std::string key = std::move(sm_arrSmallFoldersKeys.back());
            sm_arrSmallFoldersKeys.pop_back();
            auto it = sm_arrSmallFolders.find(key);
            if (it == sm_arrSmallFolders.end() || it->second.size() < 2) continue;
            std::vector<FolderSystemItem*> folders;
            for (FileSystemItem* item : it->second) folders.push_back(static_cast<FolderSystemItem*>(item));
            sm_arrSmallFolders.erase(it);
            sm_pAdditionalSeparatorForSmallFolders = FolderSeparatorForContainer::create();
            sm_pAdditionalSeparatorForSmallFolders->separateItems(std::move(folders), m_pContainer, weak_from_this());
            return;
        }
    }
    sm_arrSmallFiles.clear();
    sm_arrSmallFolders.clear();
    sm_arrSmallFoldersKeys.clear();
    // The round's comparisons are over: their digest buffers go before the heaps are built again.
    MultiFileDigest::releaseSpareBuffers();
    filterData();
}

void HeapsItemsFilter::addCountOfDuplicatesToSmallDuplicatsInHeaps(const std::vector<std::vector<FileSystemItem*>>& sets) {
    auto delegate = m_pDelegate.lock();
    if (!delegate) return;
    for (const auto& set : sets)
        if (!set.empty() && set.front()->getDuplicateItem())
            delegate->onHeapsItemsFilterFoundDuplicatesCount(static_cast<std::int64_t>(set.size()));
    releaseOnMain(delegate);
}

void HeapsItemsFilter::onFinishFileSeparator(FileSeparatorForContainer*, FileItemsByHash result,
                                             const std::shared_ptr<DuplicatesContainer>&) {
    FolderSeparator::workingQueue()->async([self = shared_from_this(), result = std::move(result)] {
        self->sm_pAdditionalSeparatorForSmallFiles.reset();
        std::vector<std::vector<FileSystemItem*>> sets;
        for (const auto& [key, items] : result) sets.push_back(items);
        self->addCountOfDuplicatesToSmallDuplicatsInHeaps(sets);
        self->separateNextAdditionalSmallItemsToContainer();
    });
}

void HeapsItemsFilter::onFinishFolderSeparator(FolderSeparatorForContainer*, const FolderSets& result,
                                               const std::shared_ptr<DuplicatesContainer>&) {
    std::vector<std::vector<FileSystemItem*>> sets;
    for (const auto& set : result) sets.emplace_back(set.begin(), set.end());
    FolderSeparator::workingQueue()->async([self = shared_from_this(), sets = std::move(sets)] {
        self->sm_pAdditionalSeparatorForSmallFolders.reset();
        self->addCountOfDuplicatesToSmallDuplicatsInHeaps(sets);
        self->separateNextAdditionalSmallItemsToContainer();
    });
}
