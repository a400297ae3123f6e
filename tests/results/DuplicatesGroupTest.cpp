#include <gtest/gtest.h>

#include "ResultsTree.h"
#include "detection/FileType.h"
#include "platform/NotificationCenter.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "settings/AppNotification.h"
#include "support/TestSupport.h"

namespace {

struct GroupFixture : ::testing::Test {
    std::shared_ptr<DuplicatesContainer> container = std::make_shared<DuplicatesContainer>(false, nullptr);
    ResultsTree tree;

    void TearDown() override { container->saveRoots(tree.roots()); }
};

// Counts the selection-changed notifications while alive.
struct SelectionNotificationCounter {
    SelectionNotificationCounter() {
        token = NotificationCenter::defaultCenter().addObserver(
            AppNotification::DuplicateItemSelectionChangedNotificationName(), [this](const Notification&) { ++count; });
    }
    ~SelectionNotificationCounter() { NotificationCenter::defaultCenter().removeObserver(token); }
    int count = 0;
    NotificationCenter::Token token;
};

}  // namespace

TEST_F(GroupFixture, LastUnselectedCopyIsRefusedUnlessForced) {
    auto group = container->addGroupWithItems(
        {tree.file("a.jpg", 100), tree.file("b.jpg", 100), tree.file("c.jpg", 100)});
    ASSERT_TRUE(group);
    auto items = group->getItems();
    ASSERT_EQ(items.size(), 3u);

    EXPECT_TRUE(items[0]->selectItemForced(false));
    EXPECT_TRUE(items[1]->selectItemForced(false));
    EXPECT_TRUE(group->isOneItemLeftToSelect());
    EXPECT_FALSE(items[2]->selectItemForced(false));
    EXPECT_FALSE(items[2]->isSelected());
    EXPECT_EQ(group->getActualSelectedCount(), 2);

    EXPECT_TRUE(items[2]->selectItemForced(true));
    EXPECT_TRUE(items[2]->isSelected());
    EXPECT_TRUE(group->isAllItemsSelected());
    EXPECT_EQ(group->getSelectedSize(), 300u);
    // Selecting twice changes nothing.
    EXPECT_FALSE(items[2]->selectItemForced(true));
    EXPECT_EQ(group->getSelectedCountWithDuplicatesFolderContent(), 3);

    items[0]->deselectItem();
    EXPECT_FALSE(items[0]->isSelected());
    EXPECT_EQ(group->getSelectedSize(), 200u);
}

TEST_F(GroupFixture, GroupIdsFollowEachOtherWhateverHappenedToTheFirst) {
    auto first = container->addGroupWithItems({tree.file("a.jpg", 1), tree.file("b.jpg", 1)});
    ASSERT_TRUE(first);
    std::int64_t firstId = first->getGroupID();
    EXPECT_GE(firstId, 1);
    container->getCategoryWithType(FileTypeImage)->removeGroup(first.get());
    first.reset();
    auto second = container->addGroupWithItems({tree.file("c.jpg", 1), tree.file("d.jpg", 1)});
    ASSERT_TRUE(second);
    EXPECT_EQ(second->getGroupID(), firstId + 1);
}

TEST_F(GroupFixture, NodeInsidePackageIsRefusedByKindCategory) {
    FolderSystemItem* package = tree.folder("Viewer.app");
    FolderSystemItem* contents = tree.folder("Contents", package);
    FileSystemItem* inside = tree.file("icon.jpg", 50, contents);
    auto group = container->addGroupWithItems({tree.file("a.jpg", 50), tree.file("b.jpg", 50)});
    ASSERT_TRUE(group);
    EXPECT_EQ(group->addFileItem(inside), nullptr);
    EXPECT_EQ(group->getTotalCount(), 2);
    EXPECT_EQ(inside->getDuplicateItem(), nullptr);

    // The hidden category takes package content and counts it.
    FileSystemItem* inside2 = tree.file("icon2.jpg", 50, contents);
    auto hidden = container->getHiddenCategoryOfDuplicates()->addGroupWithItems({inside, inside2});
    ASSERT_TRUE(hidden);
    EXPECT_EQ(hidden->getTotalCount(), 2);
    EXPECT_EQ(hidden->getItemsCountInPackages(), 2);
    EXPECT_TRUE(hidden->isAllItemsInPackages());
    EXPECT_TRUE(hidden->isFullyInDuplicatesFolders());
    EXPECT_EQ(hidden->getCategory(), container->getHiddenCategoryOfDuplicates());
}

TEST_F(GroupFixture, NodeAlreadyTakenIsNotAddedTwice) {
    FileSystemItem* a = tree.file("a.jpg", 5);
    auto group = container->addGroupWithItems({a, tree.file("b.jpg", 5)});
    ASSERT_TRUE(group);
    DuplicateItem* member = a->getDuplicateItem();
    EXPECT_EQ(group->addFileItem(a), nullptr);
    EXPECT_EQ(group->getTotalCount(), 2);
    EXPECT_EQ(a->getDuplicateItem(), member);
}

TEST_F(GroupFixture, RemovingTheKeptCopyKeepsOneCopyAsNotRemovedSize) {
    auto group = container->addGroupWithItems({tree.file("a.jpg", 10), tree.file("b.jpg", 10), tree.file("c.jpg", 10)});
    ASSERT_TRUE(group);
    EXPECT_EQ(group->getTotalSize(), 30u);
    EXPECT_EQ(group->getSizeThatCanBeRemoved(), 20u);
    EXPECT_EQ(group->getCountOfDuplicatesThatCanBeRemoved(), 2);

    auto items = group->getItems();
    FileSystemItem* keptNode = items[0]->getFileSystemItem();
    group->removeDuplicateItem(items[0].get());
    EXPECT_EQ(keptNode->getDuplicateItem(), nullptr);
    EXPECT_EQ(items[0]->getGroup(), nullptr);
    EXPECT_TRUE(items[0]->getFileItemPath().empty());
    EXPECT_EQ(group->getTotalCount(), 2);
    EXPECT_EQ(group->getTotalSize(), 20u);
    EXPECT_EQ(group->getSizeThatCanBeRemoved(), 10u);
    EXPECT_EQ(group->getCountOfDuplicatesThatCanBeRemoved(), 1);

    // Down to nothing: no wrapped sizes.
    for (auto& member : group->getItems()) group->removeDuplicateItem(member.get());
    EXPECT_EQ(group->getTotalSize(), 0u);
    EXPECT_EQ(group->getSizeThatCanBeRemoved(), 0u);
    EXPECT_EQ(group->getCountOfDuplicatesThatCanBeRemoved(), 0);
}

TEST_F(GroupFixture, SelectedSizeNeverWrapsWhenACopyGrewAfterSelection) {
    // A folder selected at 4 bytes is deselected after a totals pass made it 10 bytes.
    FolderSystemItem* one = tree.folder("one");
    FolderSystemItem* two = tree.folder("two");
    tree.file("x", 4, one);
    tree.file("x", 4, two);
    tree.root->calctotalsize();
    auto group = container->addGroupWithItems({one, two});
    ASSERT_TRUE(group);
    ASSERT_EQ(group->getCategory(), container->getCategoryWithType(FileTypeFolder));
    DuplicateItem* member = one->getDuplicateItem();
    ASSERT_TRUE(member->selectItemForced(false));
    EXPECT_EQ(group->getSelectedSize(), 4u);

    tree.file("y", 6, one);
    tree.root->calctotalsize();
    ASSERT_EQ(one->logicalSize(), 10);
    member->deselectItem();
    EXPECT_EQ(group->getSelectedSize(), 0u);
    EXPECT_EQ(group->getActualSelectedCount(), 0);
    EXPECT_GE(container->getCategoryWithType(FileTypeFolder)->getTotalSelectedSize(), 0);
}

TEST_F(GroupFixture, OneCopyInDuplicateFolderLetsEveryOutsideCopyGo) {
    // Both orders: the folder group before the file group, and after it (the copy then moves in).
    for (bool foldersFirst : {true, false}) {
        SCOPED_TRACE(foldersFirst ? "folders first" : "files first");
        FolderSystemItem* f1 = tree.folder(foldersFirst ? "f1" : "g1");
        FolderSystemItem* f2 = tree.folder(foldersFirst ? "f2" : "g2");
        FileSystemItem* in1 = tree.file("a.jpg", 7, f1);
        tree.file("other.txt", 3, f2);
        FileSystemItem* out1 = tree.file(foldersFirst ? "x1.jpg" : "y1.jpg", 7);
        FileSystemItem* out2 = tree.file(foldersFirst ? "x2.jpg" : "y2.jpg", 7);
        tree.root->calctotalsize();

        std::shared_ptr<DuplicatesGroup> files;
        if (foldersFirst) {
            ASSERT_TRUE(container->addGroupWithItems({f1, f2}));
            files = container->addGroupWithItems({in1, out1, out2});
        } else {
            files = container->addGroupWithItems({in1, out1, out2});
            EXPECT_EQ(files->getTotalSize(), 21u);
            ASSERT_TRUE(container->addGroupWithItems({f1, f2}));
        }
        ASSERT_TRUE(files);
        EXPECT_EQ(in1->getDuplicateItem()->getAssociatedDuplicateFolder(), f1->getDuplicateItem());
        EXPECT_EQ(files->getTotalSize(), 14u);
        EXPECT_EQ(files->getSizeThatCanBeRemoved(), 14u);
        EXPECT_EQ(files->getCountOfDuplicatesThatCanBeRemoved(), 2);
        EXPECT_EQ(files->getItemsCountInDuplicatesFolders(), 1);
        EXPECT_FALSE(files->isFullyInDuplicatesFolders());
        EXPECT_EQ(files->getCategory(), container->getCategoryWithType(FileTypeImage));
    }
}

TEST_F(GroupFixture, SelectingADuplicateFolderSelectsTheCopiesInsideIt) {
    FolderSystemItem* f1 = tree.folder("f1");
    FolderSystemItem* f2 = tree.folder("f2");
    FileSystemItem* in1 = tree.file("a.jpg", 7, f1);
    FileSystemItem* out = tree.file("b.jpg", 7);
    tree.file("other.txt", 3, f2);
    tree.root->calctotalsize();
    auto folders = container->addGroupWithItems({f1, f2});
    auto files = container->addGroupWithItems({in1, out});
    ASSERT_TRUE(folders && files);
    DuplicateItem* inner = in1->getDuplicateItem();

    // Not on its own: only with its folder.
    EXPECT_FALSE(inner->selectItemForced(true));
    ASSERT_TRUE(f1->getDuplicateItem()->selectItemForced(false));
    EXPECT_TRUE(inner->isSelected());
    EXPECT_EQ(files->getSelectedCountWithDuplicatesFolderContent(), 1);
    EXPECT_EQ(files->getActualSelectedCount(), 0);
    EXPECT_EQ(files->getSelectedSize(), 0u);
    // The copy outside may still go: the folder's copy does not count as the one kept.
    EXPECT_FALSE(out->getDuplicateItem()->selectItemForced(false));
    EXPECT_TRUE(out->getDuplicateItem()->selectItemForced(true));

    auto removeList = container->buildRemoveList();
    EXPECT_EQ(removeList.size(), 2u);  // the folder and the outside copy, not the copy inside
    for (auto& member : removeList) EXPECT_NE(member.get(), inner);

    inner->deselectItem();  // refused while its folder is selected
    EXPECT_TRUE(inner->isSelected());
    f1->getDuplicateItem()->deselectItem();
    EXPECT_FALSE(inner->isSelected());
}

TEST_F(GroupFixture, NestedSelectionBatchesPostTheNotificationOnce) {
    auto group = container->addGroupWithItems({tree.file("a.jpg", 1), tree.file("b.jpg", 1), tree.file("c.jpg", 1)});
    ASSERT_TRUE(group);
    auto items = group->getItems();
    drainMainLoop();
    SelectionNotificationCounter counter;

    items[0]->selectItemForced(false);
    EXPECT_EQ(counter.count, 1);  // outside a batch every change posts

    DuplicatesGroup::BeginSelectionGroup();
    DuplicatesGroup::BeginSelectionGroup();
    items[1]->selectItemForced(false);
    items[0]->deselectItem();
    DuplicatesGroup::EndSelectionGroup();
    EXPECT_EQ(counter.count, 1);
    group->deselectAllItems();  // its own batch nests inside
    EXPECT_EQ(counter.count, 1);
    DuplicatesGroup::EndSelectionGroup();
    EXPECT_EQ(counter.count, 2);
    drainMainLoop();
    EXPECT_EQ(counter.count, 2);
}

namespace {
struct RecordingSelectionListener : DuplicateItemSelectionListener {
    void onItemSelectionChanged(const std::shared_ptr<DuplicateItem>& item) override { seen.push_back(item->isSelected()); }
    std::vector<bool> seen;
};
}  // namespace

TEST_F(GroupFixture, MemberSelectionListenersHearLaterOnTheMainThread) {
    auto group = container->addGroupWithItems({tree.file("a.jpg", 1), tree.file("b.jpg", 1)});
    auto member = group->getItems()[0];
    auto listener = std::make_shared<RecordingSelectionListener>();
    member->addSelectionListener(listener);
    member->selectItemForced(false);
    EXPECT_TRUE(listener->seen.empty());
    EXPECT_TRUE(runMainLoopUntil([&] { return listener->seen.size() == 1; }));
    EXPECT_TRUE(listener->seen[0]);
}

TEST_F(GroupFixture, GroupIsNamedAfterTheCopyWithoutCopyMarks) {
    auto group = container->addGroupWithItems({tree.file("photo copy.jpg", 9), tree.file("photo.JPG", 9)});
    ASSERT_TRUE(group);
    EXPECT_EQ(group->getGroupName(), "photo.JPG");
    EXPECT_EQ(group->getGroupNameWithoutExtension(), "photo");
    EXPECT_EQ(group->getGroupExtension(), "jpg");

    // Without an unmarked copy the first member names the group; a change drops the cached names.
    auto marked = container->addGroupWithItems({tree.file("Copy of song.mp3", 9), tree.file("song (2).mp3", 9)});
    ASSERT_TRUE(marked);
    EXPECT_EQ(marked->getGroupName(), "Copy of song.mp3");
    marked->addFileItem(tree.file("song.mp3", 9));
    EXPECT_EQ(marked->getGroupName(), "song.mp3");
}

TEST_F(GroupFixture, ModificationDateIsReadFromTheDiskOnce) {
    TempDir dir;
    std::string path = dir.writeFile("d/a.txt", "x");
    ASSERT_EQ(runCommand("touch -m -d @1000000000 '" + path + "'"), 0);
    auto root = VolumeSystemItem::createRoot(dir.path(), 0, 0);
    FolderSystemItem* d = FolderSystemItem::createFolder("d", root.get(), 0, false, 0, false, 0);
    FileSystemItem* a = FileSystemItem::createFile("a.txt", d, 1, 0, false, 1);
    FileSystemItem* missing = FileSystemItem::createFile("gone.txt", d, 1, 0, false, 1);
    auto group = container->addGroupWithItems({a, missing});
    ASSERT_TRUE(group);
    DuplicateItem* present = a->getDuplicateItem();
    EXPECT_EQ(present->getLastModificationDate(), 1000000000);
    EXPECT_EQ(present->getParentFolderItemPath(), dir.path() + "/d");
    EXPECT_FALSE(present->isMovedByUserOrDeleted());
    EXPECT_EQ(missing->getDuplicateItem()->getLastModificationDate(), 0);
    EXPECT_TRUE(missing->getDuplicateItem()->isMovedByUserOrDeleted());
    ASSERT_EQ(runCommand("touch -m -d @2000000000 '" + path + "'"), 0);
    EXPECT_EQ(present->getLastModificationDate(), 1000000000);
    std::vector<std::unique_ptr<VolumeSystemItem>> roots;
    roots.push_back(std::move(root));
    container->saveRoots(std::move(roots));
}
