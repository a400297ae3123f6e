// The merge dialog's logic without widgets: rows of both sides, direction and options planning anew,
// the counts, the run's states, and the question after a successful merge.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/FolderEntry.h"
#include "app/MergeSession.h"
#include "operations/MergeFixture.h"
#include "results/DuplicatesHeap.h"

namespace fs = std::filesystem;

namespace {
struct FakeMergeView : MergeSessionView {
    void planChanged() override { ++plans; }
    void progressChanged() override { ++progress; }
    void stateChanged() override { states.push_back(session ? session->state() : MergeWindowState::Preview); }
    WindowAnswer ask(const WindowQuestion& q) override {
        questions.push_back(q.message + " / " + q.informativeText);
        return {answer, false};
    }
    MergeSession* session = nullptr;
    int plans = 0, progress = 0;
    std::vector<MergeWindowState> states;
    std::vector<std::string> questions;
    bool answer = true;
};

std::vector<std::string> texts(const std::vector<MergeRow>& rows) {
    std::vector<std::string> out;
    for (const auto& r : rows) out.push_back((r.isGroup ? "# " : "") + r.text + (r.status.empty() ? "" : " | " + r.status));
    return out;
}
}  // namespace

using MergeSessionTest = MergeFixture;

TEST_F(MergeSessionTest, BothSidesAreGroupedAndEveryChangePlansAnew) {
    write("photos/a.jpg", std::string(5000, 'a'));
    write("photos/b.jpg", std::string(5000, 'b'));
    write("photos/c.jpg", std::string(5000, 'c'));
    write("backup/a.jpg", std::string(5000, 'a'));
    write("backup/b copy.jpg", std::string(5000, 'b'));
    write("backup/d.jpg", std::string(3000, 'd'));
    ASSERT_TRUE(scan());
    // A heap of the results opens a session.
    const auto pairs = MergeManager::folderPairs(*container);
    ASSERT_EQ(pairs.size(), 1u);
    FolderEntry heapEntry;
    heapEntry.heap = pairs.front();
    FakeMergeView view;
    EXPECT_TRUE(MergeSession::forEntry(container, heapEntry, view));
    EXPECT_FALSE(MergeSession::forEntry(container, FolderEntry{}, view));

    MergeSession session(container, MergeManager::dataForFolders(*container, path("photos"), path("backup")), view);
    view.session = &session;
    EXPECT_EQ(session.leftTitle(), "photos (source)");
    EXPECT_EQ(session.rightTitle(), "backup (destination)");
    EXPECT_EQ(texts(session.leftRows()),
              (std::vector<std::string>{"# Unique Files", "c.jpg | will be moved", "# Duplicate Files", "a.jpg", "b.jpg"}));
    EXPECT_EQ(texts(session.rightRows()),
              (std::vector<std::string>{"# Unique Files", "d.jpg", "# Duplicate Files", "a.jpg", "b copy.jpg"}));
    EXPECT_EQ(session.countsText(), "1 file, 4.9 KiB");
    EXPECT_TRUE(session.canMerge());

    const int plansBefore = view.plans;
    session.setMergeDuplicatesWithDifferentNames(true);
    session.setAction(MergeAction::Copy);
    EXPECT_EQ(texts(session.leftRows())[4], "b.jpg | will be copied");
    EXPECT_EQ(session.descriptionText(), "2 files from \"photos\" will be copied to \"backup\".\n"
                                         "You can customize Merge using the options below or changing direction.");
    session.flipDirection();
    EXPECT_EQ(session.leftTitle(), "photos (destination)");
    EXPECT_EQ(texts(session.rightRows())[1], "d.jpg | will be copied");
    EXPECT_EQ(texts(session.rightRows())[4], "b copy.jpg | will be copied");
    session.setColorTag(9);
    EXPECT_EQ(session.options().colorTag, 0);
    EXPECT_GE(view.plans - plansBefore, 4);
}

TEST_F(MergeSessionTest, ARunGoesThroughItsStatesAndAsksToReviewTheFoldersAfterwards) {
    write("A/shared.txt", "shared");
    write("A/mine.txt", "mine");
    write("B/shared.txt", "shared");
    ASSERT_TRUE(scan());
    FakeMergeView view;
    MergeSession session(container, MergeManager::dataForFolders(*container, path("A"), path("B")), view);
    view.session = &session;
    std::vector<std::string> reviewed;
    session.setReviewHandler([&](const std::vector<std::string>& folders) { reviewed = folders; });
    session.setAction(MergeAction::Copy);
    session.merge();
    EXPECT_EQ(session.state(), MergeWindowState::Perform);
    // Options cannot change while it runs.
    session.setAction(MergeAction::Move);
    EXPECT_EQ(session.options().action, MergeAction::Copy);
    ASSERT_TRUE(runMainLoopUntil([&] { return session.state() == MergeWindowState::ViewResult; }));
    EXPECT_EQ(view.states, (std::vector<MergeWindowState>{MergeWindowState::Perform, MergeWindowState::ViewResult}));
    EXPECT_EQ(read(path("B/mine.txt")), "mine");
    EXPECT_EQ(session.countsText(), "1 file copied");
    EXPECT_EQ(texts(session.leftRows())[1], "mine.txt | copied");
    EXPECT_DOUBLE_EQ(session.progress(), 1.0);
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0], std::string(MergeSession::kMergedQuestion) + " / " + MergeSession::kMergedQuestionText);
    EXPECT_EQ(reviewed, (std::vector<std::string>{path("A"), path("B")}));
    EXPECT_FALSE(session.canMerge());
}

TEST_F(MergeSessionTest, AFailedItemShowsItsReasonAndTheSourceIsKept) {
    write("A/shared.txt", "shared");
    write("A/mine.txt", "mine");
    write("B/shared.txt", "shared");
    ASSERT_TRUE(scan());
    FakeMergeView view;
    MergeSession session(container, MergeManager::dataForFolders(*container, path("A"), path("B")), view);
    session.setRemoveSourceFolder(true);
    write("B/mine.txt", "taken meanwhile");
    session.merge();
    ASSERT_TRUE(runMainLoopUntil([&] { return session.state() == MergeWindowState::ViewResult; }));
    EXPECT_EQ(texts(session.leftRows())[1], "mine.txt | failed: " + path("B/mine.txt") + ": File exists");
    EXPECT_EQ(session.countsText(), "0 files moved, 1 failed; \"A\" kept: not every file was merged");
    EXPECT_TRUE(view.questions.empty());
    EXPECT_TRUE(fs::exists(path("A/mine.txt")));
}
