#include "detection/DuplicatesFolderFilter.h"

#include <algorithm>

#include "detection/FileType.h"
#include "detection/FolderSeparator.h"
#include "detection/FolderSeparatorForContainer.h"
#include "platform/Dispatch.h"
#include "platform/MonotonicClock.h"
#include "platform/SerialQueue.h"
#include "platform/ThreadPool.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "scan/ExcludeChecker.h"
#include "scan/FolderSystemItem.h"

namespace {
std::int64_t nowNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(MonotonicClock::standard().now().time_since_epoch())
        .count();
}
}  // namespace

std::shared_ptr<DuplicatesFolderFilter> DuplicatesFolderFilter::create(std::shared_ptr<DuplicatesContainer> container,
                                                                       std::uint64_t minimalFileSize) {
    std::shared_ptr<DuplicatesFolderFilter> filter(new DuplicatesFolderFilter());
    filter->m_pContainer = std::move(container);
    filter->m_bAutoDefineMinimalFileSize = minimalFileSize == kAutomaticMinimalSize;
    filter->m_nMinimalFileSize = filter->m_bAutoDefineMinimalFileSize ? 0 : minimalFileSize;
    return filter;
}

DuplicatesFolderFilter::~DuplicatesFolderFilter() = default;

void DuplicatesFolderFilter::setListener(std::weak_ptr<DuplicatesFolderFilterListener> listener) {
    FolderSeparator::workingQueue()->async(
        [self = shared_from_this(), listener = std::move(listener)] { self->m_pListener = listener; });
}

void DuplicatesFolderFilter::findFoldersDuplicatesInRoots(std::vector<FolderSystemItem*> roots, bool includeHidden) {
    FolderSeparator::workingQueue()->async([self = shared_from_this(), roots = std::move(roots), includeHidden] {
        self->start(roots, includeHidden);
    });
}

void DuplicatesFolderFilter::stop() {
    m_bIsCanceled.store(true, std::memory_order_relaxed);
    FolderSeparator::workingQueue()->async([self = shared_from_this()] {
        if (self->m_pFolderSeparatorForContainer) self->m_pFolderSeparatorForContainer->stop();
    });
}

double DuplicatesFolderFilter::getSearchDuplicatesDuration() const {
    std::int64_t start = m_pStartDate.load(std::memory_order_relaxed);
    if (start == 0) return 0.0;
    return static_cast<double>(nowNanoseconds() - start) / 1e9;
}

std::vector<std::shared_ptr<SimpleFolderInfo>> DuplicatesFolderFilter::setWithFoldersTreeInfoOfFolders(
    const std::vector<FolderSystemItem*>& roots, bool includeHidden) {
    std::vector<std::shared_ptr<SimpleFolderInfo>> candidates;
    const ExcludeChecker* checker = m_pContainer ? m_pContainer->getExcludeChecker().get() : nullptr;
    std::vector<FolderSystemItem*> level(roots.begin(), roots.end());
    std::vector<FolderSystemItem*> next;
    while (!level.empty()) {
        next.clear();
        for (FolderSystemItem* folder : level) {
            if (!folder || folder->isCheckedForDuplicates()) continue;
            if (!includeHidden && folder->isHiddenFlag()) continue;
            if (folder->isInPackage() || static_cast<std::uint64_t>(std::max<std::int64_t>(0, folder->logicalSize())) <
                                             m_nMinimalFileSize)
                continue;
            if (checker && checker->isFileItemExcluded(folder)) continue;
            auto info = std::make_shared<SimpleFolderInfo>(folder);
            if (info->isCanBeDuplicate())
                candidates.push_back(std::move(info));
            else
                folder->setIsCheckedForDuplicates(true);
            for (const auto& child : folder->childrenArray())
                if (child->isDir()) next.push_back(static_cast<FolderSystemItem*>(child.get()));
        }
        level.swap(next);
    }
    return candidates;
}

void DuplicatesFolderFilter::start(std::vector<FolderSystemItem*> roots, bool includeHidden) {
    for (FolderSystemItem* root : roots)
        if (root) root->recalculateCountOfDeepChildren();
    auto candidates = setWithFoldersTreeInfoOfFolders(roots, includeHidden);
    auto groups = SimpleFolderInfo::GroupFoldersBySizeAndChildrenCount(candidates);
    m_arrGroupedSimpleFoldersInfo = m_bAutoDefineMinimalFileSize
                                        ? SimpleFolderInfo::SortedGroupsBySizeFromBigToSmall(std::move(groups))
                                        : SimpleFolderInfo::SortedGroupsBySizeFromSmallToBig(std::move(groups));
    m_pStartDate.store(nowNanoseconds(), std::memory_order_relaxed);
    m_nNextProcessedSimpleFolderInfoIndex = 0;
    processNextSimpleGroup();
}

void DuplicatesFolderFilter::processNextSimpleGroup() {
    if (m_bAutoDefineMinimalFileSize && getSearchDuplicatesDuration() > kAutomaticStopSeconds) stop();
    if (!isCanceled() && m_nNextProcessedSimpleFolderInfoIndex < m_arrGroupedSimpleFoldersInfo.size()) {
        updateDuplicatesFoldersCountAndSendContainerForUpdate(true);
        const auto& group = m_arrGroupedSimpleFoldersInfo[m_nNextProcessedSimpleFolderInfoIndex++];
        m_nTotalCheckedFolders += m_nCurrentCheckedFolders;
        m_nCurrentCheckedFolders = 0;
        std::vector<FolderSystemItem*> folders;
        folders.reserve(group.size());
        for (const auto& info : group) folders.push_back(info->getSystemItem());
        m_pFolderSeparatorForContainer = FolderSeparatorForContainer::create();
        m_pFolderSeparatorForContainer->separateItems(std::move(folders), m_pContainer, weak_from_this());
        return;
    }
    onCompleteFilteringDuplicatesFolders();
}

void DuplicatesFolderFilter::updateCountOfCheckedFolders(std::uint64_t count) {
    m_nCurrentCheckedFolders = count;
    updateDuplicatesFoldersCountAndSendContainerForUpdate(false);
}

void DuplicatesFolderFilter::onFinishFolderSeparator(FolderSeparatorForContainer*, const FolderSets&,
                                                     const std::shared_ptr<DuplicatesContainer>&) {
    m_pFolderSeparatorForContainer.reset();
    processNextSimpleGroup();
}

void DuplicatesFolderFilter::onCompleteFilteringDuplicatesFolders() {
    if (m_bIsFinished) return;
    m_bIsFinished = true;
    if (m_pContainer) m_pContainer->removeDuplicatesGroupsThatFullyInDuplicatesFoldersOrReturnItBack();
    updateDuplicatesFoldersCountAndSendContainerForUpdate(true);
    auto listener = m_pListener;
    if (listener.expired() || !m_pContainer) return;
    auto container = std::move(m_pContainer);
    m_pContainer.reset();
    m_arrGroupedSimpleFoldersInfo.clear();
    dispatch::background().async([listener, container] {
        auto l = listener.lock();
        if (!l) return;
        l->onDuplicatedFolderFilteringCompleteWithContainer(container);
        // The listener (the scan driver) is let go on the main thread, never here.
        dispatch::main().async([l = std::move(l)] {});
    });
}

void DuplicatesFolderFilter::updateDuplicatesFoldersCountAndSendContainerForUpdate(bool update) {
    auto listener = m_pListener.lock();
    if (!listener || !m_pContainer) return;
    std::uint64_t count = m_nTotalCheckedFolders + m_nCurrentCheckedFolders;
    auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(0, m_pContainer->getCategoryWithType(FileTypeFolder)->getTotalSize()));
    double progress;
    if (m_bAutoDefineMinimalFileSize)
        progress = getSearchDuplicatesDuration() / kAutomaticStopSeconds;
    else
        progress = m_arrGroupedSimpleFoldersInfo.empty()
                       ? 1.0
                       : static_cast<double>(m_nNextProcessedSimpleFolderInfoIndex) /
                             static_cast<double>(m_arrGroupedSimpleFoldersInfo.size());
    auto value = static_cast<float>(std::min(1.0, progress));
    std::weak_ptr<DuplicatesFolderFilterListener> weak = listener;
    dispatch::main().async([weak, size, value, count] {
        if (auto l = weak.lock()) l->onFoundDuplicatesFoldersWithTotalSize(size, value, count);
    });
    if (update) listener->onUpdateSizesUsingContainer(m_pContainer);
    dispatch::main().async([listener = std::move(listener)] {});  // the driver goes on the main thread only
}
