// Another program changes the tree between the scan and the removal, or at an exact moment of the
// run: no copy is removed unless a member that stays still vouches for it at that moment.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cstdio>
#include <filesystem>
#include <future>

#include "RemovalFixture.h"
#include "detection/DigestCache.h"
#include "detection/FileSeparator.h"
#include "platform/FileReader.h"
#include "platform/SerialQueue.h"

namespace {

namespace stdfs = std::filesystem;

// The run removes one copy after another (one remove queue), so "before the Nth removal" is exact.
constexpr int kOneAtATime = 1;

// Hands the one answer of a separation to the test's thread.
class SeparationResult : public FileSeparatorListener {
public:
    void onFinishSeparateItemsByHash(FileItemsByHash result) override { m_promise.set_value(std::move(result)); }
    FileItemsByHash get() { return m_promise.get_future().get(); }

private:
    std::promise<FileItemsByHash> m_promise;
};

std::map<std::string, std::string> reasonsOf(const DuplicateItemsRemover& r) {
    std::map<std::string, std::string> reasons;
    for (const auto& e : r.removeErrors()) reasons[e->path()] = e->reasonText();
    return reasons;
}

struct RemovalSafety : RemovalFixture {
    // keep.jpg stays; copies c01 … c19 are selected.
    std::vector<std::string> twentyCopies(const std::string& content) {
        std::vector<FileSystemItem*> nodes{file("keep.jpg", content)};
        std::vector<std::string> copies;
        std::set<std::size_t> selected;
        for (int i = 1; i < 20; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "c%02d.jpg", i);
            nodes.push_back(file(name, content));
            copies.push_back(dir / name);
            selected.insert(static_cast<std::size_t>(i));
        }
        group(nodes, selected);
        return copies;
    }
    static int countExisting(const std::vector<std::string>& paths) {
        int n = 0;
        for (const auto& p : paths) n += exists(p);
        return n;
    }
};

// 20 copies of one photo, keep.jpg staying; keep.jpg is deleted as the third removal starts.
void keptCopyDeletedAtTheThirdRemoval(RemovalSafety& t, bool toTrash) {
    auto remover = std::make_shared<FakeFileRemover>();
    auto trash = std::make_shared<FakeTrash>();
    FileRemover::setStandard(remover);
    Trash::setStandard(trash);
    const auto copies = t.twentyCopies("the only photo");
    RemovalMoment& moment = toTrash ? trash->moment : remover->moment;
    moment.n = 3;
    moment.action = [&] { std::remove((t.dir / "keep.jpg").c_str()); };

    auto r = t.run(toTrash, true, false, kOneAtATime);
    // The third copy had passed its check when keep.jpg went; no later copy passes it.
    EXPECT_EQ(r->totalRemovedCount(), 3);
    EXPECT_EQ(RemovalSafety::countExisting(copies), 16);
    for (const auto& [path, reason] : reasonsOf(*r))
        EXPECT_NE(reason.find("stays is still there"), std::string::npos) << path << ": " << reason;
}

TEST_F(RemovalSafety, TheKeptCopyDeletedDuringAPermanentRunStopsEveryLaterRemoval) {
    keptCopyDeletedAtTheThirdRemoval(*this, false);
}

TEST_F(RemovalSafety, TheKeptCopyDeletedDuringATrashRunStopsEveryLaterRemoval) {
    keptCopyDeletedAtTheThirdRemoval(*this, true);
}

TEST_F(RemovalSafety, TheKeptCopyOverwrittenDuringTheRunStopsEveryLaterRemoval) {
    auto trash = std::make_shared<FakeTrash>();
    Trash::setStandard(trash);
    const auto copies = twentyCopies("0123456789");
    trash->moment.n = 2;
    trash->moment.action = [&] {
        // Same size, same modification time: only reading the content now tells.
        struct stat st {};
        stat((dir / "keep.jpg").c_str(), &st);
        dir.writeFile("keep.jpg", "0123456780");
        struct utimbuf times {st.st_atime, st.st_mtime};
        utime((dir / "keep.jpg").c_str(), &times);
    };
    auto r = run(true, true, false, kOneAtATime);
    EXPECT_EQ(r->totalRemovedCount(), 2);
    EXPECT_EQ(countExisting(copies), 17);
    for (const auto& [path, reason] : reasonsOf(*r)) EXPECT_NE(reason.find("content differs"), std::string::npos) << reason;
}

TEST_F(RemovalSafety, AFolderSwappedForALinkIsNeverFollowed) {
    // A/x.jpg stays, B/x.jpg goes. Then A is replaced by a link to B: "A/x.jpg" now names B/x.jpg.
    auto a = file("A/x.jpg", "photo");
    auto b = file("B/x.jpg", "photo");
    group({a, b}, {1});
    // C/y.jpg goes; C is then replaced by a link to a folder outside the tree holding the same file.
    auto k = file("K/y.jpg", "other photo");
    auto c = file("C/y.jpg", "other photo");
    group({k, c}, {1});
    saveRoots();
    TempDir outside;
    outside.writeFile("y.jpg", "other photo");
    stdfs::remove_all(dir / "A");
    stdfs::create_directory_symlink(dir / "B", dir / "A");
    stdfs::remove_all(dir / "C");
    stdfs::create_directory_symlink(outside.path(), dir / "C");

    auto r = run(false);
    EXPECT_EQ(r->totalRemovedCount(), 0);
    EXPECT_TRUE(exists(dir / "B/x.jpg"));
    EXPECT_TRUE(exists(outside / "y.jpg"));
    auto reasons = reasonsOf(*r);
    EXPECT_NE(reasons[dir / "C/y.jpg"].find("replaced"), std::string::npos) << reasons[dir / "C/y.jpg"];
    EXPECT_NE(reasons[dir / "B/x.jpg"].find("stays"), std::string::npos) << reasons[dir / "B/x.jpg"];
}

TEST_F(RemovalSafety, ACopyOrAKeptCopyReplacedByALinkOrAFifoIsKept) {
    auto a = file("a/song.mp3", "music");
    auto b = file("b/song.mp3", "music");
    group({a, b}, {1});
    auto x = file("x/clip.mp4", "video");
    auto y = file("y/clip.mp4", "video");
    group({x, y}, {1});
    saveRoots();
    // The kept song becomes a link to the copy: removing the copy would leave a dangling link.
    std::remove((dir / "a/song.mp3").c_str());
    stdfs::create_symlink(dir / "b/song.mp3", dir / "a/song.mp3");
    // The copy of the clip becomes a FIFO: it is never opened for reading (which would hang).
    std::remove((dir / "y/clip.mp4").c_str());
    ASSERT_EQ(mkfifo((dir / "y/clip.mp4").c_str(), 0600), 0);

    auto r = run(false);
    EXPECT_EQ(r->totalRemovedCount(), 0);
    EXPECT_TRUE(exists(dir / "b/song.mp3"));
    auto reasons = reasonsOf(*r);
    EXPECT_NE(reasons[dir / "y/clip.mp4"].find("no longer a regular file"), std::string::npos);
}

TEST_F(RemovalSafety, NamesOfOneFileAreOneCopy) {
    // b is a second name of a: removing it frees nothing and the check refuses it.
    auto a = file("a/doc.pdf", "document");
    auto b = node("b/doc.pdf", 8);
    dir.makeFolder("b");
    ASSERT_EQ(link((dir / "a/doc.pdf").c_str(), (dir / "b/doc.pdf").c_str()), 0);
    group({a, b}, {1});
    // The kept copy is replaced by a second name of the selected copy after the scan.
    auto k = file("k/img.png", "image");
    auto c = file("c/img.png", "image");
    group({k, c}, {1});
    saveRoots();
    std::remove((dir / "k/img.png").c_str());
    ASSERT_EQ(link((dir / "c/img.png").c_str(), (dir / "k/img.png").c_str()), 0);

    auto r = run(false);
    EXPECT_EQ(r->totalRemovedCount(), 0);
    auto reasons = reasonsOf(*r);
    EXPECT_NE(reasons[dir / "b/doc.pdf"].find("hard links"), std::string::npos) << reasons[dir / "b/doc.pdf"];
    EXPECT_NE(reasons[dir / "c/img.png"].find("hard links"), std::string::npos) << reasons[dir / "c/img.png"];
}

TEST_F(RemovalSafety, AGroupWithEveryCopySelectedKeepsThemAll) {
    auto a = file("a/t.txt", "text");
    auto b = file("b/t.txt", "text");
    group({a, b}, {});
    for (const auto& item : container->getAllFilesGroups().front()->getItems()) item->selectItemForced(true);
    ASSERT_EQ(container->buildRemoveListAsArray().size(), 2u);
    auto r = run(false);
    EXPECT_EQ(r->totalRemovedCount(), 0);
    EXPECT_TRUE(exists(dir / "a/t.txt"));
    EXPECT_TRUE(exists(dir / "b/t.txt"));
}

TEST_F(RemovalSafety, FolderCopiesCompareByContentWhateverTheNames) {
    // F2 holds F1's content under other names: it goes. G2 holds one more (hidden) file: it stays.
    dir.writeFile("F1/a.txt", "alpha");
    dir.writeFile("F1/sub/b.txt", "beta");
    dir.writeFile("F2/one.txt", "alpha");
    dir.writeFile("F2/deeper/two.txt", "beta");
    dir.writeFile("G1/a.txt", "gamma");
    dir.writeFile("G2/a.txt", "gamma");
    dir.writeFile("G2/.only-here", "unique notes");
    auto folder = [&](const std::string& name) {
        return FolderSystemItem::createFolder(name, root.get(), 0, false, 0, false, 0);
    };
    group({folder("F1"), folder("F2")}, {1});
    group({folder("G1"), folder("G2")}, {1});

    auto r = run(false);
    EXPECT_FALSE(exists(dir / "F2"));
    EXPECT_TRUE(exists(dir / "F1/sub/b.txt"));
    EXPECT_TRUE(exists(dir / "G2/.only-here"));
    auto reasons = reasonsOf(*r);
    EXPECT_NE(reasons[dir / "G2"].find("content differs"), std::string::npos) << reasons[dir / "G2"];
}

TEST_F(RemovalSafety, SparseCopiesAreComparedWithoutReadingTheirHoles) {
    // Two 64 GiB files that are holes but for a few bytes: reading them whole would take minutes.
    const std::uint64_t size = std::uint64_t{64} << 30;
    auto sparse = [&](const std::string& relative, const std::string& tail) {
        const std::string path = dir.writeFile(relative, "");
        const int fd = ::open(path.c_str(), O_WRONLY);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(size - tail.size())),
                  static_cast<ssize_t>(tail.size()));
        ::close(fd);
        return node(relative, static_cast<std::int64_t>(size));
    };
    auto a = sparse("a/disk.img", "end");
    auto b = sparse("b/disk.img", "end");
    auto c = sparse("c/disk.img", "END");
    group({a, b, c}, {1, 2});
    auto r = run(false);
    EXPECT_FALSE(exists(dir / "b/disk.img"));
    EXPECT_TRUE(exists(dir / "c/disk.img"));
    EXPECT_NE(reasonsOf(*r)[dir / "c/disk.img"].find("content differs"), std::string::npos);
}

}  // namespace

namespace {

TEST_F(RemovalSafety, TheCheckReadsTheBytesWhateverTheDigestCacheSays) {
    const std::string content(1000, 'k');  // digested whole by a scan
    auto kept = file("a/data.bin", content);
    auto copy = file("b/data.bin", content);
    group({kept, copy}, {1});
    saveRoots();
    // The kept file changes after the scan, size unchanged, and the digest cache is made to vouch that
    // the two are still equal: an entry for each file's present stamp, with one digest.
    dir.writeFile("a/data.bin", std::string(1000, 'x'));
    auto cache = std::make_shared<DigestCache>(dir / "cache/digests", DigestCache::kDefaultMaxBytes, 0);
    cache->load();
    std::vector<DigestCache::Entry> entries;
    for (const char* path : {"a/data.bin", "b/data.bin"}) {
        FileStamp stamp;
        ASSERT_TRUE(FileReader::stampOfPath((dir / path).c_str(), stamp));
        DigestCache::Entry entry;
        entry.key = DigestCache::Key::of(stamp, DigestCache::kWholeFile);
        entry.digest.fill(0x42);
        entries.push_back(entry);
    }
    cache->update(entries, {});
    ASSERT_TRUE(cache->save());
    cache->loadForScan();
    FileSeparator::setDigestCache(cache);

    // A scan believes it: the two land in one set without either being opened.
    auto scanRoot = VolumeSystemItem::createRoot(dir.path(), 0, 0);
    std::vector<FileSystemItem*> items;
    for (const char* folder : {"a", "b"})
        items.push_back(FileSystemItem::createFile(
            "data.bin", FolderSystemItem::createFolder(folder, scanRoot.get(), 0, false, 0, false, 0), 1000, 0, false, 1000));
    const std::uint64_t opened = FileReader::countOfOpenedFiles();
    auto listener = std::make_shared<SeparationResult>();
    FileSeparator::create()->separateItems(items, listener);
    const FileItemsByHash sets = listener->get();
    FileSeparator::workingQueue()->sync([] {});
    EXPECT_EQ(FileReader::countOfOpenedFiles(), opened);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets.begin()->second.size(), 2u);

    // The removal does not: it compares the bytes themselves and keeps the copy.
    auto r = run(true, true, false, kOneAtATime);
    FileSeparator::setDigestCache(nullptr);
    ASSERT_EQ(r->removeErrors().size(), 1u);
    EXPECT_NE(reasonsOf(*r)[dir / "b/data.bin"].find("content"), std::string::npos) << reasonsOf(*r)[dir / "b/data.bin"];
    EXPECT_TRUE(exists(dir / "b/data.bin"));
    EXPECT_TRUE(exists(dir / "a/data.bin"));
}

}  // namespace
