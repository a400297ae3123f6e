// The results window's choosing without widgets: the last-copy rule answered with its tip or its
// confirmation, one view update per command, the Auto Select messages with their settings and the
// Review & Remove entry point, the preview's counts, and commands that take copies out of the results
// waiting for the preview.
#include <gtest/gtest.h>

#include <deque>

#include "app/SelectionController.h"
#include "platform/Dispatch.h"
#include "selection/AutoSelectPreview.h"
#include "settings/AppNotification.h"
#include "selection/SelectionFixture.h"

namespace {

// Records what the controller asks of the window and answers questions from a script.
class FakeSelectionView : public SelectionControllerView {
public:
    SelectionAnswer askSelection(const SelectionQuestion& question) override {
        questions.push_back(question);
        if (answers.empty()) return {};
        SelectionAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    void showRefusalTip(const std::string& tip) override { tips.push_back(tip); }
    void selectionChanged() override { ++selectionChanges; }
    void resultsChanged() override { ++resultsChanges; }
    void previewChanged() override { ++previewChanges; }

    std::vector<SelectionQuestion> questions;
    std::deque<SelectionAnswer> answers;
    std::vector<std::string> tips;
    int selectionChanges = 0;
    int resultsChanges = 0;
    int previewChanges = 0;
};

class SelectionControllerTest : public SelectionFixture {
protected:
    void TearDown() override {
        // The preview reads the settings on its worker: it must be in before they go.
        if (controller) {
            EXPECT_TRUE(runMainLoopUntil([&] { return !controller->preview().running; }));
        }
        controller.reset();
        drainMainLoop();
        SelectionFixture::TearDown();
    }
    void start() {
        controller = std::make_unique<SelectionController>(view);
        controller->setContainer(container);
    }
    void waitForPreview() { ASSERT_TRUE(runMainLoopUntil([&] { return controller->preview().ready; })); }

    FakeSelectionView view;
    std::unique_ptr<SelectionController> controller;
};

TEST_F(SelectionControllerTest, TheLastCopyIsRefusedWithItsTipAndConfirmedOnceAllowed) {
    auto g = group({"a/photo.jpg", "b/photo.jpg"});
    start();
    auto first = member(*g, "a/photo.jpg");
    auto last = member(*g, "b/photo.jpg");

    EXPECT_TRUE(controller->toggleMember(*first));
    EXPECT_EQ(view.selectionChanges, 1);
    EXPECT_EQ(controller->tipFor(*last), OperationsManager::lastCopyTip(*last, false));

    // Without the permission: nothing selected, and the tip says why.
    EXPECT_FALSE(controller->toggleMember(*last));
    ASSERT_EQ(view.tips.size(), 1u);
    EXPECT_EQ(view.tips[0], "This file is the last unselected copy of duplicates. If you want to select all copies "
                            "change the option in Preferences.");
    EXPECT_TRUE(view.questions.empty());

    // The switch beside the tip stores the permission and has every check box read again.
    controller->setAllowRemovingAllCopies(true);
    EXPECT_TRUE(settings->allowRemovingAllDuplicateCopies());
    EXPECT_EQ(view.selectionChanges, 2);
    EXPECT_EQ(controller->tipFor(*last), "");

    // With it: the confirmation; Cancel selects nothing and keeps asking, even with its box ticked.
    view.answers.push_back({1, true});
    EXPECT_FALSE(controller->toggleMember(*last));
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0].message, "Attention");
    EXPECT_EQ(view.questions[0].informativeText, "All copies of the file \"photo.jpg\" will be selected for removal.");
    EXPECT_EQ(view.questions[0].buttons, (std::vector<std::string>{"OK", "Cancel"}));
    EXPECT_EQ(view.questions[0].suppressionText, "Do not show this message again");
    EXPECT_TRUE(settings->showRemoveLastInCategoriesMessage());

    view.answers.push_back({0, true});
    EXPECT_TRUE(controller->toggleMember(*last));
    EXPECT_FALSE(settings->showRemoveLastInCategoriesMessage());
    EXPECT_TRUE(g->isAllItemsSelected());

    // Confirmation off: the last copy is ticked at once.
    EXPECT_FALSE(controller->toggleMember(*last));
    EXPECT_TRUE(controller->toggleMember(*last));
    EXPECT_EQ(view.questions.size(), 2u);
    EXPECT_EQ(view.tips.size(), 1u);
}

TEST_F(SelectionControllerTest, ACopyInsideADuplicateFolderIsRefusedWithAReasonToo) {
    auto g = group({"a/photo.jpg", "b/photo.jpg", "c/photo.jpg"});
    auto folders = groupOfNodes({folderAt("b"), folderAt("x")});
    member(*g, "b/photo.jpg")->updateAssociatedDuplicateFolderTo(member(*folders, "b").get());
    start();
    EXPECT_FALSE(controller->toggleMember(*member(*g, "b/photo.jpg")));
    ASSERT_EQ(view.tips.size(), 1u);
    EXPECT_EQ(view.tips[0], "This copy lies inside the duplicate folder \"b\" and is selected together with it.");
}

TEST_F(SelectionControllerTest, EachMenuCommandIsOneUpdateOfTheView) {
    auto photos = group({"trip/photo.jpg", "old/photo.jpg", "backup/photo.jpg"});
    auto notes = group({"trip/notes.txt", "old/notes.txt"});
    auto song = group({"trip/song.mp3", "music/song.mp3"});
    start();
    auto updates = [&](auto command) {
        const int before = view.selectionChanges;
        command();
        return view.selectionChanges - before;
    };

    EXPECT_EQ(updates([&] { controller->keepInFolder(abs("trip")); }), 1);
    EXPECT_EQ(selected(*photos), (std::vector<std::string>{"backup/photo.jpg", "old/photo.jpg"}));
    EXPECT_EQ(selected(*notes), (std::vector<std::string>{"old/notes.txt"}));
    EXPECT_EQ(selected(*song), (std::vector<std::string>{"music/song.mp3"}));

    EXPECT_EQ(updates([&] { controller->deselectInFolder(abs("old")); }), 1);
    EXPECT_EQ(selected(*photos), (std::vector<std::string>{"backup/photo.jpg"}));
    EXPECT_TRUE(selected(*notes).empty());

    EXPECT_EQ(updates([&] { controller->selectAllInFolder(abs("trip")); }), 1);
    EXPECT_EQ(selected(*notes), (std::vector<std::string>{"trip/notes.txt"}));
    expectEveryGroupKeepsACopy();

    EXPECT_EQ(updates([&] { controller->keepOnlyThisCopy(*member(*photos, "old/photo.jpg")); }), 1);
    EXPECT_EQ(selected(*photos), (std::vector<std::string>{"backup/photo.jpg", "trip/photo.jpg"}));

    EXPECT_EQ(updates([&] { controller->deselectAll(container->getAllFilesGroups()); }), 1);
    EXPECT_EQ(controller->totals().count, 0);
    EXPECT_EQ(updates([&] { controller->selectNewest({photos}); }), 1);
    EXPECT_EQ(updates([&] { controller->selectOldest({photos}); }), 1);
    EXPECT_EQ(view.resultsChanges, 0);

    // The totals count what the categories' bars count: here two copies of ten bytes.
    controller->keepOnlyThisCopy(*member(*notes, "old/notes.txt"));
    controller->keepOnlyThisCopy(*member(*song, "music/song.mp3"));
    controller->deselectAll({photos});
    EXPECT_EQ(controller->totals().count, 2);
    EXPECT_EQ(controller->totals().size, 20);
    EXPECT_EQ(controller->totals().text(), "2 copies selected \u00b7 20 B of 70 B");
}

TEST_F(SelectionControllerTest, AutoSelectAsksItsMessagesAndReviewAndRemoveRunsTheOneEntryPoint) {
    auto photos = group({"a/photo.jpg", "b/photo copy.jpg"});
    auto notes = group({"a/notes.txt", "b/notes copy.txt", "c/notes copy 2.txt"});
    start();
    int reviews = 0;
    controller->setReviewAndRemove([&] { ++reviews; });

    view.answers.push_back({0, false});  // Review & Remove
    AutoSelectCommandResult result = controller->autoSelect(container->getAllFilesGroups(), true);
    EXPECT_EQ(result.countInRemoveList, 3);
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0].message,
              "3 duplicates of 30 B were selected for removal.\nReview and confirm the selected files before "
              "removal.");
    EXPECT_EQ(view.questions[0].buttons, (std::vector<std::string>{"Review & Remove", "OK"}));
    EXPECT_EQ(view.questions[0].suppressionText, "Do not show this message again");
    EXPECT_EQ(reviews, 1);
    EXPECT_EQ(selected(*notes), (std::vector<std::string>{"b/notes copy.txt", "c/notes copy 2.txt"}));
    EXPECT_EQ(controller->totals().count, 3);
    EXPECT_EQ(SelectionController::autoSelectSummary(1, 4300000),
              "1 duplicate of 4.1 MiB was selected for removal.\nReview and confirm the selected file before removal.");

    // Nothing new to select: the other message, with its own setting.
    view.answers.push_back({0, true});
    controller->autoSelect(container->getAllFilesGroups(), true);
    ASSERT_EQ(view.questions.size(), 2u);
    EXPECT_EQ(view.questions[1].message, "No duplicates were selected");
    EXPECT_EQ(view.questions[1].informativeText, "All duplicate files were selected before.");
    EXPECT_FALSE(settings->showAutoSelectMessageThatSelectionNotChanged());
    controller->autoSelect(container->getAllFilesGroups(), true);
    EXPECT_EQ(view.questions.size(), 2u);

    // The summary's box switches the summary off; OK does not review.
    controller->deselectAll(container->getAllFilesGroups());
    view.answers.push_back({1, true});
    controller->autoSelect(container->getAllFilesGroups(), true);
    EXPECT_EQ(view.questions.size(), 3u);
    EXPECT_EQ(reviews, 1);
    EXPECT_FALSE(settings->showAutoSelectMessage());
    controller->deselectAll(container->getAllFilesGroups());
    controller->autoSelect(container->getAllFilesGroups(), true);
    EXPECT_EQ(view.questions.size(), 3u);
    EXPECT_EQ(controller->totals().count, 3);

    // From a group's menu there is no summary.
    settings->setShowAutoSelectMessage(true);
    controller->deselectAll({photos});
    controller->autoSelect({photos}, false);
    EXPECT_EQ(view.questions.size(), 3u);
    EXPECT_EQ(selected(*photos), (std::vector<std::string>{"b/photo copy.jpg"}));
}

TEST_F(SelectionControllerTest, ThePreviewCountsWhatAutoSelectWouldChooseByNameWithoutSelecting) {
    group({"a/photo.jpg", "b/photo copy.jpg"});
    group({"a/notes.txt", "b/notes copy.txt", "c/notes copy 2.txt"});
    group({"a/holiday.jpg", "b/IMG_0001.jpg"});  // names decide nothing here
    start();
    EXPECT_TRUE(controller->preview().running);
    EXPECT_EQ(controller->previewText(), "Auto Select preview: looking at the names\u2026");
    waitForPreview();
    EXPECT_EQ(controller->preview().groups, 2);
    EXPECT_EQ(controller->preview().copies, 3);
    EXPECT_EQ(controller->preview().size, 30u);
    EXPECT_EQ(controller->previewText(), "Auto Select preview: 3 copies \u00b7 30 B by their names and folders");
    EXPECT_EQ(view.previewChanges, 2);
    EXPECT_EQ(controller->totals().count, 0);
}

TEST_F(SelectionControllerTest, TakingCopiesOutWaitsForThePreviewAndIsOneUpdate) {
    auto photos = group({"trip/photo.jpg", "old/photo.jpg"});
    auto notes = group({"trip/notes.txt", "old/notes.txt", "backup/notes.txt"});
    start();
    ASSERT_TRUE(controller->preview().running);
    EXPECT_FALSE(controller->canChangeResults());
    EXPECT_FALSE(controller->excludeFolder(abs("old")));
    EXPECT_EQ(container->getAllFilesGroups().size(), 2u);
    waitForPreview();

    controller->keepOnlyThisCopy(*member(*notes, "trip/notes.txt"));
    const int selectionChanges = view.selectionChanges;
    ASSERT_TRUE(controller->excludeFolder(abs("old")));
    EXPECT_EQ(view.resultsChanges, 1);
    EXPECT_EQ(view.selectionChanges, selectionChanges);
    // The pair lost a copy and left; the other group lost one.
    ASSERT_EQ(container->getAllFilesGroups().size(), 1u);
    EXPECT_EQ(container->getAllFilesGroups()[0], notes);
    EXPECT_EQ(notes->getTotalCount(), 2);
    const auto skipped = settings->excludeFolders();
    EXPECT_NE(std::find(skipped.begin(), skipped.end(), abs("old")), skipped.end());
    // The preview starts again over what is left.
    EXPECT_TRUE(controller->preview().running);
    waitForPreview();

    ASSERT_TRUE(controller->removeGroup(*notes));
    EXPECT_TRUE(container->getAllFilesGroups().empty());
    EXPECT_EQ(controller->totals().count, 0);
    EXPECT_EQ(view.resultsChanges, 2);
    (void)photos;
}

TEST_F(SelectionControllerTest, HeldPreviewsStartNoneUntilTheHoldEndsAndThenOne) {
    auto photos = group({"trip/photo.jpg", "old/photo copy.jpg"});
    auto notes = group({"trip/notes.txt", "old/notes.txt", "backup/notes.txt"});
    start();
    waitForPreview();
    controller->holdPreviews(true);
    EXPECT_FALSE(controller->canChangeResults());
    EXPECT_FALSE(controller->removeGroup(*notes));

    // A removal's changes are answered (the lists are read again) but start no preview.
    AppNotification::CreateDuplicatesContainerDataChangedNotification();
    AppNotification::CreateDuplicatesContainerDataChangedNotification();
    drainMainLoop();
    EXPECT_EQ(view.resultsChanges, 1);
    EXPECT_EQ(AutoSelectPreview::countInFlight(), 0);
    EXPECT_FALSE(controller->preview().running);
    EXPECT_FALSE(controller->preview().ready);
    EXPECT_EQ(controller->previewText(), "");

    // The run's last notice is still on its way when the hold ends: the one preview covers it.
    dispatch::main().async([] { AppNotification::CreateDuplicatesContainerDataChangedNotification(); });
    controller->holdPreviews(false);
    EXPECT_TRUE(controller->preview().running);
    EXPECT_EQ(AutoSelectPreview::countInFlight(), 1);
    waitForPreview();
    drainMainLoop();
    EXPECT_EQ(AutoSelectPreview::countInFlight(), 0);
    EXPECT_EQ(view.resultsChanges, 1);
    EXPECT_TRUE(controller->preview().ready);
    EXPECT_TRUE(controller->canChangeResults());

    // Without any change meanwhile, a hold ends with the preview it found.
    controller->holdPreviews(true);
    controller->holdPreviews(false);
    EXPECT_TRUE(controller->preview().ready);
    EXPECT_EQ(AutoSelectPreview::countInFlight(), 0);
    (void)photos;
}
}  // namespace
