// The folder browser over results built in memory: a folder's description, the rebuilt model's
// counts, and how selection changes reach them (also inside an update group).
#include <gtest/gtest.h>

#include <set>

#include "detection/FSFolderDescription.h"
#include "detection/FSFolderManager.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "results/ResultsTree.h"
#include "support/TestSupport.h"

namespace {
// /data/A: p.jpg (copy in B), q.txt (unique), x.png (copy in A/sub); A/sub: r.mp3 (copies in B and C).
struct Browser : ::testing::Test {
    ResultsTree tree;
    FolderSystemItem* a = tree.folder("A");
    FolderSystemItem* sub = tree.folder("sub", a);
    FolderSystemItem* b = tree.folder("B");
    FolderSystemItem* c = tree.folder("C");
    FileSystemItem* ap = tree.file("p.jpg", 100, a);
    FileSystemItem* q = tree.file("q.txt", 50, a);
    FileSystemItem* ax = tree.file("x.png", 30, a);
    FileSystemItem* subx = tree.file("x.png", 30, sub);
    FileSystemItem* subr = tree.file("r.mp3", 200, sub);
    std::shared_ptr<DuplicatesContainer> container = std::make_shared<DuplicatesContainer>(false, nullptr);

    void SetUp() override {
        FileSystemItem* bp = tree.file("p.jpg", 100, b);
        FileSystemItem* br = tree.file("r.mp3", 200, b);
        FileSystemItem* cr = tree.file("r.mp3", 200, c);
        tree.root->calctotalsize();
        container->saveRoots(tree.roots());
        container->addGroupWithItems({ap, bp});
        container->addGroupWithItems({subr, br, cr});
        container->addGroupWithItems({ax, subx});
    }
    void TearDown() override { DuplicatesContainer::setCurrentContainer(nullptr); }
};

std::set<std::string> paths(const std::vector<std::shared_ptr<DuplicateItem>>& items) {
    std::set<std::string> out;
    for (const auto& item : items) out.insert(item->getFileItemPath());
    return out;
}
}  // namespace

TEST_F(Browser, DescriptionSplitsEachGroupIntoCopiesInsideAndOutside) {
    FSFolderDescription description(a);
    ASSERT_EQ(description.duplicates.size(), 2u);
    std::set<std::pair<std::set<std::string>, std::set<std::string>>> got;
    for (const auto& d : description.duplicates) got.insert({paths(d.internalItems), paths(d.externalItems)});
    EXPECT_EQ(got, (std::set<std::pair<std::set<std::string>, std::set<std::string>>>{
                       {{"/data/A/p.jpg"}, {"/data/B/p.jpg"}},
                       {{"/data/A/sub/r.mp3"}, {"/data/B/r.mp3", "/data/C/r.mp3"}}}));
    // A group wholly inside the folder frees nothing there: its copies count with the other files.
    EXPECT_EQ(std::set<FileSystemItem*>(description.otherFiles.begin(), description.otherFiles.end()),
              (std::set<FileSystemItem*>{q, ax, subx}));
}

TEST_F(Browser, RebuiltModelCountsAndFollowsTheSelection) {
    auto& manager = FSFolderManager::sharedInstance();
    DuplicatesContainer::setCurrentContainer(container);
    bool rebuilt = false;
    manager.rebuildRootItemsWithCompletion([&] { rebuilt = true; });
    ASSERT_TRUE(runMainLoopUntil([&] { return rebuilt && manager.isCanUpdate(); }));
    ASSERT_EQ(manager.userSelectedItemsForScan().size(), 1u);
    FSFolder* data = manager.userSelectedItemsForScan()[0].get();
    FSFolder* folderA = a->fsFolder();
    ASSERT_TRUE(data->countOfSubFolders() == 3 && folderA && sub->fsFolder());
    // A: p.jpg and r.mp3 have copies outside; the x.png pair stays inside and counts as unique.
    EXPECT_EQ(paths(folderA->getInternalDuplicatesForSelection()),
              (std::set<std::string>{"/data/A/p.jpg", "/data/A/sub/r.mp3"}));
    EXPECT_EQ(folderA->getInfo().countOfDuplicates, 2);
    EXPECT_EQ(folderA->getInfo().countOfUniqueFiles, 3);
    EXPECT_EQ(data->findSubFolderWithMaxCountOfDuplicates(), folderA);

    ASSERT_TRUE(ap->getDuplicateItem()->selectItemForced(true));
    ASSERT_TRUE(runMainLoopUntil([&] { return folderA->duplicatesSelectionState() == -1; }));
    EXPECT_EQ(folderA->getInfo().sizeOfSelectedDuplicates, 100);
    EXPECT_EQ(folderA->getInfo().countOfSelectedDuplicatesInCurrentFolder, 1);
    EXPECT_EQ(sub->fsFolder()->duplicatesSelectionState(), 0);

    // Inside an update group nothing is recomputed until the group ends.
    manager.startUpdateGroup();
    ASSERT_TRUE(subr->getDuplicateItem()->selectItemForced(true));
    drainMainLoop();
    EXPECT_EQ(folderA->duplicatesSelectionState(), -1);
    manager.endUpdateGroup();
    EXPECT_EQ(folderA->duplicatesSelectionState(), 1);
    EXPECT_EQ(sub->fsFolder()->duplicatesSelectionState(), -1);  // x.png has its copy outside sub
    EXPECT_EQ(folderA->getInfo().sizeOfSelectedDuplicates, 300);
}
