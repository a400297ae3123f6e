#include <gtest/gtest.h>

#include "results/CategoryStateManager.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "results/DuplicatesHeap.h"
#include "results/DuplicatesHeaps.h"
#include "results/DuplicatesManager.h"
#include "results/ResultsTree.h"
#include "support/TestSupport.h"

namespace {
// Pairs of folders Ai/Bi, each pair sharing two groups whose copies weigh `sizes[i]` together.
struct HeapScene {
    explicit HeapScene(const std::vector<std::int64_t>& sizes) : container(std::make_shared<DuplicatesContainer>(true, nullptr)) {
        std::vector<std::vector<FileSystemItem*>> groups;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            auto* a = tree.folder("A" + std::to_string(i));
            auto* b = tree.folder("B" + std::to_string(i));
            for (int g = 0; g < 2; ++g) {
                std::string name = "f" + std::to_string(i) + "_" + std::to_string(g) + ".jpg";
                groups.push_back({tree.file(name, sizes[i] / 2, a), tree.file(name, sizes[i] / 2, b)});
            }
        }
        tree.root->calctotalsize();
        container->saveRoots(tree.roots());
        for (auto& g : groups) container->addGroupWithItems(g);
        container->getHeaps()->validateEmptyDataAfterRemoveWithListener(nullptr);
        DuplicatesManager::sharedManager().setDuplicateContainer(container);
    }
    ~HeapScene() { DuplicatesManager::sharedManager().setDuplicateContainer(nullptr); }
    ResultsTree tree;
    std::shared_ptr<DuplicatesContainer> container;
};

std::vector<std::uint64_t> halfSizes(const std::vector<std::shared_ptr<DuplicatesHeap>>& heaps) {
    std::vector<std::uint64_t> out;
    for (auto& h : heaps) out.push_back(h->getHeapHalfSize());
    return out;
}
}  // namespace

TEST(DuplicatesManager, TenBiggestHeapsKeepTiesAndCountEachPairOnce) {
    auto& manager = DuplicatesManager::sharedManager();
    {
        HeapScene scene({200, 400, 600, 800, 1000, 1200, 1400, 1600, 1800, 2000, 2200});
        auto heaps = manager.pleaseCalculateBiggestHeapsWithMaxResultCount(10);
        ASSERT_EQ(heaps.size(), 10u);  // each pair once, although both directions are heaps
        EXPECT_EQ(heaps.front()->getHeapHalfSize(), 2200u);
        EXPECT_EQ(heaps.back()->getHeapHalfSize(), 400u);
    }
    {
        HeapScene scene({400, 400, 600, 800, 1000, 1200, 1400, 1600, 1800, 2000, 2200});
        auto sizes = halfSizes(manager.pleaseCalculateBiggestHeapsWithMaxResultCount(10));
        ASSERT_EQ(sizes.size(), 11u);  // the tenth and eleventh tie: both stay
        EXPECT_EQ(sizes[9], 400u);
        EXPECT_EQ(sizes[10], 400u);
    }
}

TEST(DuplicatesManager, EasyHeapsAndBiggestGroups) {
    auto& manager = DuplicatesManager::sharedManager();
    HeapScene scene({300, 500});
    // Every folder has exactly one heap here: each pair is a candidate once.
    auto easy = manager.pleaseCalculateBiggestEasyForRemoveHeaps();
    EXPECT_EQ(halfSizes(easy), (std::vector<std::uint64_t>{500, 300}));
    auto groups = manager.pleaseCalculateBiggestGroups();
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_GE(groups.front()->getSizeThatCanBeRemoved(), groups.back()->getSizeThatCanBeRemoved());
    EXPECT_EQ(groups.front()->getSizeThatCanBeRemoved(), 250u);

    // Rankings delivered on the main queue.
    struct Delegate : DuplicatesManagerDelegate {
        void onCalculatedBiggestGroups(const std::vector<std::shared_ptr<DuplicatesGroup>>& g) override { count = g.size(); }
        std::size_t count = 0;
    };
    auto delegate = std::make_shared<Delegate>();
    manager.calculateBiggestGroupsWithDelegate(delegate);
    EXPECT_TRUE(runMainLoopUntil([&] { return delegate->count == 4; }));
}

TEST(DuplicatesManager, EasyHeapsFallBackToTheTenBiggestWhenNoFolderHasASingleHeap) {
    // Three folders sharing a group with each other: every folder has two heaps, so none is easy.
    ResultsTree tree;
    auto container = std::make_shared<DuplicatesContainer>(true, nullptr);
    FolderSystemItem* folders[] = {tree.folder("A"), tree.folder("B"), tree.folder("C")};
    std::vector<std::vector<FileSystemItem*>> groups;
    for (int i = 0; i < 3; ++i)
        for (int g = 0; g < 2; ++g) {
            const std::string name = "f" + std::to_string(i) + std::to_string(g) + ".jpg";
            groups.push_back({tree.file(name, 100 * (i + 1), folders[i]), tree.file(name, 100 * (i + 1), folders[(i + 1) % 3])});
        }
    tree.root->calctotalsize();
    container->saveRoots(tree.roots());
    for (auto& g : groups) container->addGroupWithItems(g);
    container->getHeaps()->validateEmptyDataAfterRemoveWithListener(nullptr);
    auto& manager = DuplicatesManager::sharedManager();
    manager.setDuplicateContainer(container);
    auto easy = halfSizes(manager.pleaseCalculateBiggestEasyForRemoveHeaps());
    EXPECT_EQ(easy, (std::vector<std::uint64_t>{600, 400, 200}));
    EXPECT_EQ(easy, halfSizes(manager.pleaseCalculateBiggestHeapsWithMaxResultCount(10)));
    manager.setDuplicateContainer(nullptr);
}

TEST(CategoryStateManager, AnotherGroupForgetsTheFileEachKindApart) {
    HeapScene scene({100, 200});
    auto groups = scene.container->getAllFilesGroups();
    CategoryStateManager state;
    state.setDuplicateGroup(groups[1], 3);
    state.setDuplicateGroup(groups[0], 0);
    state.setFileItem(groups[0]->getItems()[1], 0);
    state.setDuplicateGroup(groups[0], 0);  // the same group again keeps the file
    EXPECT_EQ(state.getItemsForType(0)->fileItem, groups[0]->getItems()[1]);
    state.setDuplicateGroup(groups[2], 0);
    EXPECT_EQ(state.getItemsForType(0)->duplicateGroup, groups[2]);
    EXPECT_FALSE(state.getItemsForType(0)->fileItem);
    EXPECT_EQ(state.getItemsForType(3)->duplicateGroup, groups[1]);
    state.removeGategoryItems();
    EXPECT_FALSE(state.getItemsForType(3));
}

TEST(DuplicatesManager, PreviousScanComparisonAndFullySelectedGroups) {
    auto& m = DuplicatesManager::sharedManager();
    m.scannedFolders = std::vector<std::string>{"/b", "/a"};
    m.isMinimalDuplicatesSizeWasDefinedAutomatically = true;
    m.minimalDuplicatesSize = 500000;
    m.clearScanBasicInformation();
    EXPECT_FALSE(m.scannedFolders.has_value());
    m.scannedFolders = std::vector<std::string>{"/a", "/b"};
    m.isMinimalDuplicatesSizeWasDefinedAutomatically = true;
    m.minimalDuplicatesSize = 100000;
    EXPECT_TRUE(m.isScannedSameFolderAsPreviousButAutomaticallyDefinedFileSizeIsSmaller());
    m.isMinimalDuplicatesSizeWasDefinedAutomatically = false;
    EXPECT_FALSE(m.isScannedSameFolderAsPreviousButAutomaticallyDefinedFileSizeIsSmaller());
    EXPECT_TRUE(DuplicatesManager::isArrayHasSameContentAsArray(std::vector<std::string>{},
                                                                std::vector<std::string>{}));
    EXPECT_FALSE(DuplicatesManager::isArrayHasSameContentAsArray(std::nullopt, std::vector<std::string>{}));

    HeapScene scene({100});
    auto group = scene.container->getAllFilesGroups().front();
    for (auto& item : group->getItems()) item->selectItemForced(true);
    ASSERT_EQ(group->getSelectedCountWithDuplicatesFolderContent(), group->getTotalCount());
    m.deselectFullySelectedGroups();
    EXPECT_EQ(group->getSelectedCountWithDuplicatesFolderContent(), 0);
}
