// The window's removal flow without widgets: its confirmations, one core removal run with the run lock
// and the history, Stop, each failure group's question and the report of what stayed, driven through a
// recording view.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>
#include <filesystem>

#include "app/RemovalFlow.h"
#include "history/LogManager.h"
#include "history/VXLog.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProcessRights.h"
#include "platform/UserPaths.h"
#include "removal/RemovalFixture.h"
#include "results/DuplicatesCategory.h"
#include "removal/RemovalRunLock.h"
#include "settings/SizeText.h"

namespace {
namespace stdfs = std::filesystem;

// Answers each question with the next scripted answer (confirm when none is left) and records
// everything the flow shows.
class RecordingView : public RemovalFlowView {
public:
    void askRemoval(const RemovalQuestion& question, std::function<void(RemovalAnswer)> answer) override {
        questions.push_back(question);
        RemovalAnswer a{true, false};
        if (!answers.empty()) {
            a = answers.front();
            answers.erase(answers.begin());
        }
        answer(a);
    }
    void showRemovalProgress(RemovalFlow&) override { ++progressShown; }
    void hideRemovalProgress() override { ++progressHidden; }
    void showNotRemoved(const NotRemovedReport& r, std::function<void()> closed) override {
        report = r;
        closed();
    }
    void showRemovalAlert(const std::string& title, const std::string& text) override { alerts.push_back({title, text}); }
    void showRemovalFinished(const std::string& summary) override { finished = summary; }
    void removalChangedResults() override { ++refreshes; }

    std::vector<RemovalAnswer> answers;
    std::vector<RemovalQuestion> questions;
    std::vector<std::pair<std::string, std::string>> alerts;
    std::optional<NotRemovedReport> report;
    std::string finished;
    int progressShown = 0, progressHidden = 0, refreshes = 0;
};

// Runs the helper's script itself as the user, standing for an allowed pkexec; records the command.
class PkexecAsUser : public ProcessLauncher {
public:
    Status run(const std::vector<std::string>& argv, int& status) override {
        launches.push_back(argv);
        std::vector<std::string> asUser(argv);
        if (!asUser.empty() && asUser[0] == "pkexec") asUser.erase(asUser.begin());
        return real.run(asUser, status);
    }
    std::vector<std::vector<std::string>> launches;
    PosixProcessLauncher real;
};

class NeedsAdministrator : public ProcessRights {
public:
    bool isAdministrator() const override { return false; }
    bool needsAdministratorToRemove(const std::string&, const std::string&, bool, bool) const override { return true; }
};

struct RemovalFlowTest : RemovalFixture {
    RecordingView view;
    RemovalFlow flow{view, DORVANE_BINARY};

    void TearDown() override {
        ProcessLauncher::setStandard(nullptr);
        ProcessRights::setStandard(nullptr);
        RemovalFixture::TearDown();
    }
    // Three photos (two selected) and two notes (one selected).
    void twoGroups() {
        group({file("a/beach.jpg", "sand and sea"), file("b/beach.jpg", "sand and sea"), file("c/beach.jpg", "sand and sea")},
              {1, 2});
        group({file("a/notes.txt", "notes!"), file("b/notes.txt", "notes!")}, {1});
        saveRoots();
    }
    void removeAndWait() {
        flow.removeSelected(container);
        ASSERT_TRUE(runMainLoopUntil([&] { return !flow.isBusy(); }));
        drainMainLoop();
    }
    static std::size_t trashCount() {
        const stdfs::path files = user_paths::dataHome() + "/Trash/files";
        if (!stdfs::exists(files)) return 0;
        return static_cast<std::size_t>(std::distance(stdfs::directory_iterator(files), stdfs::directory_iterator()));
    }
    // The paths below the test's folder that the last run's history records under `key` ("removed",
    // "moved to trash"): where the copies were.
    std::set<std::string> loggedOriginals(const std::string& key) const {
        LogManager::shared().waitUntilSaved();
        std::set<std::string> paths;
        const LogWriteOutcome outcome = VXLog::shared().lastRunOutcome();
        QFile f(QString::fromStdString(outcome.path));
        if (!outcome.isWritten() || !f.open(QIODevice::ReadOnly)) return paths;
        const QJsonObject changes = QJsonDocument::fromJson(f.readAll()).object()["changes"].toObject();
        for (const auto& g : changes)
            for (const auto& e : g.toObject()[QString::fromStdString(key)].toArray()) {
                for (const auto& v : e.toObject())
                    if (v.isString() && v.toString().toStdString().rfind(dir.path() + "/", 0) == 0)
                        paths.insert(v.toString().toStdString());
            }
        return paths;
    }
};
}  // namespace

TEST_F(RemovalFlowTest, ConfirmedRemovalMovesExactlyTheSelectedCopiesToTheTrashAndRecordsThem) {
    Settings::standard().setMoveCleanedDuplicatesToTheTrashCan(true);
    twoGroups();
    const std::size_t trashBefore = trashCount();
    const std::int64_t size = 2 * 12 + 6;

    removeAndWait();
    ASSERT_EQ(view.questions.size(), 1u);
    const RemovalQuestion& confirm = view.questions[0];
    EXPECT_EQ(confirm.title, "Move 3 copies to the Trash?");
    EXPECT_NE(confirm.text.find("3 copies (" + size_text::format(size) + ") will be moved to the Trash"), std::string::npos);
    EXPECT_EQ(confirm.buttons, (std::vector<std::string>{"Move to Trash", "Cancel"}));
    EXPECT_EQ(std::set<std::string>(confirm.paths.begin(), confirm.paths.end()),
              (std::set<std::string>{dir / "b/beach.jpg", dir / "c/beach.jpg", dir / "b/notes.txt"}));

    for (const char* gone : {"b/beach.jpg", "c/beach.jpg", "b/notes.txt"}) EXPECT_FALSE(exists(dir / gone)) << gone;
    for (const char* kept : {"a/beach.jpg", "a/notes.txt"}) EXPECT_TRUE(exists(dir / kept)) << kept;
    EXPECT_EQ(trashCount(), trashBefore + 3);
    EXPECT_EQ(view.progressShown, 1);
    EXPECT_EQ(view.progressHidden, 1);
    EXPECT_GE(view.refreshes, 1);
    EXPECT_FALSE(view.report);
    EXPECT_EQ(view.finished, "Removed 3 of 3 copies (" + size_text::format(size) + ") to the Trash.");
    EXPECT_EQ(flow.cleanedSize(), static_cast<std::uint64_t>(size));
    // The results keep no group of one copy.
    EXPECT_EQ(container->buildRemoveListAsArray().size(), 0u);
    for (const auto& category : container->getCategories())
        for (const auto& g : category->getGroups()) EXPECT_GE(g->getFilesCount(), 2);
    EXPECT_EQ(loggedOriginals("moved to trash"),
              (std::set<std::string>{dir / "b/beach.jpg", dir / "c/beach.jpg", dir / "b/notes.txt"}));
    // The run lock is free again.
    EXPECT_EQ(RemovalRunLock::tryAcquire().failure, RemovalRunLock::Failure::None);
}

TEST_F(RemovalFlowTest, CancelledConfirmationsTouchNothingAndAPermanentRemovalAsksTwice) {
    Settings::standard().setMoveCleanedDuplicatesToTheTrashCan(false);
    Settings::standard().setShowRemovePermanentlyMessage(true);
    twoGroups();

    view.answers = {{false, false}};
    removeAndWait();
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0].title, "Delete 3 copies permanently?");
    EXPECT_EQ(view.progressShown, 0);

    // Confirmed once, then the second question with its box: Cancel still leaves everything.
    view.answers = {{true, false}, {false, true}};
    removeAndWait();
    ASSERT_EQ(view.questions.size(), 3u);
    const RemovalQuestion& again = view.questions[2];
    EXPECT_EQ(again.title, "Are you sure you want to delete some files permanently?");
    EXPECT_EQ(again.text, "3 copies will be deleted permanently. You cannot undo this action.");
    EXPECT_EQ(again.buttons, (std::vector<std::string>{"OK", "Cancel"}));
    EXPECT_EQ(again.suppressionText, "Don't show this message again");
    EXPECT_TRUE(Settings::standard().showRemovePermanentlyMessage());
    EXPECT_TRUE(exists(dir / "b/beach.jpg"));
    EXPECT_EQ(view.progressShown, 0);

    // OK with the box ticked removes and turns the second question off.
    view.answers = {{true, false}, {true, true}};
    removeAndWait();
    EXPECT_EQ(view.questions.size(), 5u);
    EXPECT_FALSE(Settings::standard().showRemovePermanentlyMessage());
    EXPECT_FALSE(exists(dir / "b/beach.jpg"));
    EXPECT_TRUE(exists(dir / "a/beach.jpg"));
    EXPECT_EQ(loggedOriginals("removed"),
              (std::set<std::string>{dir / "b/beach.jpg", dir / "c/beach.jpg", dir / "b/notes.txt"}));
}

TEST_F(RemovalFlowTest, StopEndsAfterTheCopyInFlightAndWritesTheHistoryOfWhatWent) {
    Settings::standard().setMoveCleanedDuplicatesToTheTrashCan(false);
    Settings::standard().setShowRemovePermanentlyMessage(false);
    for (int i = 0; i < 6; ++i) {
        const std::string name = "file" + std::to_string(i) + ".bin";
        const std::string content = "content " + std::to_string(i);
        group({file("keep/" + name, content), file("copy/" + name, content)}, {1});
    }
    saveRoots();
    auto remover = std::make_shared<FakeFileRemover>();
    remover->hold = true;
    FileRemover::setStandard(remover);
    flow.setCountOfRemoveQueues(1);

    flow.removeSelected(container);
    ASSERT_TRUE(flow.isRunning());
    ASSERT_TRUE(runMainLoopUntil([&] { return remover->started.load() == 1; }));
    EXPECT_EQ(flow.progress().copiesTotal, 6u);
    flow.stop();
    EXPECT_TRUE(flow.progress().stopping);
    remover->release();
    ASSERT_TRUE(runMainLoopUntil([&] { return !flow.isBusy(); }));

    EXPECT_EQ(remover->removed.load(), 1);
    EXPECT_EQ(view.finished, "Removed 1 of 6 copies (9 B) permanently. Stopped: 5 copies were not processed.");
    EXPECT_FALSE(view.report);
    EXPECT_EQ(loggedOriginals("removed").size(), 1u);
    EXPECT_EQ(RemovalRunLock::tryAcquire().failure, RemovalRunLock::Failure::None);
}

TEST_F(RemovalFlowTest, ARunWhoseWindowWentStillEndsWithItsHistoryAndHoldsTheLockTillThen) {
    Settings::standard().setMoveCleanedDuplicatesToTheTrashCan(false);
    Settings::standard().setShowRemovePermanentlyMessage(false);
    twoGroups();
    auto remover = std::make_shared<FakeFileRemover>();
    remover->hold = true;
    FileRemover::setStandard(remover);
    RecordingView ownView;
    auto ownFlow = std::make_unique<RemovalFlow>(ownView, DORVANE_BINARY);
    ownFlow->setCountOfRemoveQueues(1);

    ownFlow->removeSelected(container);
    ASSERT_TRUE(runMainLoopUntil([&] { return remover->started.load() == 1; }));
    ownFlow.reset();
    EXPECT_EQ(RemovalRunLock::tryAcquire().failure, RemovalRunLock::Failure::Busy);
    remover->release();
    ASSERT_TRUE(runMainLoopUntil([&] { return RemovalRunLock::tryAcquire().failure == RemovalRunLock::Failure::None; }));
    EXPECT_EQ(loggedOriginals("removed").size(), 1u);
    EXPECT_EQ(ownView.progressHidden, 0);  // nothing is told to a view that has gone
}

TEST_F(RemovalFlowTest, ALockedCopyIsAskedAboutAndACancelledOneIsReportedWithItsReason) {
    Settings::standard().setMoveCleanedDuplicatesToTheTrashCan(true);
    twoGroups();
    auto fs = std::make_shared<FakeFileSystem>();
    auto trash = std::make_shared<FakeTrash>();
    fs->locked.insert(dir / "c/beach.jpg");
    trash->failing.insert(dir / "c/beach.jpg");
    FileSystem::setStandard(fs);
    Trash::setStandard(trash);

    view.answers = {{true, false}, {false, false}};
    removeAndWait();
    ASSERT_EQ(view.questions.size(), 2u);
    const RemovalQuestion& locked = view.questions[1];
    EXPECT_EQ(locked.title, "The file \"beach.jpg\" was not removed due to being locked");
    EXPECT_EQ(locked.buttons, (std::vector<std::string>{"Confirm", "Cancel"}));
    EXPECT_EQ(locked.helpSection, "removal-questions.md#locked-files");
    EXPECT_EQ(locked.paths, std::vector<std::string>{dir / "c/beach.jpg"});
    EXPECT_TRUE(locked.asksConfirmation);

    ASSERT_TRUE(view.report);
    EXPECT_EQ(view.report->title, "The file could not be removed.");
    EXPECT_EQ(view.report->summary, "Removed 2 of 3 copies (" + size_text::format(18) + ") to the Trash.");
    ASSERT_EQ(view.report->entries.size(), 1u);
    EXPECT_EQ(view.report->entries[0].path, dir / "c/beach.jpg");
    EXPECT_EQ(view.report->entries[0].reason, std::string(std::strerror(EACCES)) + " (locked (immutable or append-only))");
    EXPECT_TRUE(exists(dir / "c/beach.jpg"));
    EXPECT_FALSE(exists(dir / "b/beach.jpg"));
    EXPECT_EQ(view.finished, "");
}

TEST_F(RemovalFlowTest, AConfirmedQuestionRunsTheHelperThroughPkexecAsTheCommandLineDoes) {
    Settings::standard().setMoveCleanedDuplicatesToTheTrashCan(true);
    twoGroups();
    auto fs = std::make_shared<FakeFileSystem>();
    auto trash = std::make_shared<FakeTrash>();
    fs->notWritable.insert(dir / "b");
    trash->failing.insert(dir / "b/notes.txt");
    FileSystem::setStandard(fs);
    Trash::setStandard(trash);
    auto launcher = std::make_shared<PkexecAsUser>();
    ProcessLauncher::setStandard(launcher);
    ProcessRights::setStandard(std::make_shared<NeedsAdministrator>());

    removeAndWait();  // every question confirmed
    ASSERT_EQ(view.questions.size(), 2u);
    EXPECT_EQ(view.questions[1].title, "The file \"notes.txt\" was not removed due to lack of permission");
    EXPECT_EQ(view.questions[1].helpSection, "removal-questions.md#no-permission");
    ASSERT_EQ(launcher->launches.size(), 1u);
    EXPECT_EQ(launcher->launches[0][0], "pkexec");
    EXPECT_FALSE(exists(dir / "b/notes.txt"));
    EXPECT_TRUE(exists(dir / "a/notes.txt"));
    EXPECT_FALSE(view.report);
    EXPECT_EQ(view.finished, "Removed 3 of 3 copies (" + size_text::format(30) + ") to the Trash.");
    EXPECT_TRUE(loggedOriginals("moved to trash").count(dir / "b/notes.txt"));
}

TEST_F(RemovalFlowTest, NothingSelectedOrAnotherRunHoldingTheLockRemovesNothing) {
    auto kept = file("a/x.txt", "xx");
    auto copy = file("b/x.txt", "xx");
    auto g = group({kept, copy}, {});
    saveRoots();
    removeAndWait();
    EXPECT_TRUE(view.questions.empty());
    ASSERT_EQ(view.alerts.size(), 1u);
    EXPECT_EQ(view.alerts[0].first, "Nothing is selected for removal.");

    ASSERT_TRUE(g->selectItem(copy->getDuplicateItem(), false));
    // flock belongs to one open file: the flow's own attempt is refused like another process's.
    RemovalRunLock held = RemovalRunLock::tryAcquire();
    ASSERT_EQ(held.failure, RemovalRunLock::Failure::None);
    removeAndWait();
    ASSERT_EQ(view.alerts.size(), 2u);
    EXPECT_EQ(view.alerts[1].first.rfind("Another removal is running", 0), 0u) << view.alerts[1].first;
    EXPECT_EQ(view.progressShown, 0);
    EXPECT_TRUE(exists(dir / "b/x.txt"));
}

TEST(RemovalFlowHelp, EveryQuestionsTopicHasASectionInTheDocumentation) {
    const char* topics[] = {"removeErrorHelpURLAboutRemoveWithConfirmation",
                            "removeErrorHelpURLAboutRemoveWithConfirmationUnlock",
                            "removeErrorHelpURLAboutRemoveFromNetworkDisk",
                            "removeErrorHelpURLAboutRemoveHardLinkFolder",
                            "removeErrorHelpURLAboutUnknownErrorForRemoveToTrash",
                            "removeErrorHelpURLAboutUnknownErrorForRemovePermanently",
                            "removeErrorHelpURLAboutRemoveFromNTFSDisk",
                            "removeErrorHelpURLAboutRemoveFromReadOnlyDisk"};
    // The source tree is the one the tree generator lives in (tests/tools/make-tree).
    const std::string source = stdfs::path(DORVANE_MAKE_CORPUS).parent_path().parent_path().parent_path().string();
    QFile doc(QString::fromStdString(source + "/docs/removal-questions.md"));
    ASSERT_TRUE(doc.open(QIODevice::ReadOnly));
    std::set<std::string> anchors;
    for (const QByteArray& line : doc.readAll().split('\n'))
        if (line.startsWith("## ")) anchors.insert(line.mid(3).trimmed().toLower().replace(' ', '-').toStdString());
    for (const char* topic : topics) {
        const std::string section = RemovalFlow::helpSectionFor(topic);
        ASSERT_EQ(section.rfind("removal-questions.md#", 0), 0u) << topic;
        EXPECT_TRUE(anchors.count(section.substr(section.find('#') + 1))) << section;
    }
    EXPECT_EQ(RemovalFlow::helpSectionFor("no such topic"), "");
}
