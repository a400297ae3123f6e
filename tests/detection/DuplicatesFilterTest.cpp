#include <gtest/gtest.h>

#include <unistd.h>

#include <thread>
#include <vector>

#include "detection/DuplicatesFilter.h"
#include "detection/FileSeparator.h"
#include "platform/SerialQueue.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "scan/VolumeSystemItem.h"
#include "support/TestSupport.h"

namespace {
class RecordingListener : public DuplicatesFilterProgressListener {
public:
    void onDuplicatesFilesFilterStartFilterFiles(std::int64_t count) override { startCount = count; }
    void onDuplicatesFilesFilterProgressChanged(DuplicatesFilterProgress p) override { progress.push_back(p); }
    void onChangedSizeOfPossibleHeaps(std::uint64_t, std::uint64_t) override {}
    void onFilteredFilesCount(std::int32_t count, std::uint64_t size, std::int32_t type) override {
        groups.push_back({count, size, type});
        calls.push_back("group " + std::to_string(type));
    }
    void onFinishSearchDuplicatesFilesWithType(std::int32_t type) override {
        calls.push_back("finished " + std::to_string(type));
    }
    void onFinishFilterWithResultContainer(std::shared_ptr<DuplicatesContainer> c) override {
        container = std::move(c);
        ++finishes;
    }
    struct Group {
        std::int32_t count;
        std::uint64_t size;
        std::int32_t type;
    };
    std::int64_t startCount = -1;
    std::vector<DuplicatesFilterProgress> progress;
    std::vector<Group> groups;
    std::vector<std::string> calls;
    std::shared_ptr<DuplicatesContainer> container;
    int finishes = 0;
};

// A tree over real files: root → folder "d" (or a hidden ".h") → files.
struct Tree {
    explicit Tree(const TempDir& dir) : root(VolumeSystemItem::createRoot(dir.path(), 0, 0)) {}
    FileSystemItem* file(const TempDir& dir, const std::string& folderName, const std::string& name,
                         const std::string& content) {
        dir.writeFile(folderName + "/" + name, content);
        FolderSystemItem* folder = static_cast<FolderSystemItem*>(root->childWithName(folderName));
        if (!folder) folder = FolderSystemItem::createFolder(folderName, root.get(), 0, false, 0, folderName[0] == '.', 0);
        auto size = static_cast<std::int64_t>(content.size());
        return FileSystemItem::createFile(name, folder, size, 0, name[0] == '.', size);
    }
    std::unique_ptr<VolumeSystemItem> root;
};

struct FilterRun {
    std::shared_ptr<DuplicatesFilter> filter;
    std::shared_ptr<RecordingListener> listener = std::make_shared<RecordingListener>();
    std::shared_ptr<SerialQueue> queue = SerialQueue::create("test.filter");

    explicit FilterRun(std::uint64_t minimalSize) {
        FileSeparator::setUseForcedFullHashCalculation(false);
        filter = DuplicatesFilter::create(minimalSize, false, nullptr);
        filter->setWorkingQueue(queue);
        filter->setListener(listener);
    }
    std::uint64_t add(FileSystemItem* item, bool includeHidden = false) {
        std::uint64_t r = 0;
        queue->sync([&] { r = filter->addFileItem(item, false, includeHidden); });
        return r;
    }
    void finish() {
        filter->filterDuplicates();
        ASSERT_TRUE(runMainLoopUntil([&] { return listener->finishes == 1; }));
        drainMainLoop(std::chrono::milliseconds(20));
    }
};
}  // namespace

TEST(DuplicatesFilter, EqualBytesOfDifferentKindsAreNeverCompared) {
    TempDir dir;
    Tree tree(dir);
    FilterRun run(0);
    std::string bytes(5000, 'q');
    EXPECT_EQ(run.add(tree.file(dir, "d", "a.jpg", bytes)), 1u);
    EXPECT_EQ(run.add(tree.file(dir, "d", "a.txt", bytes)), 1u);
    EXPECT_EQ(run.add(tree.file(dir, "d", "b.txt", bytes)), 2u);
    run.finish();
    ASSERT_EQ(run.listener->groups.size(), 1u);
    EXPECT_EQ(run.listener->groups[0].type, FileTypeDocument);
    EXPECT_EQ(run.listener->startCount, 2);
    EXPECT_EQ(run.listener->container->getCategoryWithType(FileTypeImage)->getGroupsCount(), 0u);
    EXPECT_EQ(run.listener->container->getCategoryWithType(FileTypeDocument)->getGroupsCount(), 1u);
}

TEST(DuplicatesFilter, FixedMinimalSizeHiddenParentsAndCheckedItems) {
    TempDir dir;
    Tree tree(dir);
    FilterRun run(1000);
    EXPECT_EQ(run.add(tree.file(dir, "d", "exact.bin", std::string(1000, 'a'))), 1u);
    EXPECT_EQ(run.add(tree.file(dir, "d", "small.bin", std::string(999, 'a'))), 0u);
    // The file's own hidden flag does not matter; a hidden folder above it does.
    EXPECT_EQ(run.add(tree.file(dir, "d", ".dotfile.bin", std::string(1000, 'a'))), 2u);
    EXPECT_EQ(run.add(tree.file(dir, ".h", "inside.bin", std::string(1000, 'a'))), 0u);
    FileSystemItem* checked = tree.file(dir, "d", "checked.bin", std::string(1000, 'a'));
    checked->setIsCheckedForDuplicates(true);
    EXPECT_EQ(run.add(checked), 0u);
    EXPECT_EQ(run.add(tree.file(dir, ".h", "inside2.bin", std::string(1000, 'a')), true), 3u);
    run.finish();
    EXPECT_EQ(run.filter->getCurrentMinimalFileSize(), 1000u);
}

TEST(DuplicatesFilter, FixedModeReportsThePreviousKindFinished) {
    TempDir dir;
    Tree tree(dir);
    FilterRun run(0);
    run.add(tree.file(dir, "d", "a.jpg", std::string(3000, 'i')));
    run.add(tree.file(dir, "d", "b.jpg", std::string(3000, 'i')));
    run.add(tree.file(dir, "d", "a.mp3", std::string(4000, 'm')));
    run.add(tree.file(dir, "d", "b.mp3", std::string(4000, 'm')));
    run.finish();
    EXPECT_EQ(run.listener->calls, (std::vector<std::string>{"group 0", "finished 1", "group 2"}));
    EXPECT_EQ(run.filter->getCurrentMinimalFileSize(), 0u);
}

TEST(DuplicatesFilter, AutomaticModeOrdersBySizeAndCountsLargeBuckets) {
    TempDir dir;
    Tree tree(dir);
    FilterRun run(DuplicatesFilter::kAutomaticMinimalSize);
    run.add(tree.file(dir, "d", "small1.txt", std::string(100, 's')));
    run.add(tree.file(dir, "d", "small2.txt", std::string(100, 's')));
    run.add(tree.file(dir, "d", "mid1.jpg", std::string(900, 'm')));
    run.add(tree.file(dir, "d", "mid2.jpg", std::string(900, 'm')));
    run.finish();
    ASSERT_EQ(run.listener->groups.size(), 2u);
    EXPECT_EQ(run.listener->groups[0].size, 900u);  // largest size first, whatever the kind
    EXPECT_EQ(run.listener->groups[1].size, 100u);
    // No bucket reaches 1 000 000 bytes: the count covers the first smaller bucket only.
    EXPECT_EQ(run.filter->minimalCountOfGroupsCalculatedWhenAutoDefineMinimalFileSize(), 1);
    // Nothing was stopped: every size was examined.
    EXPECT_EQ(run.filter->getCurrentMinimalFileSize(), 0u);
    // Once stopped, the size handed on is that of the smallest confirmed group.
    run.queue->sync([&] { run.filter->stopFilterDuplicates(); });
    EXPECT_EQ(run.filter->getCurrentMinimalFileSize(), 100u);
}

TEST(DuplicatesFilter, StopBeforeTheFirstBucketStillDeliversAnEmptyContainer) {
    TempDir dir;
    Tree tree(dir);
    FilterRun run(0);
    run.add(tree.file(dir, "d", "a.bin", std::string(3000, 'x')));
    run.add(tree.file(dir, "d", "b.bin", std::string(3000, 'x')));
    // Hold the working queue so that the stop lands after the ordering but before any group.
    std::atomic<bool> release{false};
    run.queue->async([&] {
        while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    run.filter->filterDuplicates();
    run.queue->async([&] { run.filter->stopFilterDuplicates(); });
    release = true;
    ASSERT_TRUE(runMainLoopUntil([&] { return run.listener->finishes == 1; }));
    ASSERT_TRUE(run.listener->container);
    EXPECT_EQ(run.listener->container->getAllFilesGroups().size(), 0u);
    EXPECT_TRUE(run.filter->isFilterCanceled());
}

TEST(DuplicatesFilter, AFileDeletedBeforeHashingJoinsNoGroup) {
    TempDir dir;
    Tree tree(dir);
    FilterRun run(0);
    run.add(tree.file(dir, "d", "a.bin", std::string(3000, 'x')));
    run.add(tree.file(dir, "d", "b.bin", std::string(3000, 'x')));
    run.add(tree.file(dir, "d", "c.bin", std::string(3000, 'x')));
    std::remove((dir / "d/c.bin").c_str());
    run.finish();
    ASSERT_EQ(run.listener->groups.size(), 1u);
    EXPECT_EQ(run.listener->groups[0].count, 2);
}

// More candidates than one separation takes: the next separation is hashed while the sets of the one
// before are filed, yet the sets arrive in bucket order and each keeps the other names of its own files.
TEST(DuplicatesFilter, SeveralSeparationsKeepTheBucketOrderAndTheirOwnOtherNames) {
    TempDir dir;
    Tree tree(dir);
    FilterRun run(DuplicatesFilter::kAutomaticMinimalSize);
    const int sizes = static_cast<int>(DuplicatesFilter::kFilesPerSeparation) / 2 + 200;
    for (int i = 0; i < sizes; ++i) {
        const std::string content(static_cast<std::size_t>(1000 + i), static_cast<char>('a' + i % 26));
        const std::string a = "a" + std::to_string(i) + ".bin";
        FileSystemItem* first = tree.file(dir, "d", a, content);
        // The largest size is hashed by the first separation, the smallest by the last one.
        if (i == 0 || i == sizes - 1) {
            const std::string name = "link" + std::to_string(i) + ".bin";
            ASSERT_EQ(::link((dir / ("d/" + a)).c_str(), (dir / ("d/" + name)).c_str()), 0);
            const auto size = first->logicalSize();
            FileSystemItem* link = FileSystemItem::createFile(name, first->parent(), size, 0, false, size);
            first->setHasOtherNames(true);
            link->setHasOtherNames(true);
            run.add(link);
        }
        run.add(first);
        run.add(tree.file(dir, "d", "b" + std::to_string(i) + ".bin", content));
    }
    run.finish();
    ASSERT_EQ(run.listener->groups.size(), static_cast<std::size_t>(sizes));
    for (std::size_t i = 0; i < run.listener->groups.size(); ++i) {
        const auto& g = run.listener->groups[i];
        EXPECT_EQ(g.size, static_cast<std::uint64_t>(1000 + sizes - 1 - static_cast<int>(i))) << i;  // largest first
        EXPECT_EQ(g.count, i == 0 || i + 1 == run.listener->groups.size() ? 3 : 2) << i;
    }
}
