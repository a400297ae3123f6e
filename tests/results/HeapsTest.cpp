// Heaps built from in-memory trees: which folder pairs form one, their sizes, reverse heaps and the
// counts the heap views show.
#include <gtest/gtest.h>

#include <set>

#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "results/DuplicatesHeap.h"
#include "results/DuplicatesHeapExtended.h"
#include "results/DuplicatesHeaps.h"
#include "results/HeapsFolderDataExtended.h"
#include "results/HeapsGroup.h"
#include "results/ResultsTree.h"
#include "support/TestSupport.h"

namespace {
using Pair = std::pair<std::string, std::string>;

std::set<Pair> pairsOf(const DuplicatesHeaps& heaps) {
    std::set<Pair> pairs;
    for (const auto& heap : heaps.getAllHeaps())
        pairs.emplace(std::string(heap->getMainFolderItem()->name()), std::string(heap->getSecondFolderItem()->name()));
    return pairs;
}

std::shared_ptr<DuplicatesHeap> heapOf(const DuplicatesHeaps& heaps, const std::string& main, const std::string& second) {
    for (const auto& heap : heaps.getAllHeaps())
        if (heap->getMainFolderItem()->name() == main && heap->getSecondFolderItem()->name() == second) return heap;
    return nullptr;
}

struct Scene {
    Scene() : container(std::make_shared<DuplicatesContainer>(true, nullptr)) {}
    void finish() {
        tree.root->calctotalsize();
        container->saveRoots(tree.roots());
    }
    DuplicatesHeaps& heaps() { return *container->getHeaps(); }
    ResultsTree tree;
    std::shared_ptr<DuplicatesContainer> container;
};
}  // namespace

TEST(Heaps, TwoSharedGroupsMakeAHeapOneDoesNot) {
    Scene s;
    auto* p = s.tree.folder("P");
    auto* q = s.tree.folder("Q");
    auto* r = s.tree.folder("R");
    auto* pa = s.tree.file("a.jpg", 10, p);
    auto* qa = s.tree.file("a.jpg", 10, q);
    auto* pb = s.tree.file("b.jpg", 7, p);
    auto* qb = s.tree.file("b.jpg", 7, q);
    auto* pc = s.tree.file("c.jpg", 5, p);
    auto* rc = s.tree.file("c.jpg", 5, r);
    s.finish();
    s.container->addGroupWithItems({pa, qa});
    s.container->addGroupWithItems({pb, qb});
    s.container->addGroupWithItems({pc, rc});
    // Until the first validation there are no heaps.
    EXPECT_TRUE(s.heaps().getAllHeaps().empty());
    s.heaps().validateEmptyDataAfterRemoveWithListener(nullptr);
    EXPECT_EQ(pairsOf(s.heaps()), (std::set<Pair>{{"P", "Q"}, {"Q", "P"}}));
    auto heap = heapOf(s.heaps(), "P", "Q");
    ASSERT_TRUE(heap);
    EXPECT_EQ(heap->getCountOfGroups(), 2u);
    EXPECT_EQ(heap->getHeapSize(), 34u);
    EXPECT_EQ(s.heaps().getTotalHeapsSize(), 34u);
    EXPECT_GE(s.heaps().getPossibleHeapsSize(), 34u);

    DuplicatesContainer::setCurrentContainer(s.container);
    auto reverse = heap->revertedHeap();
    ASSERT_TRUE(reverse);
    EXPECT_TRUE(reverse->sameAs(*heap));
    EXPECT_EQ(reverse->getMainFolderItem(), q);
    DuplicatesContainer::setCurrentContainer(nullptr);

    // Counts once Q's copy of a.jpg is selected: on Q's side one of two selected; P's a.jpg is the
    // last unselected copy of its group, b.jpg is not.
    ASSERT_TRUE(qa->getDuplicateItem()->selectItemForced(false));
    std::uint64_t count = 0, selected = 0, similar = 0, size = 0;
    heap->calculateForSecondFolderCountOfItems(&count, &selected, &similar, &size);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(selected, 1u);
    EXPECT_EQ(similar, 0u);
    EXPECT_EQ(size, 17u);
    heap->getMainHeapsFolderData()->calculateCountOfItems(&count, &selected, &similar, nullptr);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(selected, 0u);
    EXPECT_EQ(similar, 1u);
    EXPECT_TRUE(heap->isHasLastItemsInMainFolder());
    EXPECT_FALSE(heap->isHasLastItemsInSecondFolder());
    EXPECT_FALSE(heap->isOnlyLastItemsNotSelectedInMainFolder());

    // The list rows take the same counts; a folder row only in the current results.
    Dorvane::DuplicatesHeapExtended row(heap);
    EXPECT_EQ(row.folderSystemItem(), q);
    EXPECT_EQ(row.countOfSelectedDuplicates, 1u);
    EXPECT_EQ(Dorvane::HeapsFolderDataExtended(heap->getMainHeapsFolderData()).countOfDuplicates, 0u);
    DuplicatesContainer::setCurrentContainer(s.container);
    Dorvane::HeapsFolderDataExtended folderRow(heap->getMainHeapsFolderData());
    EXPECT_EQ(folderRow.countOfDuplicates, 2u);
    EXPECT_EQ(folderRow.countOfSimilarSelectedDuplicates, 1u);
    DuplicatesContainer::setCurrentContainer(nullptr);
    drainMainLoop();
}

TEST(Heaps, HalfSizeCountsEveryCopyInEitherFolder) {
    Scene s;
    auto* x = s.tree.folder("X");
    auto* y = s.tree.folder("Y");
    std::vector<FileSystemItem*> tens;
    for (const char* n : {"1.jpg", "2.jpg", "3.jpg"}) tens.push_back(s.tree.file(n, 10, x));
    for (const char* n : {"1.jpg", "2.jpg"}) tens.push_back(s.tree.file(n, 10, y));
    auto* xs = s.tree.file("s.jpg", 7, x);
    auto* ys = s.tree.file("s.jpg", 7, y);
    s.finish();
    s.container->addGroupWithItems(tens);
    s.container->addGroupWithItems({xs, ys});
    s.heaps().validateEmptyDataAfterRemoveWithListener(nullptr);
    auto heap = heapOf(s.heaps(), "X", "Y");
    ASSERT_TRUE(heap);
    EXPECT_EQ(heap->getHeapHalfSize(), 32u);  // (30 + 20 + 7 + 7) / 2
    EXPECT_EQ(heap->getCountOfItems(), 7u);
}

TEST(Heaps, FoldersThatAreCopiesOfEachOtherFormNoHeap) {
    Scene s;
    auto* x = s.tree.folder("X");
    auto* y = s.tree.folder("Y");
    auto* xa = s.tree.file("a.jpg", 10, x);
    auto* ya = s.tree.file("a.jpg", 10, y);
    auto* xb = s.tree.file("b.jpg", 7, x);
    auto* yb = s.tree.file("b.jpg", 7, y);
    s.finish();
    s.container->addGroupWithItems({xa, ya});
    s.container->addGroupWithItems({xb, yb});
    s.heaps().validateEmptyDataAfterRemoveWithListener(nullptr);
    EXPECT_EQ(pairsOf(s.heaps()).size(), 2u);
    // Once X and Y are one folder group, their shared files are the folders' business.
    ASSERT_TRUE(s.container->addGroupWithItems({x, y}));
    s.heaps().validateEmptyDataAfterRemoveWithListener(nullptr);
    EXPECT_TRUE(s.heaps().getAllHeaps().empty());
    EXPECT_EQ(s.heaps().getTotalHeapsSize(), 0u);
    EXPECT_TRUE(s.heaps().isEmpty());
    drainMainLoop();
}

TEST(Heaps, ValidationAfterARemovalDropsTheHeapThatLostAGroup) {
    Scene s;
    auto* p = s.tree.folder("P");
    auto* q = s.tree.folder("Q");
    auto* pa = s.tree.file("a.jpg", 10, p);
    auto* qa = s.tree.file("a.jpg", 10, q);
    auto* pb = s.tree.file("b.jpg", 7, p);
    auto* qb = s.tree.file("b.jpg", 7, q);
    s.finish();
    s.container->addGroupWithItems({pa, qa});
    s.container->addGroupWithItems({pb, qb});
    s.heaps().validateEmptyDataAfterRemoveWithListener(nullptr);
    ASSERT_EQ(pairsOf(s.heaps()).size(), 2u);
    s.container->removeDuplicateItemsFromLogicalStructureWithRecalculateParent({qb}, true);
    s.container->validateEmptyDataAfterRemoveWithListener(nullptr);
    EXPECT_TRUE(s.heaps().getAllHeaps().empty());
    drainMainLoop();
}
