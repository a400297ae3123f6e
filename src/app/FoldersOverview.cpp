#include "app/FoldersOverview.h"

#include <algorithm>
#include <set>
#include <string>
#include <utility>

#include "platform/Dispatch.h"
#include "platform/MainQueue.h"
#include "platform/ThreadPool.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "results/DuplicatesHeap.h"
#include "results/DuplicatesHeaps.h"
#include "results/DuplicatesManager.h"
#include "scan/FolderSystemItem.h"

namespace {
constexpr int kFolderType = 6;
constexpr std::int64_t kBiggestHeapsCount = 10;

int g_nHeapsInFlight = 0;  // main thread only

std::vector<FolderEntry> entriesOf(const std::vector<std::shared_ptr<DuplicatesHeap>>& heaps) {
    std::vector<FolderEntry> out;
    out.reserve(heaps.size());
    for (const auto& heap : heaps) out.push_back(FolderEntry{nullptr, heap});
    return out;
}
}  // namespace

const char* FoldersOverview::title(FolderRanking ranking) {
    switch (ranking) {
        case FolderRanking::DuplicateFolders: return "Duplicate Folders";
        case FolderRanking::AllHeaps: return "All Heaps";
        case FolderRanking::BiggestHeaps: return "Biggest Heaps";
        case FolderRanking::EasyHeaps: return "Easy Heaps";
    }
    return "";
}

FoldersOverview::FoldersOverview(std::shared_ptr<DuplicatesContainer> container) : m_pContainer(std::move(container)) {
    DuplicatesCategory* category = m_pContainer ? m_pContainer->getCategoryWithType(kFolderType) : nullptr;
    if (!category) return;
    auto groups = category->getGroups();
    std::vector<std::pair<std::uint64_t, std::size_t>> bySize;
    bySize.reserve(groups.size());
    for (std::size_t i = 0; i < groups.size(); ++i) bySize.emplace_back(groups[i]->getTotalSize(), i);
    std::stable_sort(bySize.begin(), bySize.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    m_folders.reserve(groups.size());
    for (const auto& [size, i] : bySize) m_folders.push_back(FolderEntry{std::move(groups[i]), nullptr});
}

FoldersOverview::~FoldersOverview() = default;

const std::vector<FolderEntry>& FoldersOverview::entries(FolderRanking ranking) const {
    switch (ranking) {
        case FolderRanking::AllHeaps: return m_heaps.all;
        case FolderRanking::BiggestHeaps: return m_heaps.biggest;
        case FolderRanking::EasyHeaps: return m_heaps.easy;
        case FolderRanking::DuplicateFolders: break;
    }
    return m_folders;
}

FoldersOverview::HeapLists FoldersOverview::heapListsOf(const DuplicatesContainer* container) {
    HeapLists lists;
    DuplicatesHeaps* heaps = container ? container->getHeaps() : nullptr;
    if (!heaps) return lists;
    // Each pair of folders is one heap per direction; the list keeps the first direction met.
    std::set<std::pair<std::string, std::string>> seen;
    std::vector<std::pair<std::shared_ptr<DuplicatesHeap>, std::string>> all;
    for (auto& heap : heaps->getAllHeaps()) {
        FolderSystemItem* main = heap->getMainFolderItem();
        FolderSystemItem* second = heap->getSecondFolderItem();
        if (!main || !second) continue;
        std::string a = main->path(), b = second->path();
        std::string key = a < b ? a + '\n' + b : b + '\n' + a;
        if (!seen.emplace(std::min(a, b), std::max(a, b)).second) continue;
        all.emplace_back(std::move(heap), std::move(key));
    }
    std::stable_sort(all.begin(), all.end(), [](const auto& x, const auto& y) {
        if (x.first->getHeapSize() != y.first->getHeapSize()) return x.first->getHeapSize() > y.first->getHeapSize();
        return x.second < y.second;
    });
    lists.all.reserve(all.size());
    for (auto& [heap, key] : all) lists.all.push_back(FolderEntry{nullptr, std::move(heap)});
    lists.biggest = entriesOf(DuplicatesManager::biggestHeapsIn(container, kBiggestHeapsCount));
    lists.easy = entriesOf(DuplicatesManager::easyForRemoveHeapsIn(container));
    return lists;
}

void FoldersOverview::takeHeaps(HeapLists lists) {
    m_heaps = std::move(lists);
    m_bHeapsReady = true;
    m_bHeapsRequested = true;
}

void FoldersOverview::computeHeapsNow() {
    if (!m_bHeapsReady) takeHeaps(heapListsOf(m_pContainer.get()));
}

int FoldersOverview::heapsInFlight() { return g_nHeapsInFlight; }

void FoldersOverview::computeHeaps(std::function<void()> ready) {
    if (m_bHeapsReady) {
        if (ready) ready();
        return;
    }
    if (m_pReady) {
        *m_pReady = std::move(ready);
        return;
    }
    m_bHeapsRequested = true;
    m_pReady = std::make_shared<std::function<void()>>(std::move(ready));
    std::weak_ptr<std::function<void()>> alive = m_pReady;
    ++g_nHeapsInFlight;
    dispatch::background().async([this, alive, container = m_pContainer]() mutable {
        HeapLists lists = heapListsOf(container.get());
        // The lists and the container are released on the main thread, where the results live.
        dispatch::main().async([this, alive, lists = std::move(lists), container = std::move(container)]() mutable {
            --g_nHeapsInFlight;
            auto ready = alive.lock();
            if (!ready) return;
            takeHeaps(std::move(lists));
            auto call = std::move(*ready);
            if (call) call();
        });
    });
}
