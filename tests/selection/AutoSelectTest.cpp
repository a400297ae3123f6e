// The name contest, the folder lists, the cascade with its fallbacks and the Auto Select command.
#include <gtest/gtest.h>

#include "SelectionFixture.h"
#include "selection/AutoSelectManager.h"
#include "selection/AutoSelectPreview.h"
#include "selection/DuplicateItemActionsStatistics.h"
#include "selection/OperationsManager.h"

using Names = std::vector<std::string>;

namespace {
struct AutoSelectFixture : SelectionFixture {
    OperationsManager operations;

    Names contest(const DuplicatesGroup& g) {
        AutoSelectManager manager;
        Names out;
        for (const auto& item : manager.getDuplicateItemsForAutoSelectFromItems(g.getItems()))
            out.push_back(item->getFileItemPath().substr(rootPath.size() + 1));
        std::sort(out.begin(), out.end());
        return out;
    }
    Names autoSelect(const std::shared_ptr<DuplicatesGroup>& g) {
        operations.performForceSelectForGroups({g});
        return selected(*g);
    }
};
}  // namespace

TEST_F(AutoSelectFixture, NameContestSelectsTheMoreMarkedNames) {
    auto g = group({"a/photo.jpg", "b/photo copy.jpg"});
    EXPECT_EQ(contest(*g), Names{"b/photo copy.jpg"});

    auto three = group({"c/Copy of song.mp3", "d/song copy 2.mp3", "e/song (1).mp3"});
    // "copy of" and "(1)" have the same power; "(1)" carries a number, so only "Copy of" wins.
    EXPECT_EQ(contest(*three), (Names{"d/song copy 2.mp3", "e/song (1).mp3"}));

    // Unrelated names are never compared; "02" is no copy number.
    EXPECT_TRUE(contest(*group({"f/holiday.jpg", "g/IMG_0001.jpg"})).empty());
    EXPECT_TRUE(contest(*group({"h/report 02.txt", "i/report.txt"})).empty());
}

TEST_F(AutoSelectFixture, TiedNamesAreDecidedByTheParentFolders) {
    auto g = group({"a/x/photo.jpg", "a/x copy/photo.jpg"});
    EXPECT_EQ(contest(*g), Names{"a/x copy/photo.jpg"});

    // Tied up to the root: nothing from the contest.
    EXPECT_TRUE(contest(*group({"p/photo2.jpg", "q/photo2.jpg"})).empty());

    // Two copies in one folder share their parent node: one entry stands for both, nothing is chosen
    // at that level, and the third copy (a worse parent name) loses.
    auto shared = group({"m/n/pic.jpg", "m/n/pic.jpeg", "m/n copy/pic.jpg"});
    EXPECT_EQ(contest(*shared), Names{"m/n copy/pic.jpg"});
}

TEST_F(AutoSelectFixture, DeeperFolderOfTheTwoListsWins) {
    settings->setAutoNeverSelectFolders(std::vector<std::string>{abs("Downloads/Keep"), abs("Both")});
    settings->setAutoAlwaysSelectFolders(std::vector<std::string>{abs("Downloads"), "", "/", abs("Both")});
    AutoSelectManager manager;
    manager.prepareForStartByLoadingLatestUserSettings();
    EXPECT_EQ(manager.getChoiceUsingUserAutoSelectPathsForPath(abs("Downloads/a.jpg")), AutoSelectChoiceSelect);
    EXPECT_EQ(manager.getChoiceUsingUserAutoSelectPathsForPath(abs("Downloads/Keep/a.jpg")), AutoSelectChoiceNeverSelect);
    EXPECT_EQ(manager.getChoiceUsingUserAutoSelectPathsForPath(abs("Downloads/Keep/deep/a.jpg")),
              AutoSelectChoiceNeverSelect);
    EXPECT_EQ(manager.getChoiceUsingUserAutoSelectPathsForPath(abs("Both/a.jpg")), AutoSelectChoiceSelect);
    EXPECT_EQ(manager.getChoiceUsingUserAutoSelectPathsForPath(abs("DownloadsX/a.jpg")), AutoSelectChoiceUndecided);
    EXPECT_EQ(manager.getChoiceUsingUserAutoSelectPathsForPath(abs("Pictures/a.jpg")), AutoSelectChoiceUndecided);
    EXPECT_EQ(manager.alwaysSelectPaths().size(), 2u);  // "" and "/" never apply
    EXPECT_EQ(AutoSelectManager::getMaxPrefixLenOfPath("/a/b/c", {"/a/b/", "/a/"}, 4), 5);
    EXPECT_EQ(AutoSelectManager::getMaxPrefixLenOfPath("/a/x", {"/a/b/", "/a/"}, 4), -1);

    // In a group: the Always copy is selected, the Never copy is the keeper.
    auto g = group({"Pictures/a.jpg", "Downloads/a.jpg"});
    EXPECT_EQ(autoSelect(g), Names{"Downloads/a.jpg"});
    auto kept = group({"Downloads/Keep/c.jpg", "Downloads/c.jpg", "Pictures/c.jpg"});
    EXPECT_EQ(autoSelect(kept), (Names{"Downloads/c.jpg", "Pictures/c.jpg"}));
}

TEST_F(AutoSelectFixture, ListsAreIgnoredWhenEveryCopyIsInAnAlwaysFolder) {
    settings->setAutoAlwaysSelectFolders(std::vector<std::string>{abs("Downloads")});
    auto g = group({"Downloads/a/p copy.jpg", "Downloads/b/p.jpg"});
    EXPECT_EQ(contest(*g), Names{"Downloads/a/p copy.jpg"});
    EXPECT_EQ(autoSelect(g), Names{"Downloads/a/p copy.jpg"});
}

TEST_F(AutoSelectFixture, OneCopyInANeverFolderKeepsItAndSelectsEveryOtherWhateverTheNames) {
    settings->setAutoNeverSelectFolders(std::vector<std::string>{abs("Never")});
    auto g = group({"Never/photo copy.jpg", "x/photo.jpg", "y/photo copy 2.jpg"});
    // The preview runs the name contest alone: the Never copy loses it and still is not listed.
    auto preview = AutoSelectPreview::calculateNow({{g, g->getItems()}});
    ASSERT_EQ(preview.size(), 1u);
    ASSERT_EQ(preview[0].duplicateArray.size(), 1u);
    EXPECT_EQ(preview[0].duplicateArray[0]->getFileItemPath(), abs("y/photo copy 2.jpg"));
    EXPECT_EQ(autoSelect(g), (Names{"x/photo.jpg", "y/photo copy 2.jpg"}));
    // Two copies in Never folders and one elsewhere: only the outside one goes.
    auto two = group({"Never/a/d.jpg", "Never/b/d copy.jpg", "z/d.jpg"});
    EXPECT_EQ(autoSelect(two), Names{"z/d.jpg"});
    // Every copy in Never folders: nothing.
    auto all = group({"Never/c/e.jpg", "Never/d/e copy.jpg"});
    EXPECT_TRUE(autoSelect(all).empty());
}

TEST_F(AutoSelectFixture, FallbacksOldestThenLevelThenFirst) {
    // Equal names up to the root, different dates: the older copy stays.
    auto byDate = groupOfNodes({file("a/photo.jpg", 2000000000), file("b/photo.jpg", 1000000000)});
    EXPECT_EQ(autoSelect(byDate), Names{"a/photo.jpg"});
    // Several copies share the earliest date: those stay for the level rule, which keeps the shallower.
    auto byLevel = groupOfNodes({file("c/d/e/photo.jpg", 1000000000), file("f/photo.jpg", 1000000000),
                                 file("g/photo.jpg", 1500000000)});
    EXPECT_EQ(autoSelect(byLevel), (Names{"c/d/e/photo.jpg", "g/photo.jpg"}));
    // Equal dates and levels: the first copy in the group's order stays.
    auto byOrder = group({"h/photo.jpg", "i/photo.jpg", "j/photo.jpg"});
    EXPECT_EQ(autoSelect(byOrder), (Names{"i/photo.jpg", "j/photo.jpg"}));
    // Unrelated names: the fallbacks decide alone.
    auto unrelated = groupOfNodes({file("k/holiday.jpg", 1000000000), file("k/IMG_0001.jpg", 900000000)});
    EXPECT_EQ(autoSelect(unrelated), Names{"k/holiday.jpg"});
    // A Never copy among the fallbacks is never selected by them.
    expectEveryGroupKeepsACopy();
}

TEST_F(AutoSelectFixture, LastCopyRuleHoldsWhateverTheRulesSay) {
    settings->setAutoAlwaysSelectFolders(std::vector<std::string>{abs("Downloads")});
    // Every copy in an Always folder but one elsewhere that already is selected.
    auto g = group({"Downloads/a.jpg", "Downloads/b/a.jpg", "x/a.jpg"});
    ASSERT_TRUE(member(*g, "x/a.jpg")->selectItemForced(false));
    ASSERT_TRUE(member(*g, "Downloads/b/a.jpg")->selectItemForced(false));
    autoSelect(g);
    EXPECT_EQ(selected(*g).size(), 2u);
    expectEveryGroupKeepsACopy();
}

TEST_F(AutoSelectFixture, CommandReportsWhatHappened) {
    auto g = group({"a/photo.jpg", "b/photo copy.jpg"});
    AutoSelectCommandResult first = operations.performAutoSelectCommand(*container, {g}, true);
    EXPECT_TRUE(first.selectedSomething);
    EXPECT_EQ(first.countInRemoveList, 1);
    ASSERT_TRUE(first.message);
    EXPECT_EQ(first.message->message,
              "1 duplicate of 10.0 bytes was selected for removal.\nReview and confirm the selected file before removal.");
    EXPECT_EQ(first.message->buttons, (Names{"Review & Remove", "OK"}));

    // Again: nothing new.
    AutoSelectCommandResult again = operations.performAutoSelectCommand(*container, {g}, true);
    EXPECT_FALSE(again.selectedSomething);
    ASSERT_TRUE(again.message);
    EXPECT_EQ(again.message->message, "No duplicates were selected");
    EXPECT_EQ(again.message->informativeText, "All duplicate files were selected before.");

    // Not from the button: no summary.
    auto other = group({"c/x.jpg", "d/x copy.jpg"});
    EXPECT_FALSE(operations.performAutoSelectCommand(*container, {other}, false).message);

    // Nothing selected because of the Never list.
    settings->setAutoNeverSelectFolders(std::vector<std::string>{abs("n")});
    auto never = group({"n/k.jpg", "o/k.jpg"});
    operations.performAutoSelectCommand(*container, {never}, true);
    AutoSelectCommandResult blocked = operations.performAutoSelectCommand(*container, {never}, true);
    EXPECT_TRUE(blocked.neverSelectListWasUsed);
    ASSERT_TRUE(blocked.message);
    EXPECT_EQ(blocked.message->buttons, (Names{"OK", "Show Never Select List"}));

    // The summary follows the setting and counts in the plural.
    settings->setShowAutoSelectMessage(false);
    auto more = group({"e/y.jpg", "f/y copy.jpg", "g/y copy 2.jpg"});
    AutoSelectCommandResult quiet = operations.performAutoSelectCommand(*container, {more}, true);
    EXPECT_TRUE(quiet.selectedSomething);
    EXPECT_FALSE(quiet.message);
}

TEST_F(AutoSelectFixture, EntryPointAddsFoldersForThisRunOnly) {
    auto a = group({"Keep/a.jpg", "x/a.jpg"});
    auto b = group({"Take/b.jpg", "y/b.jpg"});
    auto c = group({"z/c copy.jpg", "w/c.jpg"});
    AutoSelectCommandResult result =
        OperationsManager::autoSelectAllGroupsOfContainer(*container, {abs("Take")}, {abs("Keep")});
    EXPECT_EQ(selected(*a), Names{"x/a.jpg"});
    EXPECT_EQ(selected(*b), Names{"Take/b.jpg"});
    EXPECT_EQ(selected(*c), Names{"z/c copy.jpg"});
    EXPECT_EQ(result.countInRemoveList, 3);
    EXPECT_TRUE(settings->autoAlwaysSelectFolders().empty());
    EXPECT_TRUE(settings->autoNeverSelectFolders().empty());
}

TEST_F(AutoSelectFixture, FolderListsInPreferences) {
    EXPECT_TRUE(AutoSelectManager::addFolderToAlwaysSelectList(true, "/x/A"));
    EXPECT_FALSE(AutoSelectManager::addFolderToAlwaysSelectList(true, "/x/A"));
    EXPECT_TRUE(AutoSelectManager::addFolderToAlwaysSelectList(false, "/x/B"));
    EXPECT_FALSE(AutoSelectManager::questionBeforeSavingFolderList({"/x/A", "/x/C"}, true));
    auto question = AutoSelectManager::questionBeforeSavingFolderList({"/x/B", ""}, true);
    ASSERT_TRUE(question);
    EXPECT_EQ(question->message, "This folder already added to Never Select list");
    EXPECT_EQ(question->informativeText,
              "Do you want to remove this folder from Never Select list and add it to Always Select list?");
    AutoSelectManager::saveFolderList({"/x/A", "", "/x/B"}, true, true);
    EXPECT_EQ(settings->autoAlwaysSelectFolders(), (Names{"/x/A", "/x/B"}));
    EXPECT_TRUE(settings->autoNeverSelectFolders().empty());
}
