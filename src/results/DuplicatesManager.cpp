#include "results/DuplicatesManager.h"

#include <algorithm>
#include <map>

#include "platform/Dispatch.h"
#include "platform/ThreadPool.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "results/DuplicatesHeap.h"
#include "results/DuplicatesHeaps.h"
#include "results/HeapsFolderData.h"
#include "results/HeapsGroup.h"
#include "scan/FolderSystemItem.h"
#include "selection/AutoSelectPreview.h"
#include "selection/OperationsManager.h"
#include "settings/Settings.h"

namespace {
using Heaps = std::vector<std::shared_ptr<DuplicatesHeap>>;

void sortByHalfSize(Heaps& heaps) {
    std::stable_sort(heaps.begin(), heaps.end(),
                     [](const auto& a, const auto& b) { return a->getHeapHalfSize() > b->getHeapHalfSize(); });
}

template <class Result, class Call>
void computeAndDeliver(std::function<Result()> compute, std::weak_ptr<DuplicatesManagerDelegate> delegate, Call call) {
    dispatch::background().async([compute = std::move(compute), delegate, call] {
        Result result = compute();
        dispatch::main().async([delegate, call, result = std::move(result)] {
            if (auto d = delegate.lock()) call(*d, result);
        });
    });
}
}  // namespace

DuplicatesManager& DuplicatesManager::sharedManager() {
    static DuplicatesManager manager;
    return manager;
}

DuplicatesManager::DuplicatesManager() : m_pOperationsManager(std::make_shared<OperationsManager>()) {
    Settings::setDeselectFullySelectedGroupsHook([] { sharedManager().deselectFullySelectedGroups(); });
}

AutoSelectManager& DuplicatesManager::getAutoSelectManager() const { return m_pOperationsManager->getAutoSelectManager(); }

void DuplicatesManager::setDuplicateContainer(std::shared_ptr<DuplicatesContainer> container) {
    m_pDuplicateContainer = std::move(container);
    DuplicatesContainer::setCurrentContainer(m_pDuplicateContainer);
}

void DuplicatesManager::clearScanBasicInformation() {
    if (!scannedFolders) return;
    previousScanScannedFolders = *scannedFolders;
    previousScanIsMinimalDuplicatesSizeWasDefinedAutomatically = isMinimalDuplicatesSizeWasDefinedAutomatically;
    previousScanMinimalDuplicatesSize = minimalDuplicatesSize;
    isBackupsWereSkipped = false;
    isMinimalDuplicatesSizeWasDefinedAutomatically = false;
    minimalDuplicatesSize = 0;
    scanStartDate.reset();
    scanFinishDate.reset();
    scannedFolders.reset();
    foundSize = foundFiles = removedSize = 0;
    scanSettingsChanged = false;
}

bool DuplicatesManager::isScannedSameFolderAsPreviousButAutomaticallyDefinedFileSizeIsSmaller() const {
    return previousScanIsMinimalDuplicatesSizeWasDefinedAutomatically && isMinimalDuplicatesSizeWasDefinedAutomatically &&
           minimalDuplicatesSize < previousScanMinimalDuplicatesSize &&
           isArrayHasSameContentAsArray(previousScanScannedFolders, scannedFolders);
}

bool DuplicatesManager::isArrayHasSameContentAsArray(const std::optional<std::vector<std::string>>& a,
                                                     const std::optional<std::vector<std::string>>& b) {
    if (!a || !b || a->size() != b->size()) return false;
    auto x = *a, y = *b;
    std::sort(x.begin(), x.end());
    std::sort(y.begin(), y.end());
    return x == y;
}

Heaps DuplicatesManager::pleaseCalculateBiggestHeapsWithMaxResultCount(std::int64_t count) const {
    return biggestHeapsIn(m_pDuplicateContainer.get(), count);
}

Heaps DuplicatesManager::pleaseCalculateBiggestEasyForRemoveHeaps() const {
    return easyForRemoveHeapsIn(m_pDuplicateContainer.get());
}

Heaps DuplicatesManager::biggestHeapsIn(const DuplicatesContainer* container, std::int64_t count) {
    Heaps list;
    DuplicatesHeaps* heaps = container ? container->getHeaps() : nullptr;
    if (!heaps || count <= 0) return list;
    auto datas = heaps->getAllFoldersData();
    std::vector<std::pair<std::uint64_t, std::shared_ptr<HeapsFolderData>>> bySize;
    for (auto& d : datas) bySize.emplace_back(d->getAllDuplicatesSize(), d);
    std::stable_sort(bySize.begin(), bySize.end(), [](const auto& a, const auto& b) { return a.first > b.first; });

    std::uint64_t threshold = 0;
    for (auto& [size, data] : bySize) {
        if (size <= threshold) continue;
        FolderSystemItem* folder = data->getFolderSystemItem();
        if (!folder) continue;
        auto group = heaps->buildHeapsGroupForFolderWithPath(folder->path());
        if (!group) continue;
        bool added = false;
        for (auto& heap : group->buildAllSubHeapsArray()) {
            if (heap->getHeapHalfSize() < threshold) continue;
            bool known = std::any_of(list.begin(), list.end(), [&](const auto& h) { return h->sameAs(*heap); });
            if (known) continue;
            list.push_back(heap);
            added = true;
        }
        if (added && static_cast<std::int64_t>(list.size()) > count) {
            sortByHalfSize(list);
            threshold = list[static_cast<std::size_t>(count - 1)]->getHeapHalfSize();
            // Ties at the threshold stay, so the list may hold more than `count`.
            while (!list.empty() && list.back()->getHeapHalfSize() < threshold) list.pop_back();
        }
    }
    sortByHalfSize(list);
    return list;
}

Heaps DuplicatesManager::easyForRemoveHeapsIn(const DuplicatesContainer* container) {
    DuplicatesHeaps* heaps = container ? container->getHeaps() : nullptr;
    if (!heaps) return {};
    std::map<std::int64_t, std::shared_ptr<DuplicatesHeap>> byMainFolder;
    for (auto& data : heaps->getAllFoldersData()) {
        auto group = heaps->getHeapsGroupForFolderData(*data);
        if (!group || group->getCountOfHeapsInGroup() != 1) continue;
        auto all = group->buildAllSubHeapsArray();
        if (all.empty()) continue;
        auto heap = all.front();
        std::int64_t mainId = heap->getMainHeapsFolderData() ? heap->getMainHeapsFolderData()->getID() : data->getID();
        std::int64_t secondId = heap->getSecondHeapsFolderData() ? heap->getSecondHeapsFolderData()->getID() : -1;
        auto stored = byMainFolder.find(secondId);
        if (stored != byMainFolder.end() && stored->second->sameAs(*heap)) continue;
        byMainFolder[mainId] = heap;
    }
    Heaps candidates;
    for (auto& [id, heap] : byMainFolder) candidates.push_back(heap);
    if (candidates.empty()) return biggestHeapsIn(container, 10);
    sortByHalfSize(candidates);
    if (candidates.size() > 10) candidates.resize(10);
    return candidates;
}

std::vector<std::shared_ptr<DuplicatesGroup>> DuplicatesManager::pleaseCalculateBiggestGroups() const {
    if (!m_pDuplicateContainer) return {};
    auto groups = m_pDuplicateContainer->getAllFilesGroups();
    std::stable_sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) {
        return a->getSizeThatCanBeRemoved() > b->getSizeThatCanBeRemoved();
    });
    return groups;
}

void DuplicatesManager::calculateTenBiggestHeapsWithDelegate(std::weak_ptr<DuplicatesManagerDelegate> delegate) {
    computeAndDeliver<Heaps>([this] { return pleaseCalculateBiggestHeapsWithMaxResultCount(10); }, delegate,
                             [](DuplicatesManagerDelegate& d, const Heaps& r) { d.onCalculatedTenBiggestHeaps(r); });
}

void DuplicatesManager::calculateBiggestEasyForRemoveHeapsWithDelegate(std::weak_ptr<DuplicatesManagerDelegate> delegate) {
    computeAndDeliver<Heaps>([this] { return pleaseCalculateBiggestEasyForRemoveHeaps(); }, delegate,
                             [](DuplicatesManagerDelegate& d, const Heaps& r) { d.onCalculateBiggestEasyForRemoveHeaps(r); });
}

void DuplicatesManager::calculateBiggestGroupsWithDelegate(std::weak_ptr<DuplicatesManagerDelegate> delegate) {
    using Groups = std::vector<std::shared_ptr<DuplicatesGroup>>;
    computeAndDeliver<Groups>([this] { return pleaseCalculateBiggestGroups(); }, delegate,
                              [](DuplicatesManagerDelegate& d, const Groups& r) { d.onCalculatedBiggestGroups(r); });
}

void DuplicatesManager::calculateDuplicatesForAutoselectWithDelegate(std::weak_ptr<AutoSelectPreviewListener> delegate) {
    if (m_pDuplicateContainer) AutoSelectPreview::calculateDuplicatesForAutoselect(m_pDuplicateContainer, delegate);
}

void DuplicatesManager::deselectFullySelectedGroups() {
    if (!m_pDuplicateContainer) return;
    DuplicatesGroup::BeginSelectionGroup();
    for (auto& group : m_pDuplicateContainer->getAllFilesGroups())
        if (group->getSelectedCountWithDuplicatesFolderContent() == group->getTotalCount())
            for (auto& item : group->getItems()) item->deselectItem();
    DuplicatesGroup::EndSelectionGroup();
}
