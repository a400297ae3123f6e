// Duplicate folders end to end: real trees scanned by the scan driver, the folder separator on its
// own, the hidden category, and a stop during folder filtering.
#include <gtest/gtest.h>

#include <set>

#include "detection/FileType.h"
#include "detection/FolderSeparator.h"
#include "detection/FolderSeparatorForContainer.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "scan/FolderSystemItem.h"
#include "scan/FoldersScanner.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace {
using PathSets = std::set<std::set<std::string>>;

class Listener : public FoldersScannerListener {
public:
    void onFilesCompared(const std::shared_ptr<DuplicatesContainer>&) override {}
    void onScanCompleteWithResult(std::shared_ptr<DuplicatesContainer> c) override {
        container = std::move(c);
        ++calls;
    }
    std::shared_ptr<DuplicatesContainer> container;
    int calls = 0;
};

class SeparatorListener : public FolderSeparatorForContainerListener {
public:
    void onFinishFolderSeparator(FolderSeparatorForContainer*, const FolderSets& r,
                                 const std::shared_ptr<DuplicatesContainer>&) override {
        result = r;
        done = true;
    }
    FolderSets result;
    std::atomic<bool> done{false};  // set on the separator's queue, read by the test's thread
};

class DuplicateFoldersTest : public ::testing::Test {
protected:
    void SetUp() override { Settings::setStandard(std::make_shared<Settings>(m_dir / "settings.json")); }
    void TearDown() override { Settings::setStandard(nullptr); }

    std::shared_ptr<DuplicatesContainer> scan(const std::string& relative, bool folders = true) {
        auto listener = std::make_shared<Listener>();
        m_scanner = FoldersScanner::create({m_dir / relative}, listener);
        m_scanner->enableSearchDuplicatesFoldersAndSimilars(folders);
        m_scanner->startScanAndUseMinimalFileSize(0, true);
        EXPECT_TRUE(runMainLoopUntil([&] { return listener->calls > 0; }));
        drainMainLoop();
        EXPECT_EQ(listener->calls, 1);
        return listener->container;
    }
    // Relative paths of each group's members in a category.
    PathSets groupsOf(DuplicatesCategory* category) const {
        PathSets sets;
        for (const auto& group : category->getGroups()) {
            std::set<std::string> paths;
            for (const auto& item : group->getItems()) paths.insert(item->getFileItemPath().substr(m_dir.path().size() + 1));
            sets.insert(paths);
        }
        return sets;
    }
    FolderSystemItem* folder(DuplicatesContainer& c, const std::string& relative) const {
        return static_cast<FolderSystemItem*>(c.findExistedSystemItemWithPath(m_dir / relative));
    }
    FolderSets separate(DuplicatesContainer& c, const std::vector<std::string>& relatives, bool stopAtOnce = false) {
        std::vector<FolderSystemItem*> folders;
        for (const auto& r : relatives) folders.push_back(folder(c, r));
        auto listener = std::make_shared<SeparatorListener>();
        auto separator = FolderSeparatorForContainer::create();
        separator->separateItems(folders, c.shared_from_this(), listener);
        if (stopAtOnce) separator->stop();
        EXPECT_TRUE(runMainLoopUntil([&] { return listener->done.load(); }));
        return listener->result;
    }
    std::set<std::string> names(const FolderSets& sets) const {
        std::set<std::string> out;
        for (const auto& set : sets) {
            std::string joined;
            std::set<std::string> paths;
            for (auto* f : set) paths.insert(f->path().substr(m_dir.path().size() + 1));
            for (const auto& p : paths) joined += p + ";";
            out.insert(joined);
        }
        return out;
    }

    TempDir m_dir;
    std::shared_ptr<FoldersScanner> m_scanner;
};
}  // namespace

TEST_F(DuplicateFoldersTest, AnExtraUniqueFileKeepsAFolderOutOfTheGroup) {
    for (const char* f : {"t/A", "t/B", "t/C"}) {
        m_dir.writePatternFile(std::string(f) + "/one.bin", 40000, 1);
        m_dir.writePatternFile(std::string(f) + "/two.jpg", 9000, 2);
    }
    m_dir.writePatternFile("t/C/extra.dat", 1234, 3);
    auto c = scan("t");
    ASSERT_TRUE(c);
    EXPECT_EQ(groupsOf(c->getCategoryWithType(FileTypeFolder)), (PathSets{{"t/A", "t/B"}}));
    // C's copies keep their file groups visible: one copy of each lies outside duplicate folders.
    EXPECT_EQ(groupsOf(c->getCategoryWithType(FileTypeOther)), (PathSets{{"t/A/one.bin", "t/B/one.bin", "t/C/one.bin"}}));
    // Both copies count: their content by its logical size, the category's total by blocks on disk.
    auto folders = c->getCategoryWithType(FileTypeFolder)->getGroups().front();
    EXPECT_EQ(folders->getTotalContentSize(), 2u * 49000);
    EXPECT_EQ(c->getCategoryWithType(FileTypeFolder)->getTotalSize(), static_cast<std::int64_t>(2 * folders->oneItemDiskSize()));
}

TEST_F(DuplicateFoldersTest, NestedDuplicateFoldersFormOneGroupAndHideWhatIsInside) {
    for (const char* f : {"t/A", "t/B"}) {
        m_dir.writePatternFile(std::string(f) + "/one.bin", 30000, 1);
        m_dir.writePatternFile(std::string(f) + "/sub/two.bin", 20000, 2);
        m_dir.writePatternFile(std::string(f) + "/sub/three.txt", 5000, 3);
    }
    auto c = scan("t");
    ASSERT_TRUE(c);
    EXPECT_EQ(groupsOf(c->getCategoryWithType(FileTypeFolder)), (PathSets{{"t/A", "t/B"}}));
    for (int type = FileTypeImage; type <= FileTypeOther; ++type)
        EXPECT_EQ(c->getCategoryWithType(type)->getGroupsCount(), 0u) << type;
    EXPECT_EQ(groupsOf(c->getHiddenCategoryOfDuplicates()),
              (PathSets{{"t/A/sub", "t/B/sub"},
                        {"t/A/one.bin", "t/B/one.bin"},
                        {"t/A/sub/two.bin", "t/B/sub/two.bin"},
                        {"t/A/sub/three.txt", "t/B/sub/three.txt"}}));
    // The folder group counts a folder by its logical size (and its blocks on disk), and one copy may go.
    auto group = c->getCategoryWithType(FileTypeFolder)->getGroups().front();
    EXPECT_EQ(group->oneItemSize(), 55000u);
    EXPECT_EQ(group->getContentSizeThatCanBeRemoved(), 55000u);
    EXPECT_EQ(group->getSizeThatCanBeRemoved(), group->oneItemDiskSize());
    EXPECT_GE(group->oneItemDiskSize(), 55000u);

    // When one folder leaves the folder group, the other's content is no longer inside a duplicate
    // folder: the clean-up dissolves the folder group, the sub-folder group and one.bin come back
    // to their kinds, and what lies in the sub-folders stays hidden behind them.
    DuplicateItem* b = folder(*c, "t/B")->getDuplicateItem();
    ASSERT_TRUE(b);
    group->removeDuplicateItem(b);
    c->validateEmptyDataAfterRemoveWithListener(nullptr);
    drainMainLoop();
    EXPECT_EQ(groupsOf(c->getCategoryWithType(FileTypeFolder)), (PathSets{{"t/A/sub", "t/B/sub"}}));
    EXPECT_EQ(groupsOf(c->getCategoryWithType(FileTypeOther)), (PathSets{{"t/A/one.bin", "t/B/one.bin"}}));
    EXPECT_EQ(groupsOf(c->getHiddenCategoryOfDuplicates()),
              (PathSets{{"t/A/sub/two.bin", "t/B/sub/two.bin"}, {"t/A/sub/three.txt", "t/B/sub/three.txt"}}));
}

TEST_F(DuplicateFoldersTest, SeparatorSplitsThreeCandidatesIntoTheMatchingPair) {
    // A and C are identical; B has the same shape, but its second file differs in content.
    for (const char* f : {"s/A", "s/B", "s/C"}) m_dir.writePatternFile(std::string(f) + "/x.bin", 7000, 1);
    m_dir.writePatternFile("s/A/y.bin", 3000, 2);
    m_dir.writePatternFile("s/B/y.bin", 3000, 9);
    m_dir.writePatternFile("s/C/y.bin", 3000, 2);
    // Empty folders: the same name matches, another name does not.
    m_dir.makeFolder("s/E1/same");
    m_dir.makeFolder("s/E2/same");
    m_dir.makeFolder("s/E3/other");
    auto c = scan("s", false);
    ASSERT_TRUE(c);
    EXPECT_EQ(names(separate(*c, {"s/A", "s/B", "s/C"})), (std::set<std::string>{"s/A;s/C;"}));
    EXPECT_EQ(groupsOf(c->getCategoryWithType(FileTypeFolder)), (PathSets{{"s/A", "s/C"}}));
    for (const char* f : {"s/A", "s/B", "s/C"}) EXPECT_TRUE(folder(*c, f)->isCheckedForDuplicates()) << f;

    EXPECT_EQ(names(separate(*c, {"s/E1/same", "s/E3/other", "s/E2/same"})), (std::set<std::string>{"s/E1/same;s/E2/same;"}));
    EXPECT_TRUE(separate(*c, {"s/E3/other", "s/E1"}).empty());
}

namespace {
class Delegate : public FolderSeparatorDelegate {
public:
    void onProcessedItemsCount(std::uint64_t) override {}
    void processIndermediateItemsWithSameHash(const FileItemsByHash&) override {}
    void onFinishSeparateFolderItems(std::optional<FolderSets> r, FolderSeparator*) override {
        result = std::move(r);
        ++calls;
    }
    std::optional<FolderSets> result;
    std::atomic<int> calls{0};  // written on the separator's queue, read by the test's thread
};
}  // namespace

TEST_F(DuplicateFoldersTest, AStoppedSeparationReportsNothingAndMarksItsCandidates) {
    for (const char* f : {"s/A", "s/B"}) m_dir.writePatternFile(std::string(f) + "/x.bin", 7000, 1);
    auto c = scan("s", false);
    ASSERT_TRUE(c);
    auto delegate = std::make_shared<Delegate>();
    auto separator = FolderSeparator::create();
    separator->stop();
    separator->separateItems({folder(*c, "s/A"), folder(*c, "s/B")}, delegate);
    ASSERT_TRUE(runMainLoopUntil([&] { return delegate->calls.load() > 0; }));
    drainMainLoop();
    EXPECT_EQ(delegate->calls.load(), 1);
    EXPECT_FALSE(delegate->result.has_value());
    EXPECT_TRUE(folder(*c, "s/A")->isCheckedForDuplicates());
    EXPECT_TRUE(folder(*c, "s/B")->isCheckedForDuplicates());
}

TEST_F(DuplicateFoldersTest, AStopDuringFolderFilteringStillDeliversAContainerUnlessIgnored) {
    // Many candidate pairs, so that the folder phase lasts a while.
    for (int i = 0; i < 150; ++i)
        for (const char* side : {"a", "b"}) {
            std::string base = "t/" + std::to_string(i) + side;
            m_dir.writePatternFile(base + "/f.bin", 1000 + i, static_cast<std::uint32_t>(i));
            m_dir.writePatternFile(base + "/g.bin", 5000 + i, static_cast<std::uint32_t>(i + 1000));
        }
    for (bool ignore : {false, true}) {
        auto listener = std::make_shared<Listener>();
        auto scanner = FoldersScanner::create({m_dir / "t"}, listener);
        scanner->startScanAndUseMinimalFileSize(0, false);
        bool sawFolders = runMainLoopUntil([&] {
            return scanner->getCurrentState() == FoldersScannerStateFilteringFolders || listener->calls > 0;
        });
        ASSERT_TRUE(sawFolders);
        if (listener->calls > 0) GTEST_SKIP() << "the folder phase ended before the test could stop it";
        scanner->stopWithIgnoreResult(ignore);
        EXPECT_EQ(scanner->getCurrentState(), FoldersScannerStateStopped);
        if (ignore) {
            // Nothing arrives, however long we wait for the phases to wind down.
            runMainLoopUntil([&] { return scanner->getCurrentState() == FoldersScannerStateCompleted; },
                             std::chrono::milliseconds(10000));
            drainMainLoop(std::chrono::milliseconds(200));
            EXPECT_EQ(listener->calls, 0);
        } else {
            ASSERT_TRUE(runMainLoopUntil([&] { return listener->calls > 0; }));
            drainMainLoop();
            EXPECT_EQ(listener->calls, 1);
            ASSERT_TRUE(listener->container);
            EXPECT_EQ(scanner->getCurrentState(), FoldersScannerStateCompleted);
        }
    }
}

TEST_F(DuplicateFoldersTest, WithoutFolderPhasesNoFolderGroupIsFormed) {
    for (const char* f : {"t/A", "t/B"}) m_dir.writePatternFile(std::string(f) + "/one.bin", 30000, 1);
    auto c = scan("t", false);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->getCategoryWithType(FileTypeFolder)->getGroupsCount(), 0u);
    EXPECT_EQ(groupsOf(c->getCategoryWithType(FileTypeOther)), (PathSets{{"t/A/one.bin", "t/B/one.bin"}}));
    EXPECT_EQ(m_scanner->getCurrentState(), FoldersScannerStateCompleted);
}
