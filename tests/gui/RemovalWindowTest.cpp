// Removing from the window: Remove Selected on scanned results, the confirmation, the progress sheet and
// its Stop, a locked copy's question with Read More, and the report of what stayed with Show in Folder.
// The Trash is the test home's; failures come through the platform seams.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <unistd.h>

#include <filesystem>
#include <set>

#include "app/RemovalFlow.h"
#include "app/WindowController.h"
#include "gui/DesktopActions.h"
#include "gui/GroupsModel.h"
#include "gui/MainWindow.h"
#include "gui/NotRemovedDialog.h"
#include "gui/RemovalDialogs.h"
#include "gui/RemovalProgressSheet.h"
#include "gui/RemovalQuestionDialog.h"
#include "gui/ResultsView.h"
#include "gui/WelcomeView.h"
#include "history/LogManager.h"
#include "history/VXLog.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProcessRights.h"
#include "platform/UserPaths.h"
#include "removal/RemovalFixture.h"
#include "results/DuplicatesCategory.h"

namespace {
using namespace std::chrono_literals;
namespace stdfs = std::filesystem;

// Holds every move to the Trash until released.
class HoldingTrash : public Trash {
public:
    TrashResult moveToTrashAt(const FolderHandle& parent, const std::string& name, const std::string& path) override {
        ++started;
        {
            std::unique_lock lock(mutex);
            released.wait(lock, [this] { return !hold; });
        }
        return real.moveToTrashAt(parent, name, path);
    }
    TrashResult trashFolderFor(const std::string& path) override { return real.trashFolderFor(path); }
    void release() {
        {
            std::lock_guard lock(mutex);
            hold = false;
        }
        released.notify_all();
    }
    std::atomic<int> started{0};
    bool hold = true;
    std::mutex mutex;
    std::condition_variable released;
    FreedesktopTrash real;
};

// pkexec refused: nothing runs.
class RefusedPkexec : public ProcessLauncher {
public:
    Status run(const std::vector<std::string>& argv, int& status) override {
        launches.push_back(argv);
        status = 126;
        return Status::ok();
    }
    std::vector<std::vector<std::string>> launches;
};

class NeedsAdministrator : public ProcessRights {
public:
    bool isAdministrator() const override { return false; }
    bool needsAdministratorToRemove(const std::string&, const std::string&, bool, bool) const override { return true; }
};

class RemovalWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings::setStandard(std::make_shared<Settings>(""));
        Settings::standard().setMoveCleanedDuplicatesToTheTrashCan(true);
        desktop_actions::setUrlOpener([this](const QUrl& url) { opened.push_back(url); });
    }
    void TearDown() override {
        window.reset();
        drainMainLoop();
        desktop_actions::setUrlOpener(nullptr);
        FileSystem::setStandard(nullptr);
        Trash::setStandard(nullptr);
        ProcessLauncher::setStandard(nullptr);
        ProcessRights::setStandard(nullptr);
        Settings::setStandard(nullptr);
    }

    void scan(const std::string& root) {
        window = std::make_unique<MainWindow>();
        window->controller().setDelays(0ms, 0ms);
        window->show();
        ASSERT_TRUE(window->controller().addFolder(root));
        QTest::mouseClick(window->welcomeView()->scanButton(), Qt::LeftButton);
        ASSERT_TRUE(runMainLoopUntil([&] { return window->controller().screen() == WindowScreen::Results; }, 120000ms));
    }
    // Every copy but the first of each file group, chosen through the groups: the selected paths.
    std::set<std::string> selectAllButFirst() {
        std::set<std::string> selected;
        for (int type = 0; type < 6; ++type)
            for (const auto& group : window->controller().container()->getCategoryWithType(type)->getGroups()) {
                const auto members = group->getItems();
                for (std::size_t i = 1; i < members.size(); ++i)
                    if (group->selectItem(members[i].get(), false)) selected.insert(members[i]->getFileItemPath());
            }
        return selected;
    }
    RemovalDialogs& dialogs() { return window->removalDialogs(); }
    RemovalFlow& flow() { return *window->controller().removal(); }
    RemovalQuestionDialog* waitForQuestion() {
        EXPECT_TRUE(runMainLoopUntil([&] { return dialogs().question() && dialogs().question()->isVisible(); }));
        return dialogs().question();
    }
    static std::set<std::string> trashFiles() {
        std::set<std::string> names;
        const stdfs::path files = user_paths::dataHome() + "/Trash/files";
        if (stdfs::exists(files))
            for (const auto& entry : stdfs::directory_iterator(files)) names.insert(entry.path().filename().string());
        return names;
    }
    // Every member path the groups model shows in the chosen category, and the smallest group shown.
    std::set<std::string> shownMembers(std::size_t* smallestGroup) {
        GroupsModel* model = window->resultsView()->model();
        std::set<std::string> paths;
        *smallestGroup = SIZE_MAX;
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex group = model->index(row, 0);
            *smallestGroup = std::min<std::size_t>(*smallestGroup, static_cast<std::size_t>(model->rowCount(group)));
            for (int m = 0; m < model->rowCount(group); ++m)
                paths.insert(model->index(m, 0, group).data().toString().toStdString());
        }
        return paths;
    }

    TempDir dir;
    std::unique_ptr<MainWindow> window;
    std::vector<QUrl> opened;
};
}  // namespace

TEST_F(RemovalWindowTest, RemoveSelectedMovesExactlyTheSelectedCopiesToTheTrashAndUpdatesTheResults) {
    const std::string root = dir / "home";
    ASSERT_EQ(runTreeGenerator("'" + root + "' --files 400 --seed 5 --max-size 400000"), 0);
    // Whole-file digests: the generator's look-alikes, which only a sampled digest takes for copies
    // (and the check before removal would keep), stay out of the groups.
    Settings::standard().setForceFullHashCalculation(true);
    scan(root);
    const std::set<std::string> selected = selectAllButFirst();
    ASSERT_GT(selected.size(), 10u);
    std::set<std::string> kept;
    for (int type = 0; type < 6; ++type)
        for (const auto& group : window->controller().container()->getCategoryWithType(type)->getGroups())
            for (const auto& member : group->getItems())
                if (!selected.count(member->getFileItemPath())) kept.insert(member->getFileItemPath());
    const std::set<std::string> trashBefore = trashFiles();

    ASSERT_TRUE(window->removeSelectedAction()->isEnabled());
    window->removeSelectedAction()->trigger();
    RemovalQuestionDialog* confirm = waitForQuestion();
    ASSERT_TRUE(confirm);
    EXPECT_EQ(confirm->title().toStdString(), "Move " + std::to_string(selected.size()) + " copies to the Trash?");
    EXPECT_TRUE(confirm->text().contains("will be moved to the Trash"));
    EXPECT_EQ(confirm->paths()->count(), static_cast<int>(std::min<std::size_t>(selected.size(), 501)));
    ASSERT_TRUE(confirm->button("Move to Trash"));
    QTest::mouseClick(confirm->button("Move to Trash"), Qt::LeftButton);
    ASSERT_TRUE(runMainLoopUntil([&] { return !flow().isBusy(); }, 120000ms));
    drainMainLoop();

    if (NotRemovedDialog* report = dialogs().notRemovedReport())
        for (int i = 0; i < report->copies()->topLevelItemCount(); ++i)
            ADD_FAILURE() << report->copies()->topLevelItem(i)->text(0).toStdString() << ": "
                          << report->copies()->topLevelItem(i)->text(1).toStdString();
    for (const auto& path : selected) EXPECT_FALSE(stdfs::exists(path)) << path;
    for (const auto& path : kept) EXPECT_TRUE(stdfs::exists(path)) << path;
    EXPECT_EQ(trashFiles().size(), trashBefore.size() + selected.size());
    EXPECT_FALSE(dialogs().progressSheet());
    EXPECT_FALSE(dialogs().notRemovedReport());
    EXPECT_TRUE(window->statusBar()->currentMessage().startsWith(
        QString::fromStdString("Removed " + std::to_string(selected.size()) + " of ")));
    EXPECT_TRUE(VXLog::shared().lastRunOutcome().isWritten());

    // Each category's groups: no removed copy, no group of one.
    ResultsView* results = window->resultsView();
    for (int row = 0; row < 6; ++row) {
        results->categories()->setCurrentRow(row);
        std::size_t smallest = 0;
        for (const auto& path : shownMembers(&smallest)) EXPECT_FALSE(selected.count(path)) << path;
        if (results->model()->rowCount() > 0) {
            EXPECT_GE(smallest, 2u);
        }
    }
    // The interim screen tells the space cleaned.
    window->controller().backToInterim();
    ASSERT_GT(window->controller().cleanedSize(), 0u);
    const QString cleaned = QStringLiteral("Space cleaned: %1.")
                                .arg(GroupsModel::formatSize(static_cast<std::int64_t>(window->controller().cleanedSize())));
    bool shown = false;
    for (QLabel* label : window->findChildren<QLabel*>()) shown |= label->isVisible() && label->text().contains(cleaned);
    EXPECT_TRUE(shown) << cleaned.toStdString();
}

TEST_F(RemovalWindowTest, ALockedCopyAsksItsQuestionAndCancelledIsReportedWithShowInFolder) {
    dir.writePatternFile("tree/photos/beach.jpg", 60000, 1);
    dir.writePatternFile("tree/phone/beach.jpg", 60000, 1);
    dir.writePatternFile("tree/old/beach copy.jpg", 60000, 1);
    // Each folder holds something of its own, so no folder is a copy of another.
    dir.writePatternFile("tree/photos/sunset.jpg", 50000, 5);
    dir.writePatternFile("tree/phone/call.txt", 5000, 6);
    dir.writePatternFile("tree/old/2019.txt", 5000, 7);
    auto fs = std::make_shared<FakeFileSystem>();
    auto trash = std::make_shared<FakeTrash>();
    fs->locked.insert(dir / "tree/phone/beach.jpg");
    trash->failing.insert(dir / "tree/phone/beach.jpg");
    FileSystem::setStandard(fs);
    Trash::setStandard(trash);
    scan(dir / "tree");
    ASSERT_EQ(selectAllButFirst().size(), 2u);

    window->resultsView()->removeSelected();
    QTest::mouseClick(waitForQuestion()->button("Move to Trash"), Qt::LeftButton);
    ASSERT_TRUE(runMainLoopUntil([&] {
        return dialogs().question() && dialogs().question()->isVisible() && dialogs().question()->button("Confirm");
    }));
    RemovalQuestionDialog* locked = dialogs().question();
    EXPECT_EQ(locked->title(), "The file \"beach.jpg\" was not removed due to being locked");
    EXPECT_TRUE(locked->text().contains("chattr +i"));
    ASSERT_EQ(locked->paths()->count(), 1);
    EXPECT_EQ(locked->paths()->item(0)->text().toStdString(), dir / "tree/phone/beach.jpg");
    // Read More opens the documentation's section and leaves the question open.
    ASSERT_TRUE(locked->button("Read More"));
    QTest::mouseClick(locked->button("Read More"), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].isLocalFile());
    EXPECT_TRUE(opened[0].path().endsWith("/removal-questions.md"));
    EXPECT_EQ(opened[0].fragment(), "locked-files");
    EXPECT_TRUE(locked->isVisible());

    QTest::mouseClick(locked->button("Cancel"), Qt::LeftButton);
    ASSERT_TRUE(runMainLoopUntil([&] { return dialogs().notRemovedReport() != nullptr; }));
    NotRemovedDialog* report = dialogs().notRemovedReport();
    EXPECT_EQ(report->title(), "The file could not be removed.");
    EXPECT_TRUE(report->summary().startsWith("Removed 1 of 2 copies"));
    ASSERT_EQ(report->copies()->topLevelItemCount(), 1);
    EXPECT_EQ(report->copies()->topLevelItem(0)->text(0).toStdString(), dir / "tree/phone/beach.jpg");
    EXPECT_FALSE(report->copies()->topLevelItem(0)->text(1).isEmpty());
    QTest::mouseClick(report->showInFolderButton(), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1].toLocalFile().toStdString(), dir / "tree/phone");
    // The group keeps its first copy in path order; the other selected one went.
    EXPECT_TRUE(stdfs::exists(dir / "tree/phone/beach.jpg"));
    EXPECT_TRUE(stdfs::exists(dir / "tree/old/beach copy.jpg"));
    EXPECT_FALSE(stdfs::exists(dir / "tree/photos/beach.jpg"));
    report->accept();
    EXPECT_TRUE(runMainLoopUntil([&] { return !dialogs().notRemovedReport(); }));
}

TEST_F(RemovalWindowTest, ARefusedPasswordPromptIsSaidOnceAndTheCopyIsReported) {
    dir.writePatternFile("tree/a/song.flac", 40000, 31);
    dir.writePatternFile("tree/b/song.flac", 40000, 31);
    dir.writePatternFile("tree/a/own.txt", 3000, 32);
    dir.writePatternFile("tree/b/own.txt", 3100, 33);
    auto fs = std::make_shared<FakeFileSystem>();
    auto trash = std::make_shared<FakeTrash>();
    auto launcher = std::make_shared<RefusedPkexec>();
    fs->locked.insert(dir / "tree/b/song.flac");
    trash->failing.insert(dir / "tree/b/song.flac");
    FileSystem::setStandard(fs);
    Trash::setStandard(trash);
    ProcessLauncher::setStandard(launcher);
    ProcessRights::setStandard(std::make_shared<NeedsAdministrator>());
    scan(dir / "tree");
    ASSERT_EQ(selectAllButFirst().size(), 1u);
    flow().setCommandLineProgram(DORVANE_BINARY);

    window->resultsView()->removeSelected();
    QTest::mouseClick(waitForQuestion()->button("Move to Trash"), Qt::LeftButton);
    ASSERT_TRUE(runMainLoopUntil([&] {
        return dialogs().question() && dialogs().question()->isVisible() && dialogs().question()->button("Confirm");
    }));
    RemovalQuestionDialog* locked = dialogs().question();
    const QString lockedTitle = locked->title();
    QTest::mouseClick(locked->button("Confirm"), Qt::LeftButton);
    // What the refused helper left in place is offered once more, for permanent removal, as a question of
    // its own; declining it keeps the copy.
    ASSERT_TRUE(runMainLoopUntil([&] {
        return dialogs().question() && dialogs().question()->isVisible() && dialogs().question()->title() != lockedTitle;
    }));
    ASSERT_TRUE(dialogs().question()->button("Cancel"));
    QTest::mouseClick(dialogs().question()->button("Cancel"), Qt::LeftButton);
    ASSERT_TRUE(runMainLoopUntil([&] { return !flow().isBusy(); }));
    drainMainLoop();

    ASSERT_EQ(launcher->launches.size(), 1u);
    EXPECT_EQ(launcher->launches[0][0], "pkexec");
    // The refusal stays up after the run's sheet has gone, and the report names the copy.
    ASSERT_TRUE(dialogs().alert());
    EXPECT_TRUE(dialogs().alert()->isVisible());
    EXPECT_EQ(dialogs().alert()->text(), "The user did not allow the helper to remove the files.");
    ASSERT_TRUE(dialogs().notRemovedReport());
    ASSERT_EQ(dialogs().notRemovedReport()->copies()->topLevelItemCount(), 1);
    EXPECT_EQ(dialogs().notRemovedReport()->copies()->topLevelItem(0)->text(0).toStdString(), dir / "tree/b/song.flac");
    EXPECT_TRUE(stdfs::exists(dir / "tree/b/song.flac"));
}

TEST_F(RemovalWindowTest, TheProgressSheetCountsAndItsStopEndsTheRunWithItsHistory) {
    for (int i = 0; i < 5; ++i) {
        dir.writePatternFile("tree/a/file" + std::to_string(i) + ".bin", 20000 + i, 10 + i);
        dir.writePatternFile("tree/b/file" + std::to_string(i) + ".bin", 20000 + i, 10 + i);
    }
    dir.writePatternFile("tree/a/own.bin", 30000, 40);
    dir.writePatternFile("tree/b/own.bin", 31000, 41);
    auto trash = std::make_shared<HoldingTrash>();
    Trash::setStandard(trash);
    scan(dir / "tree");
    ASSERT_EQ(selectAllButFirst().size(), 5u);
    flow().setCountOfRemoveQueues(1);

    window->resultsView()->removeSelected();
    QTest::mouseClick(waitForQuestion()->button("Move to Trash"), Qt::LeftButton);
    ASSERT_TRUE(runMainLoopUntil([&] { return trash->started.load() == 1; }));
    RemovalProgressSheet* sheet = dialogs().progressSheet();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());
    sheet->poll();
    EXPECT_TRUE(sheet->detail().startsWith("0 of 5 copies done")) << sheet->detail().toStdString();
    // The window's thread is free while the copy is held: its events go on.
    bool ticked = false;
    QTimer::singleShot(0, [&] { ticked = true; });
    EXPECT_TRUE(runMainLoopUntil([&] { return ticked; }));

    QTest::mouseClick(sheet->stopButton(), Qt::LeftButton);
    EXPECT_TRUE(flow().progress().stopping);
    EXPECT_FALSE(sheet->stopButton()->isEnabled());
    trash->release();
    ASSERT_TRUE(runMainLoopUntil([&] { return !flow().isBusy(); }));
    drainMainLoop();
    EXPECT_FALSE(dialogs().progressSheet());
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("Stopped: 4 copies were not processed."))
        << window->statusBar()->currentMessage().toStdString();
    const LogWriteOutcome history = VXLog::shared().lastRunOutcome();
    ASSERT_TRUE(history.isWritten());
    EXPECT_TRUE(stdfs::exists(history.path));
    int left = 0;
    for (int i = 0; i < 5; ++i) left += stdfs::exists(dir / ("tree/b/file" + std::to_string(i) + ".bin"));
    EXPECT_EQ(left, 4);
}

// As root, on a file system that keeps the flag: a real immutable copy, its question confirmed in the
// window, goes to the Trash through the helper (which clears the flag first), as `--yes` does.
TEST_F(RemovalWindowTest, AnImmutableCopyConfirmedInTheWindowGoesThroughTheHelper) {
    if (::geteuid() != 0) GTEST_SKIP() << "clearing the immutable flag needs root";
    dir.writePatternFile("tree/a/photo.raw", 70000, 21);
    dir.writePatternFile("tree/b/photo.raw", 70000, 21);
    dir.writePatternFile("tree/a/own.txt", 3000, 22);
    dir.writePatternFile("tree/b/own.txt", 3100, 23);
    const std::string locked = dir / "tree/b/photo.raw";
    if (runCommand("chattr +i '" + locked + "' 2>/dev/null") != 0)
        GTEST_SKIP() << "chattr +i does not work on the temporary folder's file system";
    struct Unlock {
        std::string path;
        ~Unlock() { runCommand("chattr -i '" + path + "' 2>/dev/null"); }
    } unlock{locked};
    scan(dir / "tree");
    ASSERT_EQ(selectAllButFirst(), std::set<std::string>{locked});
    flow().setCommandLineProgram(DORVANE_BINARY);

    window->resultsView()->removeSelected();
    QTest::mouseClick(waitForQuestion()->button("Move to Trash"), Qt::LeftButton);
    ASSERT_TRUE(runMainLoopUntil([&] {
        return dialogs().question() && dialogs().question()->isVisible() && dialogs().question()->button("Confirm");
    }));
    EXPECT_EQ(dialogs().question()->title(), "The file \"photo.raw\" was not removed due to being locked");
    QTest::mouseClick(dialogs().question()->button("Confirm"), Qt::LeftButton);
    ASSERT_TRUE(runMainLoopUntil([&] { return !flow().isBusy(); }, 60000ms));

    EXPECT_FALSE(stdfs::exists(locked));
    EXPECT_TRUE(stdfs::exists(dir / "tree/a/photo.raw"));
    EXPECT_FALSE(dialogs().notRemovedReport());
    EXPECT_TRUE(window->statusBar()->currentMessage().startsWith("Removed 1 of 1 copy"))
        << window->statusBar()->currentMessage().toStdString();
    LogManager::shared().waitUntilSaved();
    const LogWriteOutcome history = VXLog::shared().lastRunOutcome();
    ASSERT_TRUE(history.isWritten());
    QFile log(QString::fromStdString(history.path));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    std::set<std::string> trashed;
    for (const auto& g : QJsonDocument::fromJson(log.readAll()).object()["changes"].toObject())
        for (const auto& e : g.toObject()["moved to trash"].toArray())
            for (const auto& v : e.toObject()) trashed.insert(v.toString().toStdString());
    EXPECT_TRUE(trashed.count(locked));
}
