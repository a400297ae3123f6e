#include <gtest/gtest.h>

#include <unistd.h>

#include <deque>

#include "app/FolderAdmission.h"
#include "app/WindowController.h"
#include "platform/FileSystem.h"
#include "platform/Volumes.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "scan/FoldersScanner.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace {
using namespace std::chrono_literals;

// Records what the controller asks of the window and answers questions from a script.
class FakeView : public WindowControllerView {
public:
    void showScreen(WindowScreen screen) override { screens.push_back(screen); }
    WindowAnswer ask(const WindowQuestion& question) override {
        questions.push_back(question);
        if (answers.empty()) return {};
        WindowAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    void showAlert(const std::string& message, const std::string& informativeText) override {
        alerts.push_back(message + " | " + informativeText);
    }
    void foldersChanged() override { ++foldersChanges; }
    std::optional<std::string> chooseFolder(const std::string& folder, const std::string& title) override {
        dialogs.push_back(folder + " | " + title);
        return std::nullopt;
    }
    void quitApplication() override { quit = true; }

    std::vector<WindowScreen> screens;
    std::vector<WindowQuestion> questions;
    std::deque<WindowAnswer> answers;
    std::vector<std::string> alerts;
    std::vector<std::string> dialogs;
    int foldersChanges = 0;
    bool quit = false;
};

class WindowControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings = std::make_shared<Settings>("");
        Settings::setStandard(settings);
        Settings::setUserRevertedForceFullHashCalculation(false);
        controller = std::make_unique<WindowController>(view);
        controller->setDelays(0ms, 0ms);
    }
    void TearDown() override {
        controller.reset();
        drainMainLoop();
        Settings::setUserRevertedForceFullHashCalculation(false);
        Settings::setStandard(nullptr);
    }

    // Two groups of copies (a photo three times, a document twice) and one unique file.
    std::string makeTreeWithDuplicates() {
        dir.writePatternFile("tree/photos/a.jpg", 40000, 1);
        dir.writePatternFile("tree/backup/a.jpg", 40000, 1);
        dir.writePatternFile("tree/old/a copy.jpg", 40000, 1);
        dir.writePatternFile("tree/docs/report.pdf", 25000, 2);
        dir.writePatternFile("tree/mail/report.pdf", 25000, 2);
        dir.writePatternFile("tree/docs/unique.pdf", 25000, 3);
        return dir / "tree";
    }

    bool scanAndWait(WindowScreen expected) {
        return runMainLoopUntil([&] { return controller->screen() == expected; });
    }

    TempDir dir;
    FakeView view;
    std::shared_ptr<Settings> settings;
    std::unique_ptr<WindowController> controller;
};

TEST_F(WindowControllerTest, ScanOfFoldersWithCopiesEndsOnResultsWithTheirGroups) {
    ASSERT_TRUE(controller->addFolder(makeTreeWithDuplicates()));
    controller->scanFromWelcome(false);
    EXPECT_EQ(controller->screen(), WindowScreen::Scanning);
    ASSERT_NE(controller->scanner(), nullptr);
    ASSERT_TRUE(scanAndWait(WindowScreen::Results));

    auto container = controller->container();
    ASSERT_TRUE(container);
    std::vector<std::uint64_t> sizes;
    for (const auto& group : container->getAllFilesGroups()) sizes.push_back(group->getTotalContentSize());
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<std::uint64_t>{50000, 120000}));
    EXPECT_EQ(view.screens, (std::vector<WindowScreen>{WindowScreen::Scanning, WindowScreen::Results}));
    EXPECT_FALSE(controller->scanner()->isFullHashCalculation());
}

TEST_F(WindowControllerTest, ScanWithoutCopiesShowsNoDuplicatesAndItsActionsLeadBack) {
    dir.writePatternFile("plain/one.bin", 5000, 1);
    dir.writePatternFile("plain/two.bin", 5000, 2);
    ASSERT_TRUE(controller->addFolder(dir / "plain"));
    controller->scanFromWelcome(false);
    ASSERT_TRUE(scanAndWait(WindowScreen::NoDuplicates));

    // Rescan from the no-duplicates view asks, then goes through Welcome and scans again.
    view.answers.push_back({true, false});
    controller->restartScan("");
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0].message, "Are you sure you want to run a rescan?");
    EXPECT_EQ(view.questions[0].suppressionText, "Don't show this message again");
    EXPECT_EQ(controller->screen(), WindowScreen::Welcome);
    ASSERT_TRUE(runMainLoopUntil([&] { return view.screens.size() >= 5; }));
    ASSERT_TRUE(scanAndWait(WindowScreen::NoDuplicates));

    controller->newScanFromNoDuplicates();
    EXPECT_EQ(controller->screen(), WindowScreen::Welcome);
}

TEST_F(WindowControllerTest, ShowResultsDuringTheWalkAbandonsTheSearch) {
    ASSERT_TRUE(controller->addFolder(makeTreeWithDuplicates()));
    controller->scanFromWelcome(false);
    // Nothing of the scan has reached the main thread yet, so it is still walking.
    controller->showResultsFromScanScreen();
    EXPECT_EQ(controller->screen(), WindowScreen::Welcome);
    drainMainLoop(300ms);
    EXPECT_EQ(controller->screen(), WindowScreen::Welcome);
    EXPECT_FALSE(controller->container());
}

TEST_F(WindowControllerTest, StopReturnsToWelcomeAndALateResultIsIgnored) {
    ASSERT_TRUE(controller->addFolder(makeTreeWithDuplicates()));
    controller->scanFromWelcome(false);
    controller->stopFromScanScreen();
    EXPECT_EQ(controller->screen(), WindowScreen::Welcome);
    EXPECT_EQ(controller->scanner(), nullptr);
    drainMainLoop(300ms);
    EXPECT_EQ(controller->screen(), WindowScreen::Welcome);
    EXPECT_FALSE(controller->container());
}

TEST_F(WindowControllerTest, NewScanConfirmationIsStoredOnlyOnOk) {
    ASSERT_TRUE(controller->addFolder(makeTreeWithDuplicates()));
    controller->newScan();  // no results shown: nothing happens
    EXPECT_TRUE(view.questions.empty());

    controller->scanFromWelcome(false);
    ASSERT_TRUE(scanAndWait(WindowScreen::Results));

    view.answers.push_back({false, true});  // Cancel with the box checked
    controller->newScan();
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0].message, "Are you sure you want to run a new scan?");
    EXPECT_EQ(view.questions[0].informativeText, "Current scan results will be lost.");
    EXPECT_EQ(view.questions[0].suppressionText, "Do not show this message again");
    EXPECT_EQ(controller->screen(), WindowScreen::Results);
    EXPECT_TRUE(settings->showNewScanMessage());

    view.answers.push_back({true, true});
    controller->newScan();
    EXPECT_EQ(controller->screen(), WindowScreen::Welcome);
    EXPECT_FALSE(settings->showNewScanMessage());

    // With the message turned off, the next new scan from the interim screen does not ask.
    controller->scanFromWelcome(false);
    ASSERT_TRUE(scanAndWait(WindowScreen::Results));
    controller->backToInterim();
    EXPECT_EQ(controller->screen(), WindowScreen::Interim);
    controller->newScan();
    EXPECT_EQ(view.questions.size(), 2u);
    EXPECT_EQ(controller->screen(), WindowScreen::Welcome);
}

TEST_F(WindowControllerTest, FullScaleRescanHashesWholeFilesWithoutChangingTheStoredChoice) {
    ASSERT_TRUE(controller->addFolder(makeTreeWithDuplicates()));
    controller->scanFromMenu(WindowController::kScanTitle);
    ASSERT_TRUE(scanAndWait(WindowScreen::Results));
    EXPECT_FALSE(controller->scanner()->isFullHashCalculation());

    settings->setShowRestartScanMessage(false);
    controller->restartScan(WindowController::kFullScaleRescanTitle);
    EXPECT_TRUE(view.questions.empty());
    ASSERT_TRUE(runMainLoopUntil([&] { return controller->screen() == WindowScreen::Scanning; }));
    EXPECT_TRUE(controller->scanner()->isFullHashCalculation());
    ASSERT_TRUE(scanAndWait(WindowScreen::Results));
    EXPECT_FALSE(settings->forceFullHashCalculation());

    // Alt on the welcome Scan button flips the stored choice for that run only.
    controller->backToWelcome();
    controller->scanFromWelcome(true);
    EXPECT_TRUE(controller->scanner()->isFullHashCalculation());
    EXPECT_FALSE(settings->forceFullHashCalculation());
    ASSERT_TRUE(scanAndWait(WindowScreen::Results));
}

TEST_F(WindowControllerTest, QuitAsksOnlyWhileResultsAreShown) {
    controller->requestQuit();
    EXPECT_TRUE(view.quit);
    EXPECT_TRUE(view.questions.empty());

    view.quit = false;
    ASSERT_TRUE(controller->addFolder(makeTreeWithDuplicates()));
    controller->scanFromWelcome(false);
    ASSERT_TRUE(scanAndWait(WindowScreen::Results));
    view.answers.push_back({false, false});
    controller->requestQuit();
    EXPECT_FALSE(view.quit);
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0].message, "Are you sure you want to quit the application?");
    view.answers.push_back({true, false});
    controller->requestQuit();
    EXPECT_TRUE(view.quit);
}

TEST_F(WindowControllerTest, AddedFoldersLeadTheRecentListOfAtMostTen) {
    std::vector<std::string> added;
    for (int i = 0; i < 12; ++i) added.push_back(dir.makeFolder("f" + std::to_string(i)));
    for (const auto& f : added) ASSERT_TRUE(controller->addFolder(f));
    ASSERT_TRUE(controller->addFolder(added[5]));  // again: moves to the front, not repeated

    std::vector<std::string> recent = controller->recentFolders();
    ASSERT_EQ(recent.size(), 10u);
    EXPECT_EQ(recent[0], added[5]);
    EXPECT_EQ(recent[1], added[11]);
    EXPECT_EQ(std::count(recent.begin(), recent.end(), added[5]), 1);
    EXPECT_EQ(controller->welcomeFolders().size(), 12u);

    controller->removeFolderAt(0);
    EXPECT_EQ(controller->welcomeFolders().front(), added[1]);
}

TEST_F(WindowControllerTest, RefusedFoldersAreAlertedAndStayOutOfTheList) {
    std::string file = dir.writeFile("note.txt", "x");
    std::string snapshot = dir.makeFolder("timeshift/snapshots/2026-01-01");
    EXPECT_FALSE(controller->addFolder(file));
    EXPECT_FALSE(controller->addFolder(snapshot));
    EXPECT_FALSE(controller->addFolder(dir.path() + "/timeshift/snapshots"));
    EXPECT_FALSE(controller->addFolder(dir / "missing"));
    ASSERT_EQ(view.alerts.size(), 4u);
    EXPECT_NE(view.alerts[1].find("backups"), std::string::npos);
    EXPECT_TRUE(controller->welcomeFolders().empty());
    EXPECT_TRUE(controller->recentFolders().empty());
    // A folder of the settings' exclusion list, or inside one, is refused too.
    const std::string excluded = dir.makeFolder("cache");
    settings->setExcludeFolders(std::vector<std::string>{excluded});
    EXPECT_EQ(FolderAdmission::check(dir.makeFolder("cache/inner"), FolderAdmission::Checks::Window).refusal,
              FolderAdmission::Refusal::Excluded);
    // A folder merely named like the snapshot folder's parent is fine.
    EXPECT_TRUE(controller->addFolder(dir.makeFolder("timeshift-notes")));

    // The command line keeps only the first checks.
    EXPECT_TRUE(FolderAdmission::check(snapshot, FolderAdmission::Checks::Basic).admitted());
    EXPECT_EQ(FolderAdmission::check(file, FolderAdmission::Checks::Basic).reason, "'" + file + "': not a folder");
}

TEST_F(WindowControllerTest, RecentFolderThatIsGoneIsAlertedAndForgotten) {
    std::string kept = dir.makeFolder("kept");
    std::string gone = dir.makeFolder("gone");
    ASSERT_TRUE(controller->addFolder(kept));
    ASSERT_TRUE(controller->addFolder(gone));
    controller->removeFolderAt(1);
    controller->removeFolderAt(0);
    ::rmdir(gone.c_str());

    controller->openRecentFolder(gone);
    ASSERT_EQ(view.alerts.size(), 1u);
    EXPECT_EQ(view.alerts[0], "Cannot add folder \"gone\" to scan | The folder was deleted or moved.");
    EXPECT_EQ(controller->recentFolders(), std::vector<std::string>{kept});

    controller->openRecentFolder(kept);
    EXPECT_EQ(controller->welcomeFolders(), std::vector<std::string>{kept});
}

// The real mount table, except that one folder is the top of a mounted volume of the given kind.
class MountedVolume : public LinuxVolumes {
public:
    MountedVolume(std::string mountPoint, std::string type, std::string source, bool readOnly)
        : m_info{std::move(mountPoint), std::move(type), std::move(source), 99, readOnly, true} {}
    std::optional<VolumeInfo> volumeOfPath(const std::string& path) const override {
        if (path == m_info.mountPoint || path.rfind(m_info.mountPoint + "/", 0) == 0) return m_info;
        return LinuxVolumes::volumeOfPath(path);
    }

private:
    VolumeInfo m_info;
};

TEST_F(WindowControllerTest, FoldersOnReadOnlyVolumesAndBackupsAreRefusedWithTheirReason) {
    struct Case {
        std::string type, source;
        bool readOnly;
        FolderAdmission::Refusal refusal;
    };
    const std::string disk = dir.makeFolder("disk");
    const std::string inside = dir.makeFolder("disk/photos");
    for (const Case& c : {Case{"ext4", "/dev/sdb1", true, FolderAdmission::Refusal::ReadOnlyVolume},
                          Case{"ntfs3", "/dev/sdb1", true, FolderAdmission::Refusal::ReadOnlyNtfsVolume},
                          Case{"fuseblk", "ntfs-3g", true, FolderAdmission::Refusal::ReadOnlyNtfsVolume},
                          Case{"ntfs3", "/dev/sdb1", false, FolderAdmission::Refusal::None}}) {
        Volumes::setStandard(std::make_shared<MountedVolume>(disk, c.type, c.source, c.readOnly));
        FolderAdmission a = FolderAdmission::check(inside, FolderAdmission::Checks::Window);
        EXPECT_EQ(a.refusal, c.refusal) << c.type << " " << c.source;
        if (c.refusal == FolderAdmission::Refusal::ReadOnlyNtfsVolume) {
            EXPECT_NE(a.alertInformativeText().find("NTFS"), std::string::npos);
        }
        // The command line scans read-only volumes: only the window refuses them.
        EXPECT_TRUE(FolderAdmission::check(inside, FolderAdmission::Checks::Basic).admitted());
    }
    // The volume's backups folder, and what lies inside it, come before the read-only check.
    const std::string backups = dir.makeFolder("disk/Backups.backupdb/2026");
    Volumes::setStandard(std::make_shared<MountedVolume>(disk, "ext4", "/dev/sdb1", true));
    EXPECT_EQ(FolderAdmission::check(backups, FolderAdmission::Checks::Window).refusal,
              FolderAdmission::Refusal::BackupsFolder);
    Volumes::setStandard(nullptr);
}

// The real file system, except that one folder cannot be listed.
class UnlistableFolder : public LinuxFileSystem {
public:
    explicit UnlistableFolder(std::string path) : m_path(std::move(path)) {}
    bool canListFolder(const std::string& path) const override {
        return path != m_path && LinuxFileSystem::canListFolder(path);
    }

private:
    std::string m_path;
};

TEST_F(WindowControllerTest, UnreadableRecentFolderOpensTheFolderDialogOnIt) {
    std::string locked = dir.makeFolder("locked");
    FileSystem::setStandard(std::make_shared<UnlistableFolder>(locked));
    controller->openRecentFolder(locked);
    FileSystem::setStandard(nullptr);
    ASSERT_EQ(view.dialogs.size(), 1u);
    EXPECT_EQ(view.dialogs[0], locked + " | Grant access to folder locked");
    EXPECT_TRUE(view.alerts.empty());
}
TEST_F(WindowControllerTest, AFamilyRequestScansTheHomeFolderFromTheWelcomeScreenOnly) {
    // The test process's home is a private temporary folder.
    const std::string home = testHome();
    TempDir scratch;
    const std::string copies = home + "/requested";
    ASSERT_EQ(runCommand("mkdir -p '" + copies + "/a' '" + copies + "/b' && cp '" +
                         scratch.writePatternFile("x.bin", 30000, 4) + "' '" + copies + "/a/x.bin' && cp '" +
                         scratch.writePatternFile("x.bin", 30000, 4) + "' '" + copies + "/b/x.bin' && cp '" +
                         scratch.writePatternFile("y.bin", 9000, 5) + "' '" + copies + "/a/y.bin'"),
              0);
    controller->scanHomeFolder();
    EXPECT_EQ(controller->screen(), WindowScreen::Scanning);
    EXPECT_EQ(controller->welcomeFolders(), (std::vector<std::string>{home}));
    EXPECT_EQ(controller->lastSearchFolders(), (std::vector<std::string>{home}));
    ASSERT_TRUE(scanAndWait(WindowScreen::Results));
    bool found = false;
    for (const auto& group : controller->container()->getAllFilesGroups())
        for (const auto& member : group->getItems()) found = found || member->getFileItemPath() == copies + "/b/x.bin";
    EXPECT_TRUE(found);

    // Anywhere but the welcome screen a request changes nothing.
    controller->scanHomeFolder();
    EXPECT_EQ(controller->screen(), WindowScreen::Results);
    runCommand("rm -rf '" + copies + "'");
}
}  // namespace
