// What the Folders view lists for one scan's container, without widgets: the duplicate folders
// (groups of the folder category, biggest first) at once, and every heap (each pair of folders once)
// with the two rankings, biggest heaps and easy heaps, computed once on the background pool. Main
// thread only; the container must not change while the heaps are computed (heapsInFlight()).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "app/FolderEntry.h"

class DuplicatesContainer;

enum class FolderRanking { DuplicateFolders, AllHeaps, BiggestHeaps, EasyHeaps };

class FoldersOverview {
public:
    static constexpr int kRankingCount = 4;
    // "Duplicate Folders", "All Heaps", "Biggest Heaps", "Easy Heaps".
    static const char* title(FolderRanking ranking);

    explicit FoldersOverview(std::shared_ptr<DuplicatesContainer> container);
    ~FoldersOverview();
    FoldersOverview(const FoldersOverview&) = delete;
    FoldersOverview& operator=(const FoldersOverview&) = delete;

    // Empty for a heap ranking until the heaps are in.
    const std::vector<FolderEntry>& entries(FolderRanking ranking) const;
    bool heapsReady() const { return m_bHeapsReady; }
    bool heapsRequested() const { return m_bHeapsRequested; }
    // Starts the heap computation once; `ready` runs on the main thread when its lists are in, unless
    // this overview is gone by then. Later calls only replace `ready`.
    void computeHeaps(std::function<void()> ready);
    // Heap computations started and not yet delivered, of any overview, gone or not: their background
    // part may still read the results.
    static int heapsInFlight();
    // The same lists on the calling thread.
    void computeHeapsNow();

    struct HeapLists {
        std::vector<FolderEntry> all, biggest, easy;
    };
    static HeapLists heapListsOf(const DuplicatesContainer* container);

private:
    void takeHeaps(HeapLists lists);

    std::shared_ptr<DuplicatesContainer> m_pContainer;
    std::vector<FolderEntry> m_folders;
    HeapLists m_heaps;
    bool m_bHeapsReady = false;
    bool m_bHeapsRequested = false;
    std::shared_ptr<std::function<void()>> m_pReady;  // the delivery checks that this is still alive
};
