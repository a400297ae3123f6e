// The manual selection commands, the last-copy rule under each of them, batches and the preview.
#include <gtest/gtest.h>

#include <thread>

#include "SelectionFixture.h"
#include "selection/AutoSelectManager.h"
#include "selection/AutoSelectPreview.h"
#include "selection/OperationsManager.h"

using Names = std::vector<std::string>;

namespace {
struct OperationsFixture : SelectionFixture {
    OperationsManager operations;
};

struct RecordingPreviewListener : AutoSelectPreviewListener {
    void onCalculatedDuplicatesForAutoselect(std::vector<AutoSelectPreviewRecord> r) override {
        records = std::move(r);
        delivered = true;
    }
    std::vector<AutoSelectPreviewRecord> records;
    bool delivered = false;
};
}  // namespace

TEST_F(OperationsFixture, ToggleRespectsTheLastCopyAndThePermission) {
    auto g = group({"a/p.jpg", "b/p.jpg"});
    auto first = member(*g, "a/p.jpg");
    auto second = member(*g, "b/p.jpg");
    EXPECT_EQ(operations.toggleItemByUser(*first, SelectionView::Categories).outcome, ToggleResult::Outcome::Selected);

    ToggleResult refused = operations.toggleItemByUser(*second, SelectionView::Categories);
    EXPECT_EQ(refused.outcome, ToggleResult::Outcome::RefusedLastCopy);
    EXPECT_EQ(refused.tip, "This file is the last unselected copy of duplicates. If you want to select all copies "
                           "change the option in Preferences.");
    EXPECT_FALSE(second->isSelected());

    settings->setAllowRemovingAllDuplicateCopies(true);
    ToggleResult ask = operations.toggleItemByUser(*second, SelectionView::Categories);
    ASSERT_EQ(ask.outcome, ToggleResult::Outcome::NeedsConfirmation);
    ASSERT_TRUE(ask.question);
    EXPECT_EQ(ask.question->message, "Attention");
    EXPECT_EQ(ask.question->informativeText, "All copies of the file \"p.jpg\" will be selected for removal.");
    EXPECT_EQ(ask.question->buttons, (Names{"OK", "Cancel"}));
    EXPECT_EQ(ask.question->suppressionText, "Do not show this message again");
    EXPECT_FALSE(second->isSelected());
    EXPECT_TRUE(operations.confirmSelectingLastCopy(*second, SelectionView::Categories, true));
    EXPECT_TRUE(g->isAllItemsSelected());
    EXPECT_FALSE(settings->showRemoveLastInCategoriesMessage());
    EXPECT_TRUE(settings->showRemoveLastInHeapsMessage());

    // Deselect, then select the last one again: no question any more.
    EXPECT_EQ(operations.toggleItemByUser(*second, SelectionView::Categories).outcome,
              ToggleResult::Outcome::Deselected);
    EXPECT_EQ(operations.toggleItemByUser(*second, SelectionView::Categories).outcome,
              ToggleResult::Outcome::Selected);
    EXPECT_TRUE(g->isAllItemsSelected());
}

TEST_F(OperationsFixture, SelectAllInAFolderKeepsOneCopyOfAGroupItHoldsWhole) {
    auto inside = group({"F/photo copy.jpg", "F/photo.jpg"});
    auto across = group({"F/song.mp3", "G/song.mp3"});
    auto deeper = group({"F/sub/doc.txt", "H/doc.txt"});
    operations.selectForRemoveAllDuplicatesInFolderWithPath(*container, abs("F"));
    EXPECT_EQ(selected(*inside), Names{"F/photo copy.jpg"});
    EXPECT_EQ(selected(*across), Names{"F/song.mp3"});
    EXPECT_TRUE(selected(*deeper).empty());  // direct children only
    // A path that names a file, or no node, does nothing.
    operations.selectForRemoveAllDuplicatesInFolderWithPath(*container, abs("G/song.mp3"));
    operations.selectForRemoveAllDuplicatesInFolderWithPath(*container, abs("nowhere"));
    EXPECT_TRUE(selected(*deeper).empty());
    expectEveryGroupKeepsACopy();
}

TEST_F(OperationsFixture, KeepAndDeselectAllInAFolder) {
    auto a = group({"F/a.jpg", "G/a.jpg", "H/a.jpg"});
    auto b = group({"F/b.jpg", "F/b copy.jpg"});
    ASSERT_TRUE(member(*a, "F/a.jpg")->selectItemForced(false));
    operations.keepAllDuplicatesInFolderWithPath(*container, abs("F") + "/");
    EXPECT_EQ(selected(*a), (Names{"G/a.jpg", "H/a.jpg"}));
    EXPECT_TRUE(selected(*b).empty());  // every copy is in the folder: nothing elsewhere to select
    expectEveryGroupKeepsACopy();

    operations.deselectAllDuplicatesInFolderWithPath(*container, abs("G"));
    EXPECT_EQ(selected(*a), Names{"H/a.jpg"});
}

TEST_F(OperationsFixture, KeepOnlyThisCopy) {
    auto g = group({"a/x.jpg", "b/x.jpg", "c/x.jpg"});
    ASSERT_TRUE(member(*g, "b/x.jpg")->selectItemForced(false));
    operations.keepOnlyThisCopy(*member(*g, "b/x.jpg"));
    EXPECT_EQ(selected(*g), (Names{"a/x.jpg", "c/x.jpg"}));
}

TEST_F(OperationsFixture, ExcludeAFolderAndRemoveAGroupFromTheList) {
    auto a = group({"Skip/a.jpg", "x/a.jpg", "y/a.jpg"});
    auto b = group({"Skip/deep/b.jpg", "z/b.jpg"});
    auto c = group({"p/c.jpg", "q/c.jpg"});
    operations.excludeItemsInFolderWithPath(*container, abs("Skip"));
    for (const auto& g : container->getAllFilesGroups())
        for (const auto& item : g->getItems())
            EXPECT_EQ(item->getFileItemPath().find(abs("Skip")), std::string::npos) << item->getFileItemPath();
    EXPECT_EQ(a->getTotalCount(), 2);

    operations.removeGroupFromDuplicatesList(*c);
    for (const auto& g : container->getAllFilesGroups()) EXPECT_NE(g.get(), c.get());
    EXPECT_EQ(c->getTotalCount(), 0);
    (void)b;
}

TEST_F(OperationsFixture, SelectNewestKeepsTheOldestAndTheOtherWayRound) {
    settings->setAutoNeverSelectFolders(std::vector<std::string>{abs("never")});
    auto g = groupOfNodes({file("a/p.jpg", 1500000000), file("b/p.jpg", 1000000000), file("c/p.jpg", 2000000000),
                           file("never/p.jpg", 1700000000)});
    operations.selectNewestCopies({g});
    EXPECT_EQ(selected(*g), (Names{"a/p.jpg", "c/p.jpg"}));
    operations.selectOldestCopies({g});
    EXPECT_EQ(selected(*g), (Names{"a/p.jpg", "b/p.jpg"}));
    operations.deselectAll({g});
    EXPECT_TRUE(selected(*g).empty());
    // Equal dates: everything stays.
    auto same = group({"d/q.jpg", "e/q.jpg"});
    operations.selectNewestCopies({same});
    EXPECT_TRUE(selected(*same).empty());
}

TEST_F(OperationsFixture, KeepInFoldersSelectsOnlyTheGroupsWithACopyThere) {
    auto a = group({"Keep/a.jpg", "x/a.jpg", "y/deep/a.jpg", "never/a.jpg"});
    auto b = group({"Keep/deep/b.jpg", "z/b.jpg"});
    auto c = group({"p/c.jpg", "q/c.jpg"});
    auto d = group({"Keep/d.jpg", "Also/d.jpg", "r/d.jpg"});
    // A folder whose name only begins like the kept one is no part of it.
    auto e = group({"Keeper/e.jpg", "s/e.jpg"});
    ASSERT_TRUE(member(*c, "p/c.jpg")->selectItemForced(false));
    OperationsManager::keepByRuleInAllGroupsOfContainer(*container, OperationsManager::KeepRule::InFolders,
                                                        {abs("Keep"), abs("Also") + "/"}, {abs("never")});
    EXPECT_EQ(selected(*a), (Names{"x/a.jpg", "y/deep/a.jpg"}));
    EXPECT_EQ(selected(*b), Names{"z/b.jpg"});
    EXPECT_EQ(selected(*c), Names{"p/c.jpg"});  // no copy in the folders: left as it was
    EXPECT_EQ(selected(*d), Names{"r/d.jpg"});
    EXPECT_TRUE(selected(*e).empty());
    expectEveryGroupKeepsACopy();

    OperationsManager::keepByRuleInAllGroupsOfContainer(*container, OperationsManager::KeepRule::Newest, {}, {});
    EXPECT_TRUE(selected(*a).empty());  // equal dates: every copy stays
}

TEST_F(OperationsFixture, EveryCommandPostsOneNotificationAndNestedBatchesPostOnce) {
    auto a = group({"a/x.jpg", "b/x copy.jpg", "c/x copy 2.jpg"});
    auto b = group({"d/y.jpg", "e/y copy.jpg"});
    drainMainLoop();
    {
        SelectionNotificationCounter counter;
        DuplicatesGroup::BeginSelectionGroup();
        DuplicatesGroup::BeginSelectionGroup();
        member(*a, "b/x copy.jpg")->selectItemForced(false);
        DuplicatesGroup::EndSelectionGroup();
        member(*b, "e/y copy.jpg")->selectItemForced(false);
        EXPECT_EQ(counter.count, 0);
        DuplicatesGroup::EndSelectionGroup();
        drainMainLoop();
        EXPECT_EQ(counter.count, 1);
    }
    const std::vector<std::shared_ptr<DuplicatesGroup>> groups{a, b};
    auto expectOne = [&](const char* what, const std::function<void()>& command) {
        SelectionNotificationCounter counter;
        command();
        drainMainLoop();
        EXPECT_EQ(counter.count, 1) << what;
        expectEveryGroupKeepsACopy();
    };
    expectOne("deselect all", [&] { operations.deselectAll(groups); });
    expectOne("auto select", [&] { operations.performForceSelectForGroups(groups); });
    expectOne("newest", [&] { operations.selectNewestCopies(groups); });
    expectOne("select in folder", [&] { operations.selectForRemoveAllDuplicatesInFolderWithPath(*container, abs("a")); });
    expectOne("keep in folder", [&] { operations.keepAllDuplicatesInFolderWithPath(*container, abs("a")); });
    expectOne("keep only", [&] { operations.keepOnlyThisCopy(*member(*a, "c/x copy 2.jpg")); });
}

TEST_F(OperationsFixture, FolderTickAsksBeforeTakingLastCopies) {
    auto whole = group({"F/a.jpg", "F/b/a.jpg"});
    auto part = group({"F/c.jpg", "G/c.jpg"});
    FolderSystemItem* folder = folderAt("F");

    ToggleResult without = operations.tickFolderByUser(*folder, SelectionView::Heaps);
    EXPECT_EQ(without.outcome, ToggleResult::Outcome::SelectedSomeCopies);
    EXPECT_EQ(selected(*part), Names{"F/c.jpg"});
    EXPECT_EQ(selected(*whole).size(), 1u);
    expectEveryGroupKeepsACopy();

    settings->setAllowRemovingAllDuplicateCopies(true);
    ToggleResult ask = operations.tickFolderByUser(*folder, SelectionView::Heaps);
    ASSERT_EQ(ask.outcome, ToggleResult::Outcome::NeedsConfirmation);
    EXPECT_EQ(ask.question->informativeText,
              "You are selecting the last copies of duplicates in the folder \"F\" including the original ones.");
    operations.confirmTickingFolder(*folder, SelectionView::Heaps, false);
    EXPECT_TRUE(whole->isAllItemsSelected());
}

TEST_F(OperationsFixture, PreviewChoosesWhatTheCommandWouldWithoutSelecting) {
    std::vector<std::shared_ptr<DuplicatesGroup>> groups;
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(i);
        groups.push_back(groupOfNodes({file("a" + n + "/p" + n + ".jpg", 1000000000, 10 + i),
                                       file("b" + n + "/p" + n + " copy.jpg", 1000000000, 10 + i),
                                       file("c" + n + "/p" + n + " (2).jpg", 1000000000, 10 + i)}));
    }
    auto listener = std::make_shared<RecordingPreviewListener>();
    AutoSelectPreview::calculateDuplicatesForAutoselect(container, listener);
    // The main thread keeps reading and selecting the same groups meanwhile.
    for (int round = 0; round < 20 && !listener->delivered; ++round) {
        operations.performForceSelectForGroups(groups);
        operations.deselectAll(groups);
        drainMainLoop(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(runMainLoopUntil([&] { return listener->delivered; }));
    ASSERT_EQ(listener->records.size(), groups.size());
    for (std::size_t i = 1; i < listener->records.size(); ++i)
        EXPECT_GE(listener->records[i - 1].size, listener->records[i].size);
    for (const auto& record : listener->records) {
        EXPECT_EQ(record.duplicateArray.size(), 2u);
        EXPECT_EQ(record.size, 2 * record.duplicateArray.front()->getFileItemSize());
        EXPECT_EQ(record.group->getSelectedCountWithDuplicatesFolderContent(), 0);
        for (const auto& item : record.duplicateArray)
            EXPECT_EQ(item->getFileItemPath().find(" copy") == std::string::npos &&
                          item->getFileItemPath().find(" (2)") == std::string::npos,
                      false);
    }
}
