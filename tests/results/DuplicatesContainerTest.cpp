#include <gtest/gtest.h>

#include "ResultsTree.h"
#include "detection/FileType.h"
#include "platform/NotificationCenter.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "results/ProgressBarData.h"
#include "settings/AppNotification.h"
#include "support/TestSupport.h"

namespace {

struct ContainerFixture : ::testing::Test {
    std::shared_ptr<DuplicatesContainer> container = std::make_shared<DuplicatesContainer>(true, nullptr);
    ResultsTree tree;

    DuplicatesCategory* images() const { return container->getCategoryWithType(FileTypeImage); }
    DuplicatesCategory* folders() const { return container->getCategoryWithType(FileTypeFolder); }
    DuplicatesCategory* hidden() const { return container->getHiddenCategoryOfDuplicates(); }

    // The category's totals must equal the sums over its groups.
    static void expectTotalsMatchGroups(const DuplicatesCategory& category) {
        std::int64_t size = 0, selected = 0, removable = 0, count = 0, actual = 0, dirty = 0;
        ProgressBarData progress;
        for (const auto& group : category.getGroups()) {
            size += static_cast<std::int64_t>(group->getTotalSize());
            selected += static_cast<std::int64_t>(group->getSelectedSize());
            removable += static_cast<std::int64_t>(group->getSizeThatCanBeRemoved());
            count += group->getTotalCount();
            actual += group->getActualSelectedCount();
            dirty += group->getSelectedCountWithDuplicatesFolderContent();
            progress.addDuplicatesGroup(*group);
        }
        EXPECT_EQ(category.getTotalSize(), size);
        EXPECT_EQ(category.getTotalSelectedSize(), selected);
        EXPECT_EQ(category.getSizeThatCanBeRemoved(), removable);
        EXPECT_EQ(category.getTotalCount(), count);
        EXPECT_EQ(category.getCountOfActualSelectedItems(), actual);
        EXPECT_EQ(category.getSelectedCountWithDuplicatesFolderContent(), dirty);
        const ProgressBarData& kept = category.progressBarDataInfo();
        EXPECT_EQ(kept.countOfSelectedDuplicates, progress.countOfSelectedDuplicates);
        EXPECT_EQ(kept.sizeOfSelectedDuplicates, progress.sizeOfSelectedDuplicates);
        EXPECT_EQ(kept.countOfSelectedWithOriginalsDuplicates, progress.countOfSelectedWithOriginalsDuplicates);
        EXPECT_EQ(kept.countOfKeptOriginals, progress.countOfKeptOriginals);
        EXPECT_EQ(kept.sizeOfKeptOriginals, progress.sizeOfKeptOriginals);
        EXPECT_EQ(kept.totalCountOfDuplicates, progress.totalCountOfDuplicates);
        EXPECT_EQ(kept.totalSizeOfDuplicates, progress.totalSizeOfDuplicates);
    }

    void TearDown() override {
        if (tree.root) container->saveRoots(tree.roots());
    }
};

struct NotificationCounter {
    explicit NotificationCounter(const std::string& name) {
        token = NotificationCenter::defaultCenter().addObserver(name, [this](const Notification&) { ++count; });
    }
    ~NotificationCounter() { NotificationCenter::defaultCenter().removeObserver(token); }
    int count = 0;
    NotificationCenter::Token token;
};

}  // namespace

TEST_F(ContainerFixture, GroupsSharingANodeMergeIntoOne) {
    FileSystemItem* a = tree.file("a.jpg", 10);
    FileSystemItem* b = tree.file("b.jpg", 10);
    FileSystemItem* c = tree.file("c.jpg", 10);
    auto first = container->addGroupWithItems({a, b});
    ASSERT_TRUE(first);
    first->getItems()[1]->selectItemForced(false);
    auto merged = container->addGroupWithItems({b, c});
    ASSERT_TRUE(merged);

    EXPECT_FALSE(images()->containsGroup(first.get()));
    EXPECT_EQ(first->getCategory(), nullptr);
    EXPECT_EQ(first->getTotalCount(), 0);
    EXPECT_EQ(images()->getGroupsCount(), 1u);
    EXPECT_EQ(container->getAllFilesGroups().size(), 1u);
    auto nodes = merged->getFileSystemItems();
    EXPECT_EQ(nodes, (std::vector<FileSystemItem*>{a, b, c}));  // in path order, whatever the order of arrival
    for (FileSystemItem* node : {a, b, c}) EXPECT_EQ(node->getDuplicateItem()->getGroup(), merged.get());
    EXPECT_EQ(merged->getActualSelectedCount(), 0);
    EXPECT_EQ(images()->getTotalCount(), 3);
    EXPECT_EQ(images()->getTotalSize(), 30);
    expectTotalsMatchGroups(*images());
}

TEST_F(ContainerFixture, CategoryTotalsFollowSelectionAndRemoval) {
    auto big = container->addGroupWithItems({tree.file("a.jpg", 10), tree.file("b.jpg", 10), tree.file("c.jpg", 10)});
    auto small = container->addGroupWithItems({tree.file("d.png", 3), tree.file("e.png", 3)});
    ASSERT_TRUE(big && small);
    EXPECT_EQ(images()->getTotalSize(), 36);
    EXPECT_EQ(images()->getTotalCount(), 5);
    EXPECT_EQ(images()->getSizeThatCanBeRemoved(), 23);
    EXPECT_EQ(container->getAllFilesSize(), 36);

    auto items = big->getItems();
    items[0]->selectItemForced(false);
    small->getItems()[1]->selectItemForced(false);
    EXPECT_EQ(images()->getTotalSelectedSize(), 13);
    EXPECT_EQ(images()->getCountOfActualSelectedItems(), 2);
    EXPECT_EQ(container->getItemsCountInRemoveList(), 2);
    EXPECT_EQ(container->getRemoveListTotalSize(), 13);
    expectTotalsMatchGroups(*images());

    items[0]->deselectItem();
    EXPECT_EQ(images()->getTotalSelectedSize(), 3);
    expectTotalsMatchGroups(*images());

    items[1]->selectItemForced(false);
    big->removeDuplicateItem(items[1].get());  // a selected copy leaves: out of the selection too
    EXPECT_EQ(images()->getTotalSelectedSize(), 3);
    EXPECT_EQ(images()->getTotalSize(), 26);
    EXPECT_EQ(images()->getTotalCount(), 4);
    EXPECT_EQ(images()->getSizeThatCanBeRemoved(), 13);
    expectTotalsMatchGroups(*images());

    images()->removeAllGroups();
    for (std::int64_t total : {images()->getTotalSize(), images()->getTotalSelectedSize(), images()->getTotalCount(),
                               images()->getSizeThatCanBeRemoved(), images()->getCountOfActualSelectedItems()})
        EXPECT_EQ(total, 0);
    EXPECT_TRUE(container->getAllFilesGroups().empty());
}

TEST_F(ContainerFixture, RemoveEmptyGroupsDropsGroupsWithFewerThanTwoMembers) {
    auto keep = container->addGroupWithItems({tree.file("a.jpg", 1), tree.file("b.jpg", 1), tree.file("c.jpg", 1)});
    FileSystemItem* lonely = tree.file("e.jpg", 1);
    auto one = container->addGroupWithItems({tree.file("d.jpg", 1), lonely});
    auto none = container->addGroupWithItems({tree.file("f.jpg", 1), tree.file("g.jpg", 1)});
    one->removeDuplicateItem(one->getItems()[0].get());
    for (auto& member : none->getItems()) none->removeDuplicateItem(member.get());
    keep->removeDuplicateItem(keep->getItems()[0].get());

    EXPECT_EQ(container->removeEmptyGroupsFromCategoryWithType(FileTypeImage), 2);
    EXPECT_EQ(images()->getGroups(), (std::vector<std::shared_ptr<DuplicatesGroup>>{keep}));
    EXPECT_EQ(lonely->getDuplicateItem(), nullptr);
    EXPECT_EQ(container->getAllFilesGroups().size(), 1u);
    EXPECT_EQ(container->removeEmptyGroupsFromCategory(nullptr), 0);
    expectTotalsMatchGroups(*images());
}

TEST(ProgressBarData, ProgressValues) {
    ProgressBarData empty;
    EXPECT_EQ(empty.selectedProgress(), 0.0f);
    EXPECT_EQ(empty.undelProgress(), 0.0f);
    EXPECT_EQ(empty.selectedUndelProgress(), 0.0f);

    auto container = std::make_shared<DuplicatesContainer>(false, nullptr);
    ResultsTree tree;
    auto group = container->addGroupWithItems({tree.file("a.jpg", 10), tree.file("b.jpg", 10), tree.file("c.jpg", 10)});
    auto items = group->getItems();
    items[0]->selectItemForced(false);
    items[1]->selectItemForced(false);
    ProgressBarData data;
    data.addDuplicatesGroup(*group);
    EXPECT_EQ(data.countOfSelectedDuplicates, 2);
    EXPECT_EQ(data.sizeOfSelectedDuplicates, 20);
    EXPECT_EQ(data.countOfKeptOriginals, 1);
    EXPECT_EQ(data.sizeOfKeptOriginals, 10);
    EXPECT_EQ(data.totalSizeOfDuplicates, 30);
    EXPECT_FLOAT_EQ(data.selectedProgress(), 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(data.undelProgress(), 1.0f / 3.0f);

    // Some copies only: each counted on its own.
    ProgressBarData part;
    part.addItems({items[0], items[2]}, *group);
    EXPECT_EQ(part.countOfSelectedDuplicates, 1);
    EXPECT_EQ(part.countOfKeptOriginals, 1);
    EXPECT_EQ(part.totalCountOfDuplicates, 2);

    items[2]->selectItemForced(true);
    data.removeDuplicatesGroup(*group);  // counts out the new state: not the old one
    data = ProgressBarData();
    data.addItems(items, *group);
    EXPECT_EQ(data.countOfSelectedWithOriginalsDuplicates, 3);
    EXPECT_EQ(data.countOfSelectedDuplicates, 0);
    EXPECT_FLOAT_EQ(data.selectedUndelProgress(), 1.0f);
    container->saveRoots(tree.roots());
}

TEST_F(ContainerFixture, FileGroupInsideDuplicateFoldersIsHiddenUntilTheFoldersStopBeingDuplicates) {
    FolderSystemItem* f1 = tree.folder("f1");
    FolderSystemItem* f2 = tree.folder("f2");
    FileSystemItem* a1 = tree.file("a.jpg", 5, f1);
    FileSystemItem* a2 = tree.file("a.jpg", 5, f2);
    tree.root->calctotalsize();
    auto files = container->addGroupWithItems({a1, a2});
    ASSERT_TRUE(files);
    EXPECT_EQ(images()->getTotalSize(), 10);

    auto folderGroup = container->addGroupWithItems({f1, f2});
    ASSERT_TRUE(folderGroup);
    EXPECT_EQ(images()->getGroupsCount(), 0u);
    EXPECT_EQ(images()->getTotalSize(), 0);
    ASSERT_EQ(hidden()->getGroupsCount(), 1u);
    auto hiddenGroup = hidden()->getGroups()[0];
    EXPECT_NE(hiddenGroup->getGroupID(), files->getGroupID());
    EXPECT_EQ(a1->getDuplicateItem()->getGroup(), hiddenGroup.get());
    EXPECT_TRUE(hiddenGroup->isFullyInDuplicatesFolders());
    EXPECT_EQ(container->getAllFilesGroups(), (std::vector<std::shared_ptr<DuplicatesGroup>>{folderGroup}));

    folders()->removeGroup(folderGroup.get());
    EXPECT_EQ(hidden()->getGroupsCount(), 0u);
    ASSERT_EQ(images()->getGroupsCount(), 1u);
    auto back = images()->getGroups()[0];
    EXPECT_EQ(back->getTotalCount(), 2);
    EXPECT_EQ(back->getItemsCountInDuplicatesFolders(), 0);
    EXPECT_EQ(images()->getTotalSize(), 10);
    EXPECT_EQ(a2->getDuplicateItem()->getAssociatedDuplicateFolder(), nullptr);
    expectTotalsMatchGroups(*images());
    expectTotalsMatchGroups(*folders());
}

TEST_F(ContainerFixture, FileGroupFoundInsideKnownDuplicateFoldersGoesStraightToHidden) {
    FolderSystemItem* f1 = tree.folder("f1");
    FolderSystemItem* f2 = tree.folder("f2");
    FileSystemItem* a1 = tree.file("a.jpg", 5, f1);
    FileSystemItem* a2 = tree.file("a.jpg", 5, f2);
    tree.root->calctotalsize();
    auto folderGroup = container->addGroupWithItems({f1, f2});
    auto created = container->addGroupWithItems({a1, a2});
    ASSERT_TRUE(created);
    EXPECT_EQ(created->getCategory(), nullptr);  // it moved on while joining
    EXPECT_EQ(images()->getGroupsCount(), 0u);
    EXPECT_EQ(images()->getTotalCount(), 0);
    ASSERT_EQ(hidden()->getGroupsCount(), 1u);
    EXPECT_EQ(hidden()->getGroups()[0]->getTotalCount(), 2);
    EXPECT_EQ(container->getAllFilesGroups(), (std::vector<std::shared_ptr<DuplicatesGroup>>{folderGroup}));
    // Nested duplicate folders: copies inside point at the outermost one.
    FolderSystemItem* n1 = tree.folder("n", f1);
    FolderSystemItem* n2 = tree.folder("n", f2);
    FileSystemItem* b1 = tree.file("b.png", 2, n1);
    FileSystemItem* b2 = tree.file("b.png", 2, n2);
    container->addGroupWithItems({b1, b2});
    container->addGroupWithItems({n1, n2});
    EXPECT_EQ(b1->getDuplicateItem()->getAssociatedDuplicateFolder(), f1->getDuplicateItem());
    EXPECT_EQ(n2->getDuplicateItem()->getAssociatedDuplicateFolder(), f2->getDuplicateItem());
    EXPECT_EQ(folders()->getGroupsCount(), 1u);
    EXPECT_EQ(hidden()->getGroupsCount(), 3u);
    expectTotalsMatchGroups(*folders());
}

TEST_F(ContainerFixture, RemovalTakesCopiesInsideAFolderAlongAndCleansUp) {
    std::vector<FolderSystemItem*> dirs;
    std::vector<FileSystemItem*> inner;
    for (const char* name : {"f1", "f2", "f3"}) {
        dirs.push_back(tree.folder(name));
        inner.push_back(tree.file("a.jpg", 4096, dirs.back()));
    }
    FileSystemItem* outside = tree.file("z.jpg", 4096);
    tree.root->calctotalsize();
    ASSERT_EQ(tree.root->gettotalsize(), 4 * 4096);
    auto folderGroup = container->addGroupWithItems({dirs[0], dirs[1], dirs[2]});
    auto files = container->addGroupWithItems({inner[0], inner[1], inner[2], outside});
    ASSERT_TRUE(folderGroup && files);
    EXPECT_EQ(files->getItemsCountInDuplicatesFolders(), 3);

    NotificationCounter changed(AppNotification::DuplicatesContainerDataChangedNotificationName());
    container->removeDuplicateItemsFromLogicalStructure({dirs[2]->getDuplicateItem()->shared_from_this()});
    EXPECT_EQ(folderGroup->getTotalCount(), 2);
    EXPECT_EQ(files->getTotalCount(), 3);
    EXPECT_EQ(inner[2]->getDuplicateItem(), nullptr);
    EXPECT_FALSE(tree.root->containsObject(dirs[2]));
    EXPECT_EQ(tree.root->gettotalsize(), 3 * 4096);

    container->removeDuplicateItemsFromLogicalStructureWithRecalculateParent({dirs[1]}, true);
    EXPECT_EQ(folderGroup->getTotalCount(), 1);
    EXPECT_EQ(files->getTotalCount(), 2);
    container->validateEmptyDataAfterRemoveWithListener(nullptr);
    EXPECT_EQ(folders()->getGroupsCount(), 0u);
    EXPECT_EQ(dirs[0]->getDuplicateItem(), nullptr);
    // The copy in f1 no longer lies in a duplicate folder: both remaining copies count.
    auto remaining = images()->getGroups();
    ASSERT_EQ(remaining.size(), 1u);
    EXPECT_EQ(remaining[0]->getTotalCount(), 2);
    EXPECT_EQ(remaining[0]->getTotalSize(), 2u * 4096);
    EXPECT_EQ(remaining[0]->getItemsCountInDuplicatesFolders(), 0);
    EXPECT_EQ(changed.count, 0);  // posted on the main queue
    drainMainLoop();
    EXPECT_EQ(changed.count, 1);
    expectTotalsMatchGroups(*images());
}

TEST_F(ContainerFixture, RemoveListCanBeRestored) {
    auto g1 = container->addGroupWithItems({tree.file("a.jpg", 2), tree.file("b.jpg", 2), tree.file("c.jpg", 2)});
    auto g2 = container->addGroupWithItems({tree.file("d.mp3", 5), tree.file("e.mp3", 5)});
    ASSERT_TRUE(g1 && g2);
    EXPECT_TRUE(container->isCurrentRemoveListEqualToList({}));
    g1->getItems()[1]->selectItemForced(false);
    g2->getItems()[0]->selectItemForced(false);
    auto saved = container->buildRemoveList();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_TRUE(container->isCurrentRemoveListEqualToList(saved));

    container->deselectAllItems();
    EXPECT_TRUE(container->buildRemoveList().empty());
    EXPECT_FALSE(container->isCurrentRemoveListEqualToList(saved));
    g1->getItems()[2]->selectItemForced(false);

    NotificationCounter selection(AppNotification::DuplicateItemSelectionChangedNotificationName());
    container->restoreRemoveListTo(saved);
    EXPECT_EQ(selection.count, 1);
    EXPECT_TRUE(container->isCurrentRemoveListEqualToList(saved));
    EXPECT_FALSE(g1->getItems()[2]->isSelected());
}

TEST_F(ContainerFixture, FindsNodesByPath) {
    FolderSystemItem* docs = tree.folder("docs");
    FileSystemItem* a = tree.file("a.txt", 1, docs);
    container->saveRoots(tree.roots());
    EXPECT_EQ(container->findSystemItemWithPath("/data/docs/a.txt"), (std::vector<FileSystemItem*>{a}));
    EXPECT_EQ(container->findExistedSystemItemWithPath("/data/docs/"), docs);
    EXPECT_EQ(container->findExistedSystemItemWithPath("/data"), container->buildRootFolders()[0]);
    EXPECT_TRUE(container->findSystemItemWithPath("/data/docs/missing").empty());
    EXPECT_TRUE(container->findSystemItemWithPath("/database").empty());
    EXPECT_EQ(container->findExistedSystemItemWithPath("/elsewhere"), nullptr);
}

TEST_F(ContainerFixture, MarkingFoldersAsDuplicatesJoinsAnExistingGroup) {
    FolderSystemItem* f1 = tree.folder("f1");
    FolderSystemItem* f2 = tree.folder("f2");
    FolderSystemItem* f3 = tree.folder("f3");
    auto group = container->markAsDuplicatesFolder(f1, f2);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->getCategory(), folders());
    EXPECT_EQ(container->markAsDuplicatesFolder(f3, f1), group);
    EXPECT_EQ(group->getTotalCount(), 3);
    EXPECT_EQ(f3->getDuplicateItem()->getGroup(), group.get());
}

TEST(DuplicatesContainerLifetime, MembersOutlivingTheContainerForgetTreeAndGroup) {
    std::shared_ptr<DuplicateItem> member;
    std::shared_ptr<DuplicatesGroup> group;
    std::weak_ptr<DuplicatesContainer> weakContainer;
    {
        auto container = std::make_shared<DuplicatesContainer>(true, nullptr);
        weakContainer = container;
        DuplicatesContainer::setCurrentContainer(container);
        ResultsTree tree;
        FolderSystemItem* f1 = tree.folder("f1");
        FolderSystemItem* f2 = tree.folder("f2");
        tree.file("a.jpg", 5, f1);
        tree.file("a.jpg", 5, f2);
        container->addGroupWithItems({f1, f2});
        group = container->addGroupWithItems({tree.file("b.jpg", 5), tree.file("c.jpg", 5)});
        member = group->getItems()[0];
        member->selectItemForced(false);
        container->saveRoots(tree.roots());
    }
    EXPECT_TRUE(weakContainer.expired());
    EXPECT_EQ(DuplicatesContainer::currentContainer(), nullptr);
    EXPECT_EQ(member->getFileSystemItem(), nullptr);
    EXPECT_EQ(member->getGroup(), nullptr);
    EXPECT_EQ(group->getTotalCount(), 0);
    EXPECT_EQ(group->getSelectedSize(), 0u);
    EXPECT_FALSE(member->selectItemForced(true));
}
