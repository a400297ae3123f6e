#include <gtest/gtest.h>

#include <future>

#include "detection/FileSeparator.h"
#include "detection/FileType.h"
#include "platform/MonotonicClock.h"
#include "platform/SerialQueue.h"
#include "platform/Volumes.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "scan/FoldersScanner.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace {
// Volumes by path prefix: "/vol/b" is its own volume inside "/vol", every other path is on "/".
class FakeVolumes : public Volumes {
public:
    std::vector<VolumeInfo> mountedVolumes() const override { return {volume("/"), volume("/vol/b")}; }
    std::optional<VolumeInfo> volumeOfPath(const std::string& path) const override {
        if (path.rfind("/missing", 0) == 0) return std::nullopt;
        if (path == "/vol/b" || path.rfind("/vol/b/", 0) == 0) return volume("/vol/b");
        return volume("/");
    }
    bool sizes(const std::string&, std::int64_t& total, std::int64_t& free) const override {
        total = free = 0;
        return true;
    }
    static VolumeInfo volume(const std::string& mount) {
        VolumeInfo v;
        v.mountPoint = mount;
        v.fileSystemType = "ext4";
        return v;
    }
};

// Time that moves only when the test says so.
struct ManualClock : MonotonicClock {
    time_point now() const override { return time_point(std::chrono::seconds(seconds.load())); }
    std::atomic<int> seconds{1000};
};

class Listener : public FoldersScannerListener {
public:
    void onFilesCompared(const std::shared_ptr<DuplicatesContainer>& c) override {
        comparedBeforeResult = calls == 0 && c != nullptr;
        ++comparedCalls;
    }
    void onScanCompleteWithResult(std::shared_ptr<DuplicatesContainer> c) override {
        container = std::move(c);
        ++calls;
    }
    std::shared_ptr<DuplicatesContainer> container;
    int calls = 0;
    int comparedCalls = 0;
    bool comparedBeforeResult = false;
};

class FoldersScannerTest : public ::testing::Test {
protected:
    void SetUp() override { Settings::setStandard(std::make_shared<Settings>(m_dir / "settings.json")); }
    void TearDown() override {
        Volumes::setStandard(nullptr);
        Settings::setStandard(nullptr);
        MonotonicClock::setStandard(nullptr);
    }
    // A tree with two duplicate pairs of different sizes.
    std::string makeTree() {
        m_dir.writeFile("t/a/one.bin", std::string(20000, '1'));
        m_dir.writeFile("t/b/one.bin", std::string(20000, '1'));
        m_dir.writeFile("t/a/two.txt", std::string(3000, '2'));
        m_dir.writeFile("t/c/two.txt", std::string(3000, '2'));
        m_dir.writeFile("t/c/unique.txt", std::string(3000, 'u'));
        return m_dir / "t";
    }
    TempDir m_dir;
};
}  // namespace

TEST_F(FoldersScannerTest, TopFoldersDropNestedAndRepeatedFoldersPerVolume) {
    Volumes::setStandard(std::make_shared<FakeVolumes>());
    EXPECT_EQ(FoldersScanner::chooseTopFolders({"/home/u/Pictures", "/home/u", "/home/u/", "/home/u2"}),
              (std::vector<std::string>{"/home/u", "/home/u2"}));
    EXPECT_EQ(FoldersScanner::chooseTopFolders({"/", "/etc"}), (std::vector<std::string>{"/"}));
    // A folder of another volume is scanned even below a chosen folder of the first one.
    auto top = FoldersScanner::chooseTopFolders({"/vol", "/vol/b/x", "/missing/z"});
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (std::vector<std::string>{"/vol", "/vol/b/x"}));
}

TEST_F(FoldersScannerTest, AScanWalksFiltersAndDeliversTheContainerOnce) {
    std::string tree = makeTree();
    auto listener = std::make_shared<Listener>();
    auto scanner = FoldersScanner::create({tree, tree + "/a"}, listener);
    scanner->enableSearchDuplicatesFoldersAndSimilars(false);
    EXPECT_EQ(scanner->getTimeFromStart(), -1.0);
    scanner->startScanAndUseMinimalFileSize(0, false);
    ASSERT_TRUE(runMainLoopUntil([&] { return listener->calls > 0; }));
    drainMainLoop();
    EXPECT_EQ(listener->calls, 1);
    EXPECT_EQ(listener->comparedCalls, 0);  // no folder phases to announce
    EXPECT_EQ(scanner->getCurrentState(), FoldersScannerStateCompleted);
    EXPECT_EQ(scanner->getCountOfScannedFiles(), 5u);
    EXPECT_EQ(scanner->getCountOfPossibleDuplicates(), 5u);  // the unique text shares size and kind
    EXPECT_EQ(scanner->getCountOfActualDuplicates(), 4u);
    EXPECT_EQ(listener->container->getAllFilesGroups().size(), 2u);
    for (int t = -1; t < 8; ++t)
        EXPECT_GE(scanner->getPossibleDuplicatesSizeOfType(t), scanner->getActualDuplicatesSizeOfType(t)) << t;
    EXPECT_EQ(scanner->getActualDuplicatesSizeOfType(7), 0u);
    EXPECT_EQ(scanner->getActualDuplicatesSizeOfType(FileTypeDocument), 6000u);
    EXPECT_TRUE(scanner->isFinishSearchDuplicatesOfType(FileTypeImage));
    // Start twice does nothing; stop after the end does nothing.
    scanner->startScanAndUseMinimalFileSize(0, false);
    scanner->stopWithIgnoreResult(false);
    EXPECT_EQ(scanner->getCurrentState(), FoldersScannerStateCompleted);
}

TEST_F(FoldersScannerTest, StopDuringTheWalkDeliversWhatWasFoundUnlessIgnored) {
    std::string tree = makeTree();
    for (bool ignore : {false, true}) {
        auto listener = std::make_shared<Listener>();
        auto scanner = FoldersScanner::create({tree}, listener);
        scanner->enableSearchDuplicatesFoldersAndSimilars(false);
        scanner->startScanAndUseMinimalFileSize(0, false);
        scanner->stopWithIgnoreResult(ignore);
        EXPECT_EQ(scanner->getCurrentState(), FoldersScannerStateStopped);
        bool delivered = runMainLoopUntil([&] { return listener->calls > 0; }, std::chrono::milliseconds(ignore ? 500 : 20000));
        EXPECT_EQ(delivered, !ignore);
        if (!ignore) {
            EXPECT_TRUE(listener->container);
            EXPECT_EQ(listener->calls, 1);
        }
    }
}

TEST_F(FoldersScannerTest, AutomaticSizeProgressNeverRunsAheadOfTheClock) {
    std::string tree = makeTree();
    auto listener = std::make_shared<Listener>();
    auto scanner = FoldersScanner::create({tree}, listener);
    scanner->enableSearchDuplicatesFoldersAndSimilars(false);
    scanner->startScanAndUseAutoDefineMinimalFileSizeWithFullHashCalculation(false);
    EXPECT_TRUE(scanner->isMinimalDuplicatesSizeWasDefinedAutomatically());
    bool sawFiltering = false;
    ASSERT_TRUE(runMainLoopUntil([&] {
        if (scanner->getCurrentState() == FoldersScannerStateFilteringFiles) {
            sawFiltering = true;
            EXPECT_LE(scanner->getDuplicatesFilesFilterProgress(),
                      scanner->getSearchDuplicatesDuration() / FoldersScanner::kAutomaticStopSeconds + 1e-3);
        }
        return listener->calls > 0;
    }));
}

TEST_F(FoldersScannerTest, AutomaticSizeStopsAtTheFirstSmallGroupAfterThirtySecondsAndHandsItsSizeOn) {
    // Buckets from 1.2 MB down: the largest is above the stop's file-size bound, the others below.
    for (std::size_t size : {1200000, 500000, 20000, 3000}) {
        m_dir.writeFile("t/a/" + std::to_string(size) + ".bin", std::string(size, 'c'));
        m_dir.writeFile("t/b/" + std::to_string(size) + ".bin", std::string(size, 'c'));
    }
    for (int seconds : {29, 31}) {
        auto clock = std::make_shared<ManualClock>();
        MonotonicClock::setStandard(clock);
        // No digest is taken until the clock has moved past the start of the filtering.
        std::promise<void> gate;
        FileSeparator::workingQueue()->async([opened = gate.get_future().share()] { opened.wait(); });
        auto listener = std::make_shared<Listener>();
        auto scanner = FoldersScanner::create({m_dir / "t"}, listener);
        scanner->enableSearchDuplicatesFoldersAndSimilars(false);
        scanner->startScanAndUseAutoDefineMinimalFileSizeWithFullHashCalculation(false);
        ASSERT_TRUE(runMainLoopUntil([&] { return scanner->getCurrentState() == FoldersScannerStateFilteringFiles; }));
        clock->seconds += seconds;
        gate.set_value();
        ASSERT_TRUE(runMainLoopUntil([&] { return listener->calls > 0; }));
        std::uint64_t smallest = ~std::uint64_t{0};
        for (const auto& g : listener->container->getAllFilesGroups()) smallest = std::min(smallest, g->oneItemSize());
        if (seconds == 29) {
            EXPECT_EQ(listener->container->getAllFilesGroups().size(), 4u);
            EXPECT_EQ(scanner->finalMinimalDuplicatesSize(), 0u);  // every size was examined
            EXPECT_FALSE(scanner->wasAutomaticStopApplied());
            continue;
        }
        // The stop reaches the filter through its queue: the size it hands on is the smallest confirmed.
        EXPECT_TRUE(runMainLoopUntil([&] { return scanner->finalMinimalDuplicatesSize() != 0; }, std::chrono::seconds(5)));
        EXPECT_LE(smallest, 500000u);
        EXPECT_EQ(scanner->finalMinimalDuplicatesSize(), smallest);
        EXPECT_TRUE(scanner->wasAutomaticStopApplied());
    }
}

TEST_F(FoldersScannerTest, AStopAskedForIsNotTheAutomaticStop) {
    for (std::size_t size : {500000, 20000})
        for (const std::string side : {"a", "b"})
            m_dir.writeFile("t/" + side + "/" + std::to_string(size) + ".bin", std::string(size, 'c'));
    std::promise<void> gate;
    FileSeparator::workingQueue()->async([opened = gate.get_future().share()] { opened.wait(); });
    auto listener = std::make_shared<Listener>();
    auto scanner = FoldersScanner::create({m_dir / "t"}, listener);
    scanner->enableSearchDuplicatesFoldersAndSimilars(false);
    scanner->startScanAndUseAutoDefineMinimalFileSizeWithFullHashCalculation(false);
    ASSERT_TRUE(runMainLoopUntil([&] { return scanner->getCurrentState() == FoldersScannerStateFilteringFiles; }));
    // The filter sizes its work on its own queue, just after the phase begins.
    EXPECT_TRUE(runMainLoopUntil([&] { return scanner->getBytesToCompare() == 2u * (500000 + 20000); }));
    EXPECT_EQ(scanner->getCountOfWalkedFolders(), 3u);  // t, t/a, t/b
    EXPECT_EQ(scanner->getCountOfFoundFolders(), 3u);
    EXPECT_DOUBLE_EQ(scanner->getWalkProgress(), 1.0);
    scanner->stopWithIgnoreResult(false);
    gate.set_value();
    runMainLoopUntil([&] { return listener->calls > 0; }, std::chrono::seconds(10));
    EXPECT_FALSE(scanner->wasAutomaticStopApplied());
    EXPECT_LE(scanner->getBytesCompared(), scanner->getBytesToCompare());
}

// The command line starts its report of unread files when this is heard: the files must all be
// compared by then, and the tree still whole.
TEST_F(FoldersScannerTest, TheEndOfTheFileComparisonIsHeardOnceBeforeTheFolderPhases) {
    std::string tree = makeTree();
    auto listener = std::make_shared<Listener>();
    auto scanner = FoldersScanner::create({tree}, listener);
    scanner->enableSearchDuplicatesFoldersAndSimilars(true);
    scanner->startScanAndUseMinimalFileSize(0, false);
    ASSERT_TRUE(runMainLoopUntil([&] { return listener->comparedCalls > 0; }));
    EXPECT_TRUE(listener->comparedBeforeResult);
    EXPECT_EQ(scanner->getCurrentState(), FoldersScannerStateFilteringFolders);
    EXPECT_EQ(scanner->getCountOfActualDuplicates(), 4u);
    ASSERT_TRUE(runMainLoopUntil([&] { return listener->calls > 0; }));
    drainMainLoop();
    EXPECT_EQ(listener->comparedCalls, 1);
    EXPECT_EQ(listener->calls, 1);
}

TEST_F(FoldersScannerTest, TheWalksShareOfUnevenTreesAddsUpToTheWhole) {
    for (const char* path : {"t/a/x/y/z/f.txt", "t/a/w/f.txt", "t/a/v/f.txt", "t/b/f.txt", "u/f.txt", "u/e/d/c/b/f.txt"})
        m_dir.writeFile(path, "f");
    m_dir.makeFolder("t/empty");
    auto listener = std::make_shared<Listener>();
    auto scanner = FoldersScanner::create({m_dir / "t", m_dir / "u"}, listener);
    EXPECT_EQ(scanner->getWalkProgress(), 0.0);
    scanner->enableSearchDuplicatesFoldersAndSimilars(false);
    scanner->startScanAndUseMinimalFileSize(0, false);
    ASSERT_TRUE(runMainLoopUntil([&] { return listener->calls > 0; }));
    EXPECT_NEAR(scanner->getWalkProgress(), 1.0, 1e-9);
    EXPECT_EQ(scanner->getCountOfWalkedFolders(), 14u);
    EXPECT_EQ(scanner->getCountOfFoundFolders(), 14u);
}
