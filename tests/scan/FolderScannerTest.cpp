#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>

#include "platform/DirectoryReader.h"
#include "scan/FolderScanner.h"
#include "scan/ObjectWorkersController.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
class RecordingListener : public FolderScannerListener {
public:
    void onScannerFoundFiles(FolderScanner*, std::vector<FileSystemItem*> files) override {
        std::lock_guard lock(mutex);
        maxBatch = std::max(maxBatch, files.size());
        for (auto* f : files) found.insert(f);
        if (!files.empty()) ++batchesBeforeCompletion;
    }
    void onScannerCompletedScanItem(FolderScanner* scanner, VolumeSystemItem*) override {
        root = scanner->takeRoot();
        ++completions;
    }
    std::mutex mutex;
    std::set<FileSystemItem*> found;
    std::size_t maxBatch = 0;
    int batchesBeforeCompletion = 0;
    int completions = 0;
    std::unique_ptr<VolumeSystemItem> root;
};

std::unique_ptr<VolumeSystemItem> walk(const std::string& path, std::shared_ptr<RecordingListener> listener = nullptr) {
    if (!listener) listener = std::make_shared<RecordingListener>();
    auto scanner = FolderScanner::create(path, listener);
    EXPECT_TRUE(runMainLoopUntil([&] { return listener->completions > 0; }));
    drainMainLoop(std::chrono::milliseconds(20));
    EXPECT_EQ(listener->completions, 1);
    return std::move(listener->root);
}

void collect(FolderSystemItem* folder, std::map<std::string, FileSystemItem*>& out) {
    for (auto& c : folder->childrenArray()) {
        out[c->path()] = c.get();
        if (c->isDir()) collect(static_cast<FolderSystemItem*>(c.get()), out);
    }
}

void expectTotalsAreSums(FolderSystemItem* folder) {
    std::int64_t size = 0, logical = 0;
    for (auto& c : folder->childrenArray()) {
        if (c->isDir()) expectTotalsAreSums(static_cast<FolderSystemItem*>(c.get()));
        size += c->gettotalsize();
        logical += c->logicalSize();
    }
    EXPECT_EQ(folder->gettotalsize(), size) << folder->path();
    EXPECT_EQ(folder->logicalSize(), logical) << folder->path();
}
}  // namespace

TEST(FolderScanner, TreeMatchesTheDiskAndSkipsLinksAndJunk) {
    TempDir dir;
    dir.writeFile("a/one.txt", "hello");
    dir.writeFile("a/b/two.bin", std::string(10000, 'x'));
    dir.writeFile("a/.hidden", "h");
    dir.writeFile(".dot/inside.txt", "in");
    dir.writeFile("a/.DS_Store", "junk");
    dir.writeFile("a/Thumbs.db", "junk");
    dir.writeFile("a/.localized", "junk");
    dir.makeFolder(".localized");
    dir.makeFolder("empty");
    symlink((dir / "a").c_str(), (dir / "link-to-a").c_str());
    symlink((dir / "a/one.txt").c_str(), (dir / "link-to-file").c_str());

    auto root = walk(dir.path());
    ASSERT_TRUE(root);
    EXPECT_EQ(root->path(), dir.path());
    std::map<std::string, FileSystemItem*> items;
    collect(root.get(), items);

    std::set<std::string> expected = {dir / "a",          dir / "a/one.txt", dir / "a/b", dir / "a/b/two.bin",
                                      dir / "a/.hidden",  dir / ".dot",      dir / ".dot/inside.txt",
                                      dir / ".localized", dir / "empty"};
    std::set<std::string> got;
    for (auto& [p, _] : items) got.insert(p);
    EXPECT_EQ(got, expected);

    EXPECT_TRUE(items[dir / "a/.hidden"]->isHiddenFlag());
    EXPECT_FALSE(items[dir / ".dot/inside.txt"]->isHiddenFlag());
    EXPECT_TRUE(items[dir / ".dot/inside.txt"]->isTopHiddenFlag());
    EXPECT_FALSE(items[dir / "a/one.txt"]->isTopHiddenFlag());
    EXPECT_EQ(items[dir / "a/b/two.bin"]->logicalSize(), 10000);

    struct stat st;
    ASSERT_EQ(lstat((dir / "a/b/two.bin").c_str(), &st), 0);
    EXPECT_EQ(items[dir / "a/b/two.bin"]->gettotalsize(), st.st_blocks * 512);
    expectTotalsAreSums(root.get());
    EXPECT_EQ(root->logicalSize(), 5 + 10000 + 1 + 2);
}

TEST(FolderScanner, AWideAndDeepTreeIsWalkedWholeWhileWorkersHandFoldersToEachOther) {
    // Three workers wait when the walk begins, so the first one hands half its folders on at once,
    // and the others keep doing so whenever one of them runs dry.
    TempDir dir;
    std::set<std::string> expected;
    for (int a = 0; a < 12; ++a)
        for (int b = 0; b < 6; ++b)
            for (int c = 0; c < 3; ++c) {
                const std::string folder = "t/a" + std::to_string(a) + "/b" + std::to_string(b) + "/c" + std::to_string(c);
                for (int f = 0; f < 4; ++f) dir.writeFile(folder + "/f" + std::to_string(f), std::to_string(f));
            }
    for (const auto& entry : fs::recursive_directory_iterator(dir / "t")) expected.insert(entry.path().string());
    auto listener = std::make_shared<RecordingListener>();
    auto root = walk(dir / "t", listener);
    ASSERT_TRUE(root);
    std::map<std::string, FileSystemItem*> items;
    collect(root.get(), items);
    std::set<std::string> walked;
    for (const auto& [path, item] : items) walked.insert(path);
    EXPECT_EQ(walked, expected);
    EXPECT_EQ(items.size(), 12u * (1 + 6 * (1 + 3 * (1 + 4))));
    std::lock_guard lock(listener->mutex);
    EXPECT_EQ(listener->found.size(), 12u * 6 * 3 * 4) << "each file reported once";
    root->recalculateCountOfDeepChildren();
    EXPECT_EQ(root->getCountOfDeepChildren(), items.size());
}

TEST(FolderScanner, EachFileKeepsTheDigestHintOfTheStampTheWalkSaw) {
    // Hints by inode, for files whose entry carries the stamp lstat gives.
    struct InodeHints : FolderScanDigestHints {
        void giveHints(std::span<const DirectoryEntry* const> files, std::span<FileSystemItem* const> items) const override {
            for (std::size_t i = 0; i < files.size(); ++i) {
                const DirectoryEntry& file = *files[i];
                struct stat st {};
                const std::string path = folder + "/" + std::string(file.name);
                if (::lstat(path.c_str(), &st) != 0 || file.device != st.st_dev || file.inode != st.st_ino ||
                    file.modificationNs != st.st_mtim.tv_sec * 1'000'000'000 + st.st_mtim.tv_nsec ||
                    file.changeNs != st.st_ctim.tv_sec * 1'000'000'000 + st.st_ctim.tv_nsec)
                    continue;
                items[i]->setDigestHint(file.inode);
            }
        }
        std::string folder;
    };
    TempDir dir;
    dir.writeFile("f/one.txt", "one");
    dir.writeFile("f/two.txt", "two");
    dir.writeFile("f/empty.txt", "");
    auto hints = std::make_shared<InodeHints>();
    hints->folder = dir / "f";
    auto listener = std::make_shared<RecordingListener>();
    auto scanner = FolderScanner::create(dir.path(), listener, false, hints);
    ASSERT_TRUE(runMainLoopUntil([&] { return listener->completions > 0; }));
    drainMainLoop(std::chrono::milliseconds(20));
    std::map<std::string, FileSystemItem*> items;
    collect(listener->root.get(), items);

    for (const char* name : {"f/one.txt", "f/two.txt"}) {
        struct stat st {};
        ASSERT_EQ(::lstat((dir / name).c_str(), &st), 0);
        ASSERT_TRUE(items[dir / name]->digestHint()) << name;
        EXPECT_EQ(*items[dir / name]->digestHint(), st.st_ino) << name;
        EXPECT_EQ(items[dir / name]->getDuplicateItem(), nullptr) << "a hint is no link to the results";
    }
    EXPECT_FALSE(items[dir / "f/empty.txt"]->digestHint()) << "an empty file has no digest to find";
    EXPECT_FALSE(items[dir / "f"]->digestHint());
    // The hint and the results link share their room: clearing the link forgets the hint.
    items[dir / "f/one.txt"]->clearDuplicateItemLink();
    EXPECT_FALSE(items[dir / "f/one.txt"]->digestHint());
}

TEST(FolderScanner, UnreadableFolderIsEmptyAndChecked) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    TempDir dir;
    dir.writeFile("locked/secret.txt", "s");
    chmod((dir / "locked").c_str(), 0);
    auto root = walk(dir.path());
    ASSERT_TRUE(root);
    auto* locked = static_cast<FolderSystemItem*>(root->childWithName("locked"));
    ASSERT_TRUE(locked);
    EXPECT_EQ(locked->numberOfChildren(), 0u);
    EXPECT_TRUE(locked->isCheckedForDuplicates());
}

TEST(FolderScanner, ManyFilesArriveInBatchesOfAtMost300) {
    TempDir dir;
    for (int f = 0; f < 40; ++f)
        for (int i = 0; i < 30; ++i) dir.writeFile("d" + std::to_string(f) + "/f" + std::to_string(i), "x");
    auto listener = std::make_shared<RecordingListener>();
    auto root = walk(dir.path(), listener);
    ASSERT_TRUE(root);
    EXPECT_EQ(listener->found.size(), 1200u);
    EXPECT_LE(listener->maxBatch, 300u);
    EXPECT_EQ(root->getCountOfDeepFilesWithHidden(true), 1200u);
    EXPECT_GE(listener->batchesBeforeCompletion, 4);
}

TEST(FolderScanner, CancelReportsAPartialRootOnceAndStopsTouchingTheTree) {
    TempDir dir;
    for (int f = 0; f < 200; ++f)
        for (int i = 0; i < 20; ++i) dir.writeFile("d" + std::to_string(f) + "/sub/f" + std::to_string(i), "x");
    auto listener = std::make_shared<RecordingListener>();
    auto scanner = FolderScanner::create(dir.path(), listener);
    scanner->cancel();
    ASSERT_TRUE(runMainLoopUntil([&] { return listener->completions > 0; }));
    ASSERT_TRUE(listener->root);
    std::uint64_t countAtCompletion = listener->root->getCountOfDeepFilesWithHidden(true);
    std::size_t foundAtCompletion = listener->found.size();
    drainMainLoop(std::chrono::milliseconds(200));
    EXPECT_EQ(listener->completions, 1);
    listener->root->recalculateCountOfDeepChildren();
    EXPECT_EQ(listener->root->getCountOfDeepFilesWithHidden(true), countAtCompletion);
    EXPECT_EQ(listener->found.size(), foundAtCompletion);
    EXPECT_LE(countAtCompletion, 4000u);
}

// The last reference to a scanner may go while a worker is inside it (here: the listener's call on
// the worker's thread); the tree and the pool must outlive that worker. The address sanitizer run
// reports the use after free this guards against.
TEST(FolderScanner, DroppedDuringTheWalkFreesTheTreeOnlyAfterTheWorkersReturn) {
    TempDir dir;
    for (int i = 0; i < 3000; ++i) dir.writeFile("big/f" + std::to_string(i), "x");
    for (int f = 0; f < 50; ++f) dir.writeFile("d" + std::to_string(f) + "/sub/f", "x");

    class BlockingListener : public FolderScannerListener {
    public:
        void onScannerFoundFiles(FolderScanner*, std::vector<FileSystemItem*>) override {
            std::unique_lock lock(mutex);
            ++calls;
            if (calls > 1) return;
            inside = true;
            changed.notify_all();
            changed.wait(lock, [&] { return released; });
        }
        void onScannerCompletedScanItem(FolderScanner*, VolumeSystemItem*) override { ++completions; }
        std::mutex mutex;
        std::condition_variable changed;
        bool inside = false;
        bool released = false;
        int calls = 0;
        std::atomic<int> completions{0};
    };
    auto listener = std::make_shared<BlockingListener>();
    auto scanner = FolderScanner::create(dir.path(), listener);
    {
        std::unique_lock lock(listener->mutex);
        ASSERT_TRUE(listener->changed.wait_for(lock, std::chrono::seconds(30), [&] { return listener->inside; }));
    }
    scanner.reset();  // the worker inside the listener now holds the last reference
    {
        std::lock_guard lock(listener->mutex);
        listener->released = true;
    }
    listener->changed.notify_all();
    drainMainLoop(std::chrono::milliseconds(300));
    EXPECT_EQ(listener->completions.load(), 0);
}

TEST(ObjectWorkersController, EmptyPoolCompletesAtOnceAndCancelCompletesOnce) {
    class NoopFactory : public ObjectTaskFactory {};
    std::atomic<int> completions{0};
    auto pool = ObjectWorkersController::create("test", std::make_shared<NoopFactory>(), 4, {},
                                                [&](ObjectWorkersController*) { ++completions; });
    ASSERT_TRUE(runMainLoopUntil([&] { return completions.load() == 1; }));
    pool->cancel();
    drainMainLoop(std::chrono::milliseconds(50));
    EXPECT_EQ(completions.load(), 1);
}
