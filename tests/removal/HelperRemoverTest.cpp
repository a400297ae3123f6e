// The helper removers in a removal run: a group confirmed after the normal removal failed is retried
// through a real script (or a fake pkexec), checked again before the script starts, and what left its
// place is recorded in the history.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <filesystem>

#include "RemovalFixture.h"
#include "history/LogManager.h"
#include "history/VXLog.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProcessRights.h"
#include "platform/UserPaths.h"
#include "removal/DorvanePermanentRemover.h"
#include "removal/DorvaneToTrashRemover.h"
#include "removal/HelperRemovers.h"

namespace {
namespace stdfs = std::filesystem;

// Records every launch; answers `exitStatus` without running anything, or runs the script itself as
// the user (standing for an allowed pkexec) when `runForReal`.
class FakeLauncher : public ProcessLauncher {
public:
    Status run(const std::vector<std::string>& argv, int& status) override {
        launches.push_back(argv);
        if (argv.size() >= 2) scriptText = readAll(argv.back());
        if (instead) instead();
        if (!runForReal) {
            status = exitStatus;
            return Status::ok();
        }
        std::vector<std::string> asUser(argv);
        if (!asUser.empty() && asUser[0] == "pkexec") asUser.erase(asUser.begin());
        return real.run(asUser, status);
    }
    static std::string readAll(const std::string& path) {
        QFile f(QString::fromStdString(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    }
    std::vector<std::vector<std::string>> launches;
    std::string scriptText;
    int exitStatus = 0;
    bool runForReal = false;
    std::function<void()> instead;  // done in place of the script (another program at that moment)
    PosixProcessLauncher real;
};

// Not root, and every removal needs administrator rights: the pkexec path, whoever runs the tests.
class NeedsAdministrator : public ProcessRights {
public:
    bool isAdministrator() const override { return false; }
    bool needsAdministratorToRemove(const std::string&, const std::string&, bool, bool) const override { return true; }
};

class NotAllowedDelegate : public RecordingDelegate {
public:
    void onRemoverHelperNotAllowed(DuplicateItemsRemover&) override { ++notAllowed; }
    int notAllowed = 0;
};

// Acts between the question and the helper: "another program" at that exact moment.
class ActingAlerts : public RecordingAlerts {
public:
    void askAboutGroup(const DefaultRemoverErrorGroup& group, std::function<void(bool)> answer) override {
        if (beforeAnswer) beforeAnswer();
        RecordingAlerts::askAboutGroup(group, std::move(answer));
    }
    std::function<void()> beforeAnswer;
};

struct HelperRemoval : RemovalFixture {
    std::shared_ptr<FakeLauncher> launcher = std::make_shared<FakeLauncher>();
    std::shared_ptr<NotAllowedDelegate> helperDelegate = std::make_shared<NotAllowedDelegate>();
    std::shared_ptr<ActingAlerts> acting = std::make_shared<ActingAlerts>();
    std::set<std::string> logsBefore;

    void SetUp() override {
        RemovalFixture::SetUp();
        logsBefore = logFiles();
    }
    void TearDown() override {
        ProcessLauncher::setStandard(nullptr);
        ProcessRights::setStandard(nullptr);
        RemovalFixture::TearDown();
    }
    static std::set<std::string> logFiles() {
        std::vector<std::string> names;
        if (auto folder = VXLog::shared().logFolderPath()) FileSystem::standard().listFolder(*folder, names);
        return {names.begin(), names.end()};
    }
    // a/NAME stays, b/NAME is selected; the normal removal of b/NAME fails.
    void copyThePermanentRemovalFails(const std::string& name, const std::string& content) {
        auto a = file("a/" + name, content);
        auto b = file("b/" + name, content);
        group({a, b}, {1});
        auto remover = std::make_shared<FakeFileRemover>();
        remover->failing.insert(dir / ("b/" + name));
        FileRemover::setStandard(remover);
    }
    // a/clip.mov stays, b/clip.mov is selected, in a folder that takes no changes and whose Trash fails.
    void copyInAReadOnlyFolder() {
        auto fs = std::make_shared<FakeFileSystem>();
        auto trash = std::make_shared<FakeTrash>();
        auto a = file("a/clip.mov", "movie");
        auto b = file("b/clip.mov", "movie");
        group({a, b}, {1});
        fs->notWritable.insert(dir / "b");
        trash->failing.insert(dir / "b/clip.mov");
        FileSystem::setStandard(fs);
        Trash::setStandard(trash);
    }
    std::shared_ptr<DuplicateItemsRemover> runWithHelpers(bool toTrash) {
        if (root) saveRoots();
        acting->confirm = true;
        auto r = DuplicateItemsRemover::create(helperDelegate, acting, container, toTrash);
        r->setHelperRemoverFactory(helper_removers::factory(DORVANE_BINARY));
        r->removeItemsInRemoveList();
        EXPECT_TRUE(runMainLoopUntil([&] { return helperDelegate->finished; }));
        return r;
    }
    // The paths this run's history records under `key` ("removed", "moved to trash").
    std::set<std::string> loggedPaths(const std::string& key) {
        LogManager::shared().waitUntilSaved();
        std::set<std::string> paths;
        for (const auto& name : logFiles()) {
            if (logsBefore.count(name)) continue;
            QFile f(QString::fromStdString(*VXLog::shared().logFolderPath() + "/" + name));
            if (!f.open(QIODevice::ReadOnly)) continue;
            const QJsonObject changes = QJsonDocument::fromJson(f.readAll()).object()["changes"].toObject();
            for (const auto& g : changes)
                for (const auto& e : g.toObject()[QString::fromStdString(key)].toArray())
                    for (const auto& v : e.toObject()) paths.insert(v.toString().toStdString());
        }
        return paths;
    }
};
}  // namespace

TEST_F(HelperRemoval, APermanentHelperRemovesWhatTheNormalRemovalCouldNot) {
    copyThePermanentRemovalFails("report.pdf", "pdf bytes");

    auto r = runWithHelpers(false);
    ASSERT_EQ(acting->types.size(), 1u);
    EXPECT_EQ(acting->types[0], DefaultRemoverErrorGroupType::Unknown);
    EXPECT_TRUE(r->removeErrors().empty());
    EXPECT_EQ(r->totalRemovedCount(), 1);
    EXPECT_FALSE(exists(dir / "b/report.pdf"));
    EXPECT_TRUE(exists(dir / "a/report.pdf"));
    EXPECT_EQ(helperDelegate->removedPaths, std::vector<std::string>{dir / "b/report.pdf"});
    EXPECT_EQ(helperDelegate->notAllowed, 0);
    EXPECT_TRUE(loggedPaths("removed").count(dir / "b/report.pdf"));
}

TEST_F(HelperRemoval, ACopyInAReadOnlyFolderGoesToTheTrashThroughTheHelper) {
    copyInAReadOnlyFolder();
    // The script runs as the user: the folder takes changes again by then.
    launcher->runForReal = true;
    ProcessLauncher::setStandard(launcher);

    auto r = runWithHelpers(true);
    ASSERT_EQ(acting->types.size(), 1u);
    EXPECT_EQ(acting->types[0], DefaultRemoverErrorGroupType::ReadOnlyAccess);
    ASSERT_EQ(launcher->launches.size(), 1u);
    EXPECT_EQ(launcher->launches[0][0], "/bin/sh");
    EXPECT_NE(launcher->scriptText.find(" trash --print0 --output "), std::string::npos);
    EXPECT_TRUE(r->removeErrors().empty());
    EXPECT_FALSE(exists(dir / "b/clip.mov"));
    EXPECT_TRUE(exists(dir / "a/clip.mov"));
    const auto trashed = loggedPaths("moved to trash");
    EXPECT_TRUE(trashed.count(dir / "b/clip.mov"));
    // Recorded with its place in the Trash, where it is, with its record.
    bool inTrash = false;
    for (const auto& p : trashed)
        if (p.rfind(user_paths::dataHome() + "/Trash/files/", 0) == 0) {
            inTrash = stdfs::exists(p) && stdfs::exists(user_paths::dataHome() + "/Trash/info/" +
                                                        stdfs::path(p).filename().string() + ".trashinfo");
        }
    EXPECT_TRUE(inTrash);
}

TEST_F(HelperRemoval, ARefusedPkexecRemovesNothingAndSaysSo) {
    copyThePermanentRemovalFails("notes.txt", "notes");
    ProcessRights::setStandard(std::make_shared<NeedsAdministrator>());
    launcher->exitStatus = DorvaneRemover::kPkexecNotAuthorized;
    ProcessLauncher::setStandard(launcher);

    auto r = runWithHelpers(false);
    ASSERT_EQ(launcher->launches.size(), 1u);
    EXPECT_EQ(launcher->launches[0][0], "pkexec");
    EXPECT_EQ(launcher->launches[0][1], "/bin/sh");
    EXPECT_FALSE(stdfs::exists(launcher->launches[0][2]));  // the script is gone after its run
    EXPECT_EQ(helperDelegate->notAllowed, 1);
    EXPECT_EQ(RemoveAlertTexts::helperNotAllowed().title, "The user did not allow the helper to remove the files.");
    ASSERT_EQ(r->removeErrors().size(), 1u);
    EXPECT_EQ(r->removeErrors()[0]->path(), dir / "b/notes.txt");
    EXPECT_EQ(r->totalRemovedCount(), 0);
    EXPECT_TRUE(exists(dir / "b/notes.txt"));
    EXPECT_TRUE(loggedPaths("removed").empty());
}

// Refused, the Trash helper leaves the copy in place; it is then offered for permanent removal with a
// question of its own, which may be declined (the copy stays) or confirmed (the permanent helper runs).
struct RefusedTrashHelper : HelperRemoval {
    std::shared_ptr<DuplicateItemsRemover> run(bool confirmPermanent) {
        copyInAReadOnlyFolder();
        ProcessRights::setStandard(std::make_shared<NeedsAdministrator>());
        launcher->exitStatus = DorvaneRemover::kPkexecDismissed;
        ProcessLauncher::setStandard(launcher);
        // The first question (the Trash) is confirmed; the second one's answer is the case's, and pkexec
        // lets that helper run.
        acting->beforeAnswer = [this, confirmPermanent] {
            if (acting->types.empty()) return;
            acting->confirm = confirmPermanent;
            launcher->runForReal = true;
        };
        auto r = runWithHelpers(true);
        EXPECT_GE(launcher->launches.size(), 1u);
        if (launcher->launches.empty()) return r;
        EXPECT_EQ(launcher->launches[0][0], "pkexec");
        EXPECT_EQ(helperDelegate->notAllowed, 1);
        EXPECT_EQ(acting->types, (std::vector<DefaultRemoverErrorGroupType>{DefaultRemoverErrorGroupType::ReadOnlyAccess,
                                                                            DefaultRemoverErrorGroupType::Unknown}));
        if (acting->alerts.size() == 2) {
            EXPECT_EQ(acting->alerts[1].title, "The file \"clip.mov\" cannot be moved to the Trash");
            EXPECT_NE(acting->alerts[1].text.find("can only be deleted permanently"), std::string::npos);
        }
        EXPECT_TRUE(exists(dir / "a/clip.mov"));
        return r;
    }
};

TEST_F(RefusedTrashHelper, DecliningThePermanentQuestionKeepsTheCopy) {
    auto r = run(false);
    // Run as root for the user, the Trash command was told whose Trash to use.
    EXPECT_NE(launcher->scriptText.find(" trash --uid "), std::string::npos);
    EXPECT_NE(launcher->scriptText.find(" --data-home '" + user_paths::dataHome() + "'"), std::string::npos);
    EXPECT_EQ(launcher->launches.size(), 1u);
    ASSERT_EQ(r->removeErrors().size(), 1u);
    EXPECT_TRUE(exists(dir / "b/clip.mov"));
    EXPECT_TRUE(loggedPaths("removed").empty());
}

TEST_F(RefusedTrashHelper, ConfirmingThePermanentQuestionRemovesTheCopyForGood) {
    auto r = run(true);
    ASSERT_EQ(launcher->launches.size(), 2u);
    EXPECT_NE(launcher->scriptText.find("rm -f -- \"$p\""), std::string::npos);
    EXPECT_TRUE(r->removeErrors().empty());
    EXPECT_FALSE(exists(dir / "b/clip.mov"));
    EXPECT_TRUE(loggedPaths("removed").count(dir / "b/clip.mov"));
    EXPECT_TRUE(loggedPaths("moved to trash").empty());
}

// A copy that leaves its place while the Trash helper runs, without the Trash command reporting it there:
// it counts as removed (it is gone), the history records it under "removed" marked "vanished" rather than
// as moved to the Trash, and the run names it.
TEST_F(HelperRemoval, ACopyGoneDuringTheTrashHelperWithoutReachingTheTrashIsSaidAndMarked) {
    copyInAReadOnlyFolder();
    launcher->instead = [this] { stdfs::remove(dir / "b/clip.mov"); };
    ProcessLauncher::setStandard(launcher);

    auto r = runWithHelpers(true);
    ASSERT_EQ(launcher->launches.size(), 1u);
    EXPECT_TRUE(r->removeErrors().empty());
    EXPECT_EQ(r->totalRemovedCount(), 1);
    ASSERT_EQ(r->goneWithoutTrash().size(), 1u);
    EXPECT_EQ(r->goneWithoutTrash()[0], dir / "b/clip.mov");
    EXPECT_TRUE(loggedPaths("moved to trash").empty());
    EXPECT_TRUE(loggedPaths("removed").count(dir / "b/clip.mov"));
    std::string logText;
    for (const auto& name : logFiles())
        if (!logsBefore.count(name)) logText += FakeLauncher::readAll(*VXLog::shared().logFolderPath() + "/" + name);
    EXPECT_NE(logText.find("\"isDirectory\": \"0\",\n          \"vanished\": \"1\""), std::string::npos) << logText;
    EXPECT_EQ(acting->types, std::vector<DefaultRemoverErrorGroupType>{DefaultRemoverErrorGroupType::ReadOnlyAccess});
}

TEST_F(HelperRemoval, AnAllowedPkexecRunsTheScriptAndTheCopyIsGone) {
    copyThePermanentRemovalFails("notes.txt", "notes");
    ProcessRights::setStandard(std::make_shared<NeedsAdministrator>());
    launcher->runForReal = true;
    ProcessLauncher::setStandard(launcher);

    auto r = runWithHelpers(false);
    ASSERT_EQ(launcher->launches.size(), 1u);
    EXPECT_EQ(launcher->launches[0][0], "pkexec");
    EXPECT_TRUE(r->removeErrors().empty());
    EXPECT_FALSE(exists(dir / "b/notes.txt"));
    EXPECT_EQ(helperDelegate->notAllowed, 0);
}

TEST_F(HelperRemoval, AScriptThatCannotBeWrittenCountsAsNotAllowed) {
    copyThePermanentRemovalFails("notes.txt", "notes");
    ProcessLauncher::setStandard(launcher);
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string before = saved ? saved : "";
    setenv("XDG_RUNTIME_DIR", (dir / "no such folder").c_str(), 1);

    auto r = runWithHelpers(false);
    if (saved)
        setenv("XDG_RUNTIME_DIR", before.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(launcher->launches.empty());
    EXPECT_EQ(helperDelegate->notAllowed, 1);
    ASSERT_EQ(r->removeErrors().size(), 1u);
    EXPECT_TRUE(exists(dir / "b/notes.txt"));
}

TEST_F(HelperRemoval, TheCheckRunsAgainRightBeforeTheScript) {
    auto remover = std::make_shared<FakeFileRemover>();
    auto a = file("a/song.mp3", "music");
    auto b = file("b/song.mp3", "music");
    auto x = file("x/song.ogg", "other");
    auto y = file("y/song.ogg", "other");
    group({a, b}, {1});
    group({x, y}, {1});
    remover->failing = {dir / "b/song.mp3", dir / "y/song.ogg"};
    FileRemover::setStandard(remover);
    launcher->runForReal = true;
    ProcessLauncher::setStandard(launcher);
    // After the normal removal, before the helper: the kept copy of one group changes its bytes.
    acting->beforeAnswer = [&] { dir.writeFile("a/song.mp3", "MUSIC"); };

    auto r = runWithHelpers(false);
    ASSERT_EQ(launcher->launches.size(), 1u);
    EXPECT_EQ(launcher->scriptText.find("b/song.mp3"), std::string::npos);  // left out of the script
    EXPECT_NE(launcher->scriptText.find("y/song.ogg"), std::string::npos);
    EXPECT_TRUE(exists(dir / "b/song.mp3"));
    EXPECT_FALSE(exists(dir / "y/song.ogg"));
    ASSERT_EQ(r->removeErrors().size(), 1u);
    EXPECT_EQ(r->removeErrors()[0]->path(), dir / "b/song.mp3");
    EXPECT_FALSE(r->removeErrors()[0]->notVerifiedReason().empty());
}

TEST_F(HelperRemoval, ACopyReplacedByALinkIsNeverFollowed) {
    copyThePermanentRemovalFails("song.mp3", "music");
    launcher->runForReal = true;
    ProcessLauncher::setStandard(launcher);
    acting->beforeAnswer = [&] {
        stdfs::remove(dir / "b/song.mp3");
        stdfs::create_symlink(dir / "a/song.mp3", dir / "b/song.mp3");
    };

    auto r = runWithHelpers(false);
    EXPECT_TRUE(launcher->launches.empty());
    EXPECT_TRUE(stdfs::is_symlink(dir / "b/song.mp3"));
    EXPECT_TRUE(exists(dir / "a/song.mp3"));
    ASSERT_EQ(r->removeErrors().size(), 1u);
    EXPECT_FALSE(r->removeErrors()[0]->notVerifiedReason().empty());
}

TEST(HelperTrashReport, PairsOfOldAndNewPaths) {
    using namespace std::string_literals;
    const std::string report = "/a/x\0/t/files/x\0/a/two\nlines\0/t/files/two\nlines\0/a/cut"s;
    const auto pairs = DorvaneToTrashRemover::parseReport(report);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0], std::make_pair(std::string("/a/x"), std::string("/t/files/x")));
    EXPECT_EQ(pairs[1].first, "/a/two\nlines");
}
