#include "detection/FolderSeparatorForContainer.h"

#include "detection/FolderSeparator.h"
#include "platform/SerialQueue.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "scan/FolderSystemItem.h"

FolderSeparatorForContainer::FolderSeparatorForContainer() = default;
FolderSeparatorForContainer::~FolderSeparatorForContainer() = default;

std::shared_ptr<FolderSeparatorForContainer> FolderSeparatorForContainer::create() {
    return std::shared_ptr<FolderSeparatorForContainer>(new FolderSeparatorForContainer());
}

void FolderSeparatorForContainer::separateItems(std::vector<FolderSystemItem*> folders,
                                                std::shared_ptr<DuplicatesContainer> container,
                                                std::weak_ptr<FolderSeparatorForContainerListener> listener) {
    FolderSeparator::workingQueue()->async([self = shared_from_this(), folders = std::move(folders),
                                            container = std::move(container), listener = std::move(listener)]() mutable {
        self->m_pContainer = std::move(container);
        self->m_pListener = std::move(listener);
        if (auto l = self->m_pListener.lock()) {
            if (auto interval = l->getUpdateTimeInterval()) {
                self->m_pUpdateTimeInterval = -*interval;
                self->m_pTimeBeforeUpdate = Clock::now();
            }
        }
        self->m_pSeparator = FolderSeparator::create();
        self->m_pSeparator->separateItems(std::move(folders), self->weak_from_this());
    });
}

void FolderSeparatorForContainer::stop() {
    FolderSeparator::workingQueue()->async([self = shared_from_this()] {
        if (self->m_pSeparator) self->m_pSeparator->stop();
    });
}

void FolderSeparatorForContainer::onProcessedItemsCount(std::uint64_t count) {
    m_nCountOfCheckedItems = count;
    updateCountOfCheckedItems(false);
}

void FolderSeparatorForContainer::updateCountOfCheckedItems(bool forced) {
    if (!m_pTimeBeforeUpdate) return;
    if (!forced && !m_bIntervalPassed) {
        double elapsed = std::chrono::duration<double>(Clock::now() - *m_pTimeBeforeUpdate).count();
        if (elapsed <= -m_pUpdateTimeInterval) return;
        m_bIntervalPassed = true;
    }
    if (auto listener = m_pListener.lock()) listener->updateCountOfCheckedFolders(m_nCountOfCheckedItems);
}

void FolderSeparatorForContainer::processIndermediateItemsWithSameHash(const FileItemsByHash& items) {
    if (!m_pContainer) return;
    DuplicatesCategory* small = m_pContainer->getSmallDuplicatesCategory();
    for (const auto& [key, set] : items)
        if (set.size() >= 2) small->addGroupWithItems(set);
}

void FolderSeparatorForContainer::onFinishSeparateFolderItems(std::optional<FolderSets> result, FolderSeparator*) {
    updateCountOfCheckedItems(true);
    m_pSeparator.reset();
    FolderSets sets;
    if (result) sets = std::move(*result);
    if (m_pContainer) {
        for (const auto& set : sets) {
            if (set.size() < 2) continue;
            std::vector<FileSystemItem*> items(set.begin(), set.end());
            m_pContainer->addGroupWithItems(items);
        }
    }
    auto listener = m_pListener.lock();
    auto container = std::move(m_pContainer);
    m_pListener.reset();
    m_pContainer.reset();
    if (listener) listener->onFinishFolderSeparator(this, sets, container);
}
