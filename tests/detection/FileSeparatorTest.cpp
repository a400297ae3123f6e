// Content hashing over real files: sets of identical files, full confirmation by kind, empty files,
// vanished and linked files, cancellation and the listener contract.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <future>

#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "detection/FileSeparator.h"
#include "detection/HashingTestHelpers.h"
#include "platform/SerialQueue.h"
#include "scan/FileSystemItem.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

using hashing_test::md5Hex;
using hashing_test::readAll;
using hashing_test::regions;
using namespace std::chrono_literals;

namespace {

class RecordingListener : public FileSeparatorListener {
public:
    void onFinishSeparateItemsByHash(FileItemsByHash result) override {
        std::lock_guard lock(m_mutex);
        ++m_nCalls;
        m_bOnWorkingQueue = m_bOnWorkingQueue && FileSeparator::workingQueue()->isCurrent();
        m_result = std::move(result);
        m_changed.notify_all();
    }
    bool waitForCall(std::chrono::milliseconds timeout = 20s) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_nCalls > 0; });
    }
    int calls() {
        std::lock_guard lock(m_mutex);
        return m_nCalls;
    }
    bool calledOnWorkingQueue() {
        std::lock_guard lock(m_mutex);
        return m_bOnWorkingQueue;
    }
    FileItemsByHash result() {
        std::lock_guard lock(m_mutex);
        return m_result;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_nCalls = 0;             // guarded by m_mutex
    bool m_bOnWorkingQueue = true;  // guarded by m_mutex
    FileItemsByHash m_result;     // guarded by m_mutex
};

// Records the one answer to separateBuckets.
class BucketsListener : public FileSeparatorListener {
public:
    void onFinishSeparateItemsByHash(FileItemsByHash) override { ADD_FAILURE() << "a run of lists answers per run"; }
    void onFinishSeparateBuckets(std::vector<FileItemsByHash> results) override {
        std::lock_guard lock(m_mutex);
        ++m_nCalls;
        m_results = std::move(results);
        m_changed.notify_all();
    }
    bool waitForCall() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 20s, [&] { return m_nCalls > 0; });
    }
    int calls() {
        std::lock_guard lock(m_mutex);
        return m_nCalls;
    }
    std::vector<FileItemsByHash> results() {
        std::lock_guard lock(m_mutex);
        return m_results;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_nCalls = 0;                     // guarded by m_mutex
    std::vector<FileItemsByHash> m_results;  // guarded by m_mutex
};

// Waits until every task queued on the working queue so far has run.
void drainWorkingQueue() { FileSeparator::workingQueue()->sync([] {}); }

// A scanned tree over real files in a temporary folder.
class SeparatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pRoot = VolumeSystemItem::createRoot(m_dir.path(), 0, 0);
        FileSeparator::setUseForcedFullHashCalculation(false);
        FileSeparator::setDigestCache(nullptr);  // every file is read (DigestCacheTest covers the cache)
    }
    void TearDown() override {
        FileSeparator::setUseForcedFullHashCalculation(false);
        Settings::setStandard(nullptr);
        drainWorkingQueue();
    }

    FolderSystemItem* folder(const std::string& name) {
        if (name.empty()) return m_pRoot.get();
        if (auto* existing = m_pRoot->childWithName(name)) return static_cast<FolderSystemItem*>(existing);
        m_dir.makeFolder(name);
        return FolderSystemItem::createFolder(name, m_pRoot.get(), 0, false, 0, false, 0);
    }
    // Writes the file and adds its item with the real size.
    FileSystemItem* addFile(const std::string& folderName, const std::string& name, const std::string& content) {
        FolderSystemItem* parent = folder(folderName);
        m_dir.writeFile(folderName.empty() ? name : folderName + "/" + name, content);
        auto size = static_cast<std::int64_t>(content.size());
        return FileSystemItem::createFile(name, parent, size, 0, false, size);
    }

    // Runs one separation to its end; checks the listener contract on the way.
    FileItemsByHash separate(const std::vector<FileSystemItem*>& items) {
        auto listener = std::make_shared<RecordingListener>();
        auto separator = FileSeparator::create();
        separator->separateItems(items, listener);
        EXPECT_TRUE(listener->waitForCall());
        drainWorkingQueue();
        EXPECT_EQ(listener->calls(), 1);
        EXPECT_TRUE(listener->calledOnWorkingQueue());
        return listener->result();
    }

    static std::string pattern(std::size_t size, std::uint32_t seed) {
        std::string content(size, '\0');
        std::uint32_t state = seed * 2654435761u + 1;
        for (auto& c : content) {
            state = state * 1664525u + 1013904223u;
            c = static_cast<char>(state >> 24);
        }
        return content;
    }

    // Sets as sorted lists of item names, keyed by set size then names, for comparison.
    static std::multiset<std::vector<std::string>> setsOfNames(const FileItemsByHash& result) {
        std::multiset<std::vector<std::string>> sets;
        for (const auto& [key, items] : result) {
            std::vector<std::string> names;
            for (auto* item : items) names.push_back(item->path().substr(item->topParent()->path().size()));
            std::sort(names.begin(), names.end());
            sets.insert(names);
        }
        return sets;
    }

    TempDir m_dir;
    std::unique_ptr<VolumeSystemItem> m_pRoot;
};

// 100000 bytes with the default block: regions [0, 8192), [90112, 100000), [45056, 53248).
constexpr std::size_t kLargeSize = 100000;
constexpr std::size_t kBetweenRegions = 20000;

std::string withByteChanged(std::string content, std::size_t offset) {
    content[offset] = static_cast<char>(content[offset] ^ 0x5A);
    return content;
}

std::string pngBytes(std::initializer_list<unsigned char> idatStart, std::size_t totalSize, bool chunkBeforeIdat) {
    std::string png("\x89PNG\r\n\x1a\n", 8);
    auto chunk = [&](const char* type, const std::string& data) {
        std::uint32_t n = static_cast<std::uint32_t>(data.size());
        png += {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
        png += type;
        png += data;
        png += std::string("\x01\x02\x03\x04", 4);  // CRC (not checked)
    };
    chunk("IHDR", std::string(13, '\x01'));
    // Its data looks like the start of an IDAT chunk: only a correct skip of length + CRC passes it.
    if (chunkBeforeIdat) chunk("tEXt", std::string("\0\0\0\x05IDAT\x78\x01\x00", 11));
    std::string data(idatStart.begin(), idatStart.end());
    std::size_t rest = totalSize > png.size() + 12 + data.size() ? totalSize - png.size() - 12 - data.size() : 0;
    data += std::string(rest, '\x11');
    chunk("IDAT", data);
    return png;
}

}  // namespace

TEST_F(SeparatorTest, IdenticalFilesFormSetsAcrossSeveralBatches) {
    // 25 files, each in a folder of its own, in 5 contents, some large enough for partial digests.
    std::vector<FileSystemItem*> items;
    for (int i = 0; i < 25; ++i) {
        std::size_t size = i % 5 == 0 ? 5000 : kLargeSize;
        items.push_back(addFile("f" + std::to_string(i), "file.jpg", pattern(size, 100 + i % 5)));
    }
    FileItemsByHash result = separate(items);
    ASSERT_EQ(result.size(), 5u);
    for (const auto& [key, set] : result) {
        EXPECT_EQ(set.size(), 5u);
        EXPECT_EQ(key.size(), 32u);
    }
    for (auto* item : items) EXPECT_TRUE(item->isCheckedForDuplicates());
}

TEST_F(SeparatorTest, ListsHandedOverTogetherAreSeparatedEachOnItsOwnAndInOrder) {
    // One folder of 150 files (runs of one folder are cut at 64), a second folder and the top folder:
    // identical content in two lists never joins one set, and confirmation passes stay per list.
    std::string large = pattern(kLargeSize, 21), small = pattern(3000, 22);
    std::string text = pattern(kLargeSize, 23), textChanged = withByteChanged(text, kBetweenRegions);
    std::vector<FileSystemItem*> first, second, third, single;
    for (int i = 0; i < 150; ++i) {
        FileSystemItem* item = addFile("many", "f" + std::to_string(i) + ".jpg", i % 2 ? large : small);
        (i < 100 ? first : second).push_back(item);
    }
    second.push_back(addFile("other", "a.jpg", large));
    third = {addFile("", "t1.txt", text), addFile("", "t2.txt", text), addFile("other", "t3.txt", textChanged)};
    // A file that turned into a link since the walk, next to its folder's other files: never read.
    auto* link = addFile("many", "link.jpg", large);
    ASSERT_EQ(::unlink((m_dir.path() + "/many/link.jpg").c_str()), 0);
    ASSERT_EQ(::symlink((m_dir.path() + "/many/f1.jpg").c_str(), (m_dir.path() + "/many/link.jpg").c_str()), 0);
    first.push_back(link);
    single = {addFile("other", "alone.jpg", large)};

    auto listener = std::make_shared<BucketsListener>();
    auto separator = FileSeparator::create();
    separator->separateBuckets({first, {}, second, single, third}, listener);
    ASSERT_TRUE(listener->waitForCall());
    drainWorkingQueue();
    EXPECT_EQ(listener->calls(), 1);
    std::vector<FileItemsByHash> results = listener->results();
    ASSERT_EQ(results.size(), 5u);
    auto sizes = [](const FileItemsByHash& result) {
        std::multiset<std::size_t> out;
        for (const auto& [key, items] : result) out.insert(items.size());
        return out;
    };
    EXPECT_EQ(sizes(results[0]), (std::multiset<std::size_t>{50, 50}));
    EXPECT_TRUE(results[1].empty());
    EXPECT_EQ(sizes(results[2]), (std::multiset<std::size_t>{25, 26}));
    EXPECT_TRUE(results[3].empty());
    EXPECT_EQ(sizes(results[4]), (std::multiset<std::size_t>{1, 2}));
    for (const auto& [key, items] : results[2])
        for (auto* item : items) EXPECT_NE(std::find(second.begin(), second.end(), item), second.end());
    EXPECT_TRUE(single.front()->isCheckedForDuplicates());
    EXPECT_TRUE(link->isCheckedForDuplicates());
    EXPECT_FALSE(link->wasContentRead());
    EXPECT_TRUE(first.front()->wasContentRead());
    EXPECT_FALSE(single.front()->wasContentRead());
}

TEST_F(SeparatorTest, PartialDigestKeysAreTheSampledRegionsAndSmallFilesTheWholeFile) {
    std::string large = pattern(kLargeSize, 1);
    std::string small = pattern(24575, 2);
    std::vector<FileSystemItem*> items{addFile("a", "x.jpg", large), addFile("b", "x.jpg", large),
                                       addFile("a", "y.jpg", small), addFile("b", "y.jpg", small)};
    FileItemsByHash result = separate(items);
    EXPECT_EQ(result.count(md5Hex(regions(large, {{0, 8192}, {90112, 9888}, {45056, 8192}}))), 1u);
    EXPECT_EQ(result.count(md5Hex(small)), 1u);
}

TEST_F(SeparatorTest, ChangesBetweenRegionsAreFoundOnlyForKindsConfirmedInFull) {
    std::string content = pattern(kLargeSize, 3);
    std::string changed = withByteChanged(content, kBetweenRegions);

    FileItemsByHash jpeg = separate({addFile("a", "photo.jpg", content), addFile("b", "photo.jpg", changed)});
    ASSERT_EQ(jpeg.size(), 1u);
    EXPECT_EQ(jpeg.begin()->second.size(), 2u);

    for (std::string name : {"image.tiff", "IMAGE.TIFF", "notes.Txt"}) {
        SCOPED_TRACE(name);
        FileItemsByHash result = separate({addFile("c", name, content), addFile("d", name, changed)});
        ASSERT_EQ(result.size(), 2u);
        EXPECT_EQ(result.count(md5Hex(content)), 1u);  // whole-file keys after confirmation
        EXPECT_EQ(result.count(md5Hex(changed)), 1u);
    }
}

TEST_F(SeparatorTest, ConfirmationKeepsTheTrulyIdenticalFilesTogether) {
    std::string content = pattern(kLargeSize, 4);
    auto* a = addFile("a", "scan.tif", content);
    auto* b = addFile("b", "scan.tif", content);
    auto* c = addFile("c", "scan.tif", withByteChanged(content, kBetweenRegions));
    FileItemsByHash result = separate({a, b, c});
    ASSERT_EQ(result.size(), 2u);
    ASSERT_EQ(result.count(md5Hex(content)), 1u);
    std::vector<FileSystemItem*> same = result[md5Hex(content)];
    std::sort(same.begin(), same.end());
    std::vector<FileSystemItem*> expected{a, b};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(same, expected);
    for (auto* item : {a, b, c}) EXPECT_TRUE(item->isCheckedForDuplicates());
}

TEST_F(SeparatorTest, ForcedFullHashFindsChangesInAnyKind) {
    std::string content = pattern(kLargeSize, 5);
    FileSeparator::setUseForcedFullHashCalculation(true);
    FileItemsByHash result =
        separate({addFile("a", "photo.jpg", content), addFile("b", "photo.jpg", withByteChanged(content, kBetweenRegions))});
    EXPECT_EQ(result.size(), 2u);
    EXPECT_EQ(result.count(md5Hex(content)), 1u);
}

TEST_F(SeparatorTest, ManyWholeFileDigestsTakenTogetherStayWithTheirFiles) {
    // 60 files in three folders, of four sizes: within a size they share their sampled regions, so
    // each is read whole, many at once, and files of different lengths end (and free their places)
    // while others are midway. Between the regions they come in six contents.
    FileSeparator::setUseForcedFullHashCalculation(true);
    std::map<std::string, std::set<FileSystemItem*>> expected;
    std::vector<FileSystemItem*> items;
    for (int i = 0; i < 60; ++i) {
        const std::string content =
            withByteChanged(pattern(kLargeSize + static_cast<std::size_t>(i % 4) * 70001, 31), kBetweenRegions + i % 6);
        items.push_back(addFile("d" + std::to_string(i % 3), "f" + std::to_string(i) + ".bin", content));
        expected[md5Hex(content)].insert(items.back());
    }
    FileItemsByHash result = separate(items);
    ASSERT_EQ(result.size(), expected.size());
    for (const auto& [key, set] : expected) {
        ASSERT_EQ(result.count(key), 1u) << key;
        EXPECT_EQ(std::set<FileSystemItem*>(result[key].begin(), result[key].end()), set) << key;
    }
    for (auto* item : items) EXPECT_TRUE(item->wasContentRead());
}

TEST_F(SeparatorTest, BlockLengthComesFromTheSettingsAndAbsurdValuesFallBack) {
    EXPECT_EQ(FileSeparator::effectiveHashBlockSize(0), 8192u);
    EXPECT_EQ(FileSeparator::effectiveHashBlockSize(511), 8192u);
    EXPECT_EQ(FileSeparator::effectiveHashBlockSize(512), 512u);
    EXPECT_EQ(FileSeparator::effectiveHashBlockSize(64ull << 20), 64ull << 20);
    EXPECT_EQ(FileSeparator::effectiveHashBlockSize((64ull << 20) + 1), 8192u);
    EXPECT_EQ(FileSeparator::effectiveHashBlockSize(~0ull), 8192u);

    auto settings = std::make_shared<Settings>("");
    Settings::setStandard(settings);
    std::string content = pattern(12289, 6);
    settings->saveUnsignedLongLongValue(4096, "s:hashBlockSize");
    FileItemsByHash result = separate({addFile("a", "x.jpg", content), addFile("b", "x.jpg", content)});
    EXPECT_EQ(result.count(md5Hex(regions(content, {{0, 4096}, {8192, 4097}, {4096, 4096}}))), 1u);

    // A block of 0 falls back to 8192: files that differ in their first byte stay apart.
    settings->saveUnsignedLongLongValue(0, "s:hashBlockSize");
    std::string big = pattern(kLargeSize, 7);
    result = separate({addFile("c", "x.jpg", big), addFile("d", "x.jpg", withByteChanged(big, 0))});
    EXPECT_EQ(result.size(), 2u);
}

TEST_F(SeparatorTest, PngIsConfirmedOnlyForFastestDeflateData) {
    std::string fast = m_dir.writeFile("fast.png", pngBytes({0x78, 0x01, 0x00}, 200, false));
    std::string fastAfterChunk = m_dir.writeFile("fast2.png", pngBytes({0x78, 0x01, 0x00}, 200, true));
    std::string normal = m_dir.writeFile("normal.png", pngBytes({0x78, 0x9C, 0x00}, 200, false));
    std::string normalAfterChunk = m_dir.writeFile("normal2.png", pngBytes({0x78, 0x9C, 0x00}, 200, true));
    std::string dynamicBlock = m_dir.writeFile("dynamic.png", pngBytes({0x78, 0x01, 0x20}, 200, false));
    std::string truncated = m_dir.writeFile("cut.png", pngBytes({0x78, 0x01, 0x00}, 200, false).substr(0, 43));
    std::string notPng = m_dir.writeFile("fake.png", std::string(200, 'x'));

    EXPECT_TRUE(FileSeparator::isNeedFullCheckPNGAtPath(fast));
    EXPECT_TRUE(FileSeparator::isNeedFullCheckPNGAtPath(fastAfterChunk));
    EXPECT_FALSE(FileSeparator::isNeedFullCheckPNGAtPath(normal));
    EXPECT_FALSE(FileSeparator::isNeedFullCheckPNGAtPath(normalAfterChunk));
    EXPECT_FALSE(FileSeparator::isNeedFullCheckPNGAtPath(dynamicBlock));
    EXPECT_FALSE(FileSeparator::isNeedFullCheckPNGAtPath(truncated));
    EXPECT_FALSE(FileSeparator::isNeedFullCheckPNGAtPath(notPng));
    EXPECT_FALSE(FileSeparator::isNeedFullCheckPNGAtPath(m_dir / "missing.png"));

    std::string upper = m_dir.writeFile("FAST.PNG", pngBytes({0x78, 0x01, 0x00}, 200, false));
    EXPECT_TRUE(FileSeparator::isNeedFullHashBuildForPath(upper));
    EXPECT_FALSE(FileSeparator::isNeedFullHashBuildForPath(normal));

    // End to end: large PNGs that differ between the regions.
    for (bool confirmed : {true, false}) {
        SCOPED_TRACE(confirmed);
        std::string content = pngBytes({0x78, static_cast<unsigned char>(confirmed ? 0x01 : 0x9C), 0x00}, kLargeSize, true);
        std::string folder = confirmed ? "fast" : "normal";
        FileItemsByHash result = separate({addFile(folder + "1", "p.png", content),
                                           addFile(folder + "2", "p.png", withByteChanged(content, kBetweenRegions))});
        EXPECT_EQ(result.size(), confirmed ? 2u : 1u);
    }
}

TEST_F(SeparatorTest, ExtensionTableIgnoresCaseAndNeedsARealExtension) {
    for (const char* path : {"/x/a.tiff", "/x/a.TIF", "/x/a.c++", "/x/a.Json", "/x/b.yml", "/x/n.NEF", "/x/a.EditorConfig"})
        EXPECT_TRUE(FileSeparator::isNeedFullHashBuildForPath(path)) << path;
    for (const char* path : {"/x/a.jpg", "/x/a.mp4", "/x/noext", "/x/a.", "/x/.txt", "/x.txt/file", "/x/a.tiffx"})
        EXPECT_FALSE(FileSeparator::isNeedFullHashBuildForPath(path)) << path;
}

TEST_F(SeparatorTest, EmptyFilesAreGroupedByNameWithoutReadingThem) {
    auto* a = addFile("one", "same.txt", "");
    auto* b = addFile("two", "same.txt", "");
    auto* c = addFile("three", "other.txt", "");
    // Its file is gone: an empty file is never opened, so it still gets its name key.
    auto* d = addFile("four", "other.txt", "");
    std::filesystem::remove(m_dir / "four/other.txt");
    FileItemsByHash result = separate({a, b, c, d});
    ASSERT_EQ(result.size(), 2u);
    EXPECT_EQ(result["same.txt:#filename#"].size(), 2u);
    EXPECT_EQ(result["other.txt:#filename#"].size(), 2u);

    auto* e = addFile("five", "alone.txt", "");
    result = separate({addFile("six", "different.txt", ""), e});
    EXPECT_EQ(setsOfNames(result).size(), 2u);
    for (const auto& [key, items] : result) EXPECT_EQ(items.size(), 1u);

    FileSeparator::setUseForcedFullHashCalculation(true);
    result = separate({addFile("seven", "x.log", ""), addFile("eight", "x.log", "")});
    EXPECT_EQ(result.count("x.log:#filename#"), 1u);
}

TEST_F(SeparatorTest, VanishedAndLinkedFilesJoinNoSet) {
    std::string content = pattern(kLargeSize, 8);
    auto* a = addFile("a", "f.jpg", content);
    auto* b = addFile("b", "f.jpg", content);
    auto* gone = addFile("c", "f.jpg", content);
    std::filesystem::remove(m_dir / "c/f.jpg");
    // The link's item has the size of its target, as if the target's content were there.
    m_dir.makeFolder("d");
    ASSERT_EQ(::symlink((m_dir / "a/f.jpg").c_str(), (m_dir / "d/f.jpg").c_str()), 0);
    auto* link = FileSystemItem::createFile("f.jpg", folder("d"), kLargeSize, 0, false, kLargeSize);
    // Small files go through the whole-file digest.
    std::string small = pattern(3000, 9);
    auto* s1 = addFile("e", "s.txt", small);
    auto* s2 = addFile("f", "s.txt", small);
    ASSERT_EQ(::symlink((m_dir / "e/s.txt").c_str(), (m_dir / "g.txt").c_str()), 0);
    auto* smallLink = FileSystemItem::createFile("g.txt", m_pRoot.get(), 3000, 0, false, 3000);

    FileItemsByHash result = separate({a, gone, link, b});
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result.begin()->second.size(), 2u);
    EXPECT_TRUE(gone->isCheckedForDuplicates());  // not taken again by the same scan
    // Both took no part, and say so for the report; the two read are not marked.
    EXPECT_TRUE(gone->didContentReadFail());
    EXPECT_TRUE(link->didContentReadFail());
    EXPECT_FALSE(a->didContentReadFail());
    EXPECT_FALSE(b->didContentReadFail());

    result = separate({smallLink, s1, s2});
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result.begin()->second.size(), 2u);
}

TEST_F(SeparatorTest, AFileWhoseReadFailsJoinsNoSetAndIsMarked) {
    struct ClearFault {
        ~ClearFault() { FileReader::setReadFaultForTests({}); }
    } clear;
    const auto inodeOf = [&](const std::string& relative) {
        struct stat st {};
        EXPECT_EQ(::stat((m_dir / relative).c_str(), &st), 0);
        return static_cast<std::uint64_t>(st.st_ino);
    };
    // Sampled pass: the third copy cannot be read.
    std::string content = pattern(kLargeSize, 21);
    auto* a = addFile("a", "f.jpg", content);
    auto* b = addFile("b", "f.jpg", content);
    auto* c = addFile("c", "f.jpg", content);
    FileReader::setReadFaultForTests({inodeOf("c/f.jpg"), EIO});
    FileItemsByHash result = separate({a, b, c});
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result.begin()->second.size(), 2u);
    EXPECT_TRUE(c->didContentReadFail());
    EXPECT_FALSE(c->wasContentRead());
    EXPECT_FALSE(a->didContentReadFail());

    // Confirmation pass: text is read whole after its samples matched. Only the whole-file read reaches
    // offset 65 536 (the samples start at 0, 45 056 and 90 112), and there one copy fails.
    std::string text = pattern(kLargeSize, 22);
    auto* t1 = addFile("d", "t.txt", text);
    auto* t2 = addFile("e", "t.txt", text);
    FileReader::ReadFault fault{inodeOf("e/t.txt"), EIO};
    fault.offset = 65536;
    FileReader::setReadFaultForTests(fault);
    for (const auto& [key, items] : separate({t1, t2})) EXPECT_EQ(items, std::vector<FileSystemItem*>{t1}) << key;
    EXPECT_TRUE(t2->wasContentRead());  // its samples were read
    EXPECT_TRUE(t2->didContentReadFail());
    EXPECT_FALSE(t1->didContentReadFail());
}

TEST_F(SeparatorTest, ShortListsReportAnEmptyResult) {
    auto* only = addFile("a", "only.jpg", pattern(1000, 10));
    EXPECT_TRUE(separate({only}).empty());
    EXPECT_TRUE(only->isCheckedForDuplicates());
    EXPECT_TRUE(separate({}).empty());
}

TEST_F(SeparatorTest, StopReportsAnEmptyResultOnceAndClearsTheMarks) {
    std::vector<FileSystemItem*> items;
    std::string content = pattern(kLargeSize, 11);
    for (int i = 0; i < 30; ++i) items.push_back(addFile("s" + std::to_string(i), "f.jpg", content));

    // Hold the working queue so that the start and the stop run back to back, before any digest
    // can come back.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    FileSeparator::workingQueue()->async([released] { released.wait(); });
    auto listener = std::make_shared<RecordingListener>();
    auto separator = FileSeparator::create();
    separator->separateItems(items, listener);
    bool firstBatchMarked = false;
    FileSeparator::workingQueue()->async([&] { firstBatchMarked = items.front()->isCheckedForDuplicates(); });
    separator->stop();
    separator->stop();
    release.set_value();

    ASSERT_TRUE(listener->waitForCall());
    separator.reset();  // the separator outlives its own late digests
    std::this_thread::sleep_for(200ms);
    drainWorkingQueue();
    EXPECT_TRUE(firstBatchMarked);
    EXPECT_EQ(listener->calls(), 1);
    EXPECT_TRUE(listener->calledOnWorkingQueue());
    EXPECT_TRUE(listener->result().empty());
    for (auto* item : items) EXPECT_FALSE(item->isCheckedForDuplicates());
}

TEST_F(SeparatorTest, StopMidwayAndStopBeforeStart) {
    std::vector<FileSystemItem*> items;
    std::string content = pattern(kLargeSize, 12);
    for (int i = 0; i < 200; ++i) items.push_back(addFile("m" + std::to_string(i), "f.jpg", content));
    auto listener = std::make_shared<RecordingListener>();
    auto separator = FileSeparator::create();
    separator->separateItems(items, listener);
    std::this_thread::sleep_for(5ms);
    separator->stop();
    ASSERT_TRUE(listener->waitForCall());
    std::this_thread::sleep_for(100ms);
    drainWorkingQueue();
    EXPECT_EQ(listener->calls(), 1);
    // Either the stop came in time (empty result) or the separation had already finished.
    FileItemsByHash result = listener->result();
    EXPECT_TRUE(result.empty() || (result.size() == 1 && result.begin()->second.size() == items.size()));

    auto early = FileSeparator::create();
    auto earlyListener = std::make_shared<RecordingListener>();
    items.front()->setIsCheckedForDuplicates(true);
    early->stop();
    early->separateItems({items.front(), items.back()}, earlyListener);
    ASSERT_TRUE(earlyListener->waitForCall());
    drainWorkingQueue();
    EXPECT_EQ(earlyListener->calls(), 1);
    EXPECT_TRUE(earlyListener->result().empty());
    EXPECT_TRUE(items.front()->isCheckedForDuplicates());  // untouched: nothing was started
}

TEST_F(SeparatorTest, SeparationFinishesWhenTheCallerLetsGoAndSkipsAGoneListener) {
    std::string content = pattern(kLargeSize, 13);
    std::vector<FileSystemItem*> items{addFile("a", "f.jpg", content), addFile("b", "f.jpg", content)};
    auto listener = std::make_shared<RecordingListener>();
    FileSeparator::create()->separateItems(items, listener);
    ASSERT_TRUE(listener->waitForCall());
    EXPECT_EQ(listener->result().size(), 1u);

    auto gone = std::make_shared<RecordingListener>();
    auto separator = FileSeparator::create();
    separator->separateItems(items, gone);
    gone.reset();
    std::this_thread::sleep_for(100ms);
    drainWorkingQueue();
    separator->stop();  // after the end: nothing happens
    drainWorkingQueue();
}
