// A removal and the background readers of the results (the Auto Select preview, the heaps of the
// Folders view): Remove Selected waits, showing so, while one still reads; none starts while a removal
// runs; each is made once when it is over. The background pool is held through its own queue, so what
// was started meanwhile is seen still waiting there.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "app/FoldersOverview.h"
#include "app/RemovalFlow.h"
#include "app/SelectionController.h"
#include "app/WindowController.h"
#include "gui/MainWindow.h"
#include "gui/NotRemovedDialog.h"
#include "gui/RemovalDialogs.h"
#include "gui/RemovalQuestionDialog.h"
#include "gui/ResultsView.h"
#include "gui/SelectionBar.h"
#include "gui/WelcomeView.h"
#include "platform/Dispatch.h"
#include "platform/ThreadPool.h"
#include "removal/RemovalFixture.h"
#include "results/DuplicatesCategory.h"
#include "selection/AutoSelectPreview.h"

namespace {
using namespace std::chrono_literals;
namespace stdfs = std::filesystem;

constexpr int kFoldersType = 6;

// Occupies every thread of the background pool until released: work queued meanwhile waits in it.
class PoolHold {
public:
    PoolHold() : m_pState(std::make_shared<State>()) {
        ThreadPool& pool = dispatch::background();
        const int threads = pool.threadCount();
        for (int i = 0; i < threads; ++i)
            pool.async([state = m_pState] {
                std::unique_lock lock(state->mutex);
                ++state->held;
                state->changed.notify_all();
                state->changed.wait(lock, [&] { return state->released; });
            });
        std::unique_lock lock(m_pState->mutex);
        m_pState->changed.wait(lock, [&] { return m_pState->held == threads; });
    }
    ~PoolHold() { release(); }
    PoolHold(const PoolHold&) = delete;
    PoolHold& operator=(const PoolHold&) = delete;

    void release() {
        std::lock_guard lock(m_pState->mutex);
        m_pState->released = true;
        m_pState->changed.notify_all();
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        int held = 0;
        bool released = false;
    };
    std::shared_ptr<State> m_pState;
};

class RemovalReadersTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings::setStandard(std::make_shared<Settings>(""));
        Settings::standard().setMoveCleanedDuplicatesToTheTrashCan(true);
        Settings::standard().setDefineMinimalDuplicatesFileSizeAutomatically(false);
        Settings::standard().setDefineMinimalDuplicatesFileSizeAsZero(true);
        // Three folders share a photo, two a song; each holds something of its own besides.
        dir.writePatternFile("tree/photos/beach.jpg", 60000, 1);
        dir.writePatternFile("tree/phone/beach.jpg", 60000, 1);
        dir.writePatternFile("tree/old/beach copy.jpg", 60000, 1);
        dir.writePatternFile("tree/a/song.flac", 40000, 31);
        dir.writePatternFile("tree/b/song.flac", 40000, 31);
        dir.writePatternFile("tree/junk/notes.txt", 7000, 41);
        dir.writePatternFile("tree/junk2/notes.txt", 7000, 41);
        dir.writePatternFile("tree/photos/sunset.jpg", 50000, 5);
        dir.writePatternFile("tree/phone/call.txt", 5000, 6);
        dir.writePatternFile("tree/old/2019.txt", 5000, 7);
        dir.writePatternFile("tree/a/own.txt", 3000, 32);
        dir.writePatternFile("tree/b/own.txt", 3100, 33);
        dir.writePatternFile("tree/junk/own.txt", 3200, 42);
        dir.writePatternFile("tree/junk2/own.txt", 3300, 43);
    }
    void TearDown() override {
        if (window) {
            EXPECT_TRUE(runMainLoopUntil([&] { return !readersRunning(); }));
        }
        window.reset();
        drainMainLoop();
        FileSystem::setStandard(nullptr);
        Trash::setStandard(nullptr);
        Settings::setStandard(nullptr);
    }

    static bool readersRunning() { return AutoSelectPreview::countInFlight() > 0 || FoldersOverview::heapsInFlight() > 0; }

    void scan() {
        window = std::make_unique<MainWindow>();
        window->controller().setDelays(0ms, 0ms);
        window->show();
        ASSERT_TRUE(window->controller().addFolder(dir / "tree"));
        QTest::mouseClick(window->welcomeView()->scanButton(), Qt::LeftButton);
        ASSERT_TRUE(runMainLoopUntil([&] { return window->controller().screen() == WindowScreen::Results; }, 120000ms));
        ASSERT_TRUE(runMainLoopUntil([&] { return selection().preview().ready && !readersRunning(); }));
    }
    // Every copy but the first of each file group; answers how many were selected.
    std::size_t selectAllButFirst() {
        std::size_t count = 0;
        for (int type = 0; type < kFoldersType; ++type)
            for (const auto& group : window->controller().container()->getCategoryWithType(type)->getGroups()) {
                const auto members = group->getItems();
                for (std::size_t i = 1; i < members.size(); ++i) count += group->selectItem(members[i].get(), false);
            }
        return count;
    }
    SelectionController& selection() { return window->resultsView()->selectionBar()->controller(); }
    RemovalDialogs& dialogs() { return window->removalDialogs(); }
    QAction* removeAction() { return window->removeSelectedAction(); }
    bool questionShown() { return dialogs().question() && dialogs().question()->isVisible(); }
    RemovalQuestionDialog* waitForQuestion(const char* button) {
        EXPECT_TRUE(runMainLoopUntil([&] { return questionShown() && dialogs().question()->button(button); }));
        return dialogs().question();
    }

    TempDir dir;
    std::unique_ptr<MainWindow> window;
};
}  // namespace

TEST_F(RemovalReadersTest, RemoveSelectedWaitsUntilThePreviewAndTheHeapsAreIn) {
    scan();
    ASSERT_EQ(selectAllButFirst(), 4u);

    // Add to Skip List starts the preview of what is left; the held pool keeps it from finishing.
    auto pool = std::make_unique<PoolHold>();
    ASSERT_TRUE(selection().excludeFolder(dir / "tree/junk2"));
    ASSERT_EQ(AutoSelectPreview::countInFlight(), 1);
    ASSERT_TRUE(selection().preview().running);

    removeAction()->trigger();
    drainMainLoop();
    EXPECT_FALSE(dialogs().question());
    EXPECT_TRUE(window->controller().removalWaiting());
    EXPECT_EQ(removeAction()->text(), "Waiting to Remove…");
    EXPECT_FALSE(removeAction()->isEnabled());
    // Nothing that takes copies out of the results runs meanwhile, and no new reader starts.
    EXPECT_FALSE(selection().canChangeResults());
    EXPECT_FALSE(selection().excludeFolder(dir / "tree/junk"));
    window->resultsView()->chooseCategoryType(kFoldersType);
    EXPECT_EQ(FoldersOverview::heapsInFlight(), 0);
    // Ctrl+Delete again, and Review & Remove, wait with it: one question comes.
    window->controller().removeSelected();
    QTest::keyClick(window.get(), Qt::Key_Delete, Qt::ControlModifier);
    drainMainLoop();
    EXPECT_FALSE(dialogs().question());

    pool->release();
    RemovalQuestionDialog* confirm = waitForQuestion("Move to Trash");
    ASSERT_TRUE(confirm);
    EXPECT_EQ(confirm->title(), "Move 3 copies to the Trash?");
    EXPECT_TRUE(selection().preview().ready);
    EXPECT_FALSE(window->controller().removalWaiting());
    EXPECT_EQ(removeAction()->text(), "Remove Selected…");
    // While the question is open the results stay held; the heaps of the Folders view wait too.
    EXPECT_TRUE(window->controller().resultsHeld());
    EXPECT_EQ(FoldersOverview::heapsInFlight(), 0);
    pool = std::make_unique<PoolHold>();
    QTest::mouseClick(confirm->button("Cancel"), Qt::LeftButton);
    ASSERT_TRUE(runMainLoopUntil([&] { return !window->controller().resultsHeld(); }));
    EXPECT_TRUE(removeAction()->isEnabled());
    // The heaps asked for while held are computed now, once.
    EXPECT_EQ(FoldersOverview::heapsInFlight(), 1);
    EXPECT_EQ(AutoSelectPreview::countInFlight(), 0);
    pool.reset();
    EXPECT_TRUE(runMainLoopUntil([&] { return !readersRunning(); }));
    EXPECT_TRUE(stdfs::exists(dir / "tree/b/song.flac"));
}

TEST_F(RemovalReadersTest, TheFoldersViewsHeapsHoldARemovalBackToo) {
    scan();
    ASSERT_EQ(selectAllButFirst(), 4u);
    auto pool = std::make_unique<PoolHold>();
    window->resultsView()->chooseCategoryType(kFoldersType);
    ASSERT_EQ(FoldersOverview::heapsInFlight(), 1);
    // Read again, the Folders view makes a new overview; the heaps of the one gone still hold the
    // removal back with the new ones.
    window->resultsView()->refreshAfterRemoval();
    ASSERT_EQ(FoldersOverview::heapsInFlight(), 2);
    // Remove Group from Results and Add to Skip List are refused meanwhile.
    EXPECT_FALSE(selection().canChangeResults());
    EXPECT_FALSE(selection().excludeFolder(dir / "tree/junk2"));
    window->controller().removeSelected();
    drainMainLoop();
    EXPECT_FALSE(dialogs().question());
    EXPECT_TRUE(window->controller().removalWaiting());
    pool->release();
    RemovalQuestionDialog* confirm = waitForQuestion("Move to Trash");
    ASSERT_TRUE(confirm);
    QTest::mouseClick(confirm->button("Cancel"), Qt::LeftButton);
    EXPECT_TRUE(runMainLoopUntil([&] { return !window->controller().resultsHeld(); }));
}

TEST_F(RemovalReadersTest, NoReaderStartsWhileCopiesLeaveTheResultsAndEachIsMadeOnceAfterwards) {
    // The locked copy stops the run at its question, after the other copies left the results.
    auto fs = std::make_shared<FakeFileSystem>();
    auto trash = std::make_shared<FakeTrash>();
    fs->locked.insert(dir / "tree/phone/beach.jpg");
    trash->failing.insert(dir / "tree/phone/beach.jpg");
    FileSystem::setStandard(fs);
    Trash::setStandard(trash);
    scan();
    window->resultsView()->chooseCategoryType(kFoldersType);
    ASSERT_TRUE(runMainLoopUntil([&] { return !readersRunning(); }));
    ASSERT_EQ(selectAllButFirst(), 4u);

    window->resultsView()->removeSelected();
    RemovalQuestionDialog* confirm = waitForQuestion("Move to Trash");
    ASSERT_TRUE(confirm);
    // Whatever starts on the pool from here on waits there, to be counted.
    PoolHold pool;
    QTest::mouseClick(confirm->button("Move to Trash"), Qt::LeftButton);
    RemovalQuestionDialog* locked = waitForQuestion("Confirm");
    ASSERT_TRUE(locked);
    ASSERT_TRUE(window->controller().removal()->isRunning());
    drainMainLoop();
    EXPECT_FALSE(stdfs::exists(dir / "tree/b/song.flac"));
    EXPECT_EQ(AutoSelectPreview::countInFlight(), 0);
    EXPECT_EQ(FoldersOverview::heapsInFlight(), 0);
    EXPECT_FALSE(selection().preview().running);
    EXPECT_FALSE(selection().canChangeResults());

    QTest::mouseClick(locked->button("Cancel"), Qt::LeftButton);
    ASSERT_TRUE(runMainLoopUntil([&] { return dialogs().notRemovedReport() != nullptr; }));
    ASSERT_TRUE(runMainLoopUntil([&] { return !window->controller().resultsHeld(); }));
    drainMainLoop();
    EXPECT_EQ(AutoSelectPreview::countInFlight(), 1);
    EXPECT_EQ(FoldersOverview::heapsInFlight(), 1);
    EXPECT_TRUE(selection().preview().running);
    pool.release();
    ASSERT_TRUE(runMainLoopUntil([&] { return selection().preview().ready && !readersRunning(); }));
    dialogs().notRemovedReport()->accept();
}
