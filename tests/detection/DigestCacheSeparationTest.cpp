// Separations over real files with a digest cache: a file the cache knows is not opened at all, any
// change of the file (content, times, inode) makes it read again, and the sets stay those of reading
// every file. Reads are counted where every content read starts: FileReader's opens.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <cstdio>
#include <mutex>
#include <set>

#include "detection/DigestCache.h"
#include "detection/FileSeparator.h"
#include "detection/WalkDigestHints.h"
#include "platform/DirectoryReader.h"
#include "platform/FileReader.h"
#include "platform/SerialQueue.h"
#include "scan/FileSystemItem.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

using namespace std::chrono_literals;

namespace {

class Listener : public FileSeparatorListener {
public:
    void onFinishSeparateItemsByHash(FileItemsByHash result) override {
        std::lock_guard lock(m_mutex);
        m_result = std::move(result);
        m_bDone = true;
        m_changed.notify_all();
    }
    FileItemsByHash wait() {
        std::unique_lock lock(m_mutex);
        EXPECT_TRUE(m_changed.wait_for(lock, 20s, [&] { return m_bDone; }));
        return m_result;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bDone = false;      // guarded by m_mutex
    FileItemsByHash m_result;  // guarded by m_mutex
};

std::string pattern(std::size_t size, std::uint32_t seed) {
    std::string content(size, '\0');
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& c : content) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return content;
}

class CachedSeparationTest : public ::testing::Test {
protected:
    static constexpr std::size_t kLarge = 100000;  // sampled with the default block length

    void SetUp() override {
        FileSeparator::setUseForcedFullHashCalculation(false);
        useCache(std::make_shared<DigestCache>(m_dir / "cache/digests", DigestCache::kDefaultMaxBytes, 0));
        // a, b, c share a size: a and b hold the same bytes; d and e are small (digested whole) and equal.
        write("a.bin", pattern(kLarge, 1));
        write("b.bin", pattern(kLarge, 1));
        write("c.bin", pattern(kLarge, 2));
        write("d.txt", "small and equal");
        write("e.txt", "small and equal");
    }
    void TearDown() override {
        FileSeparator::setDigestCache(nullptr);
        FileSeparator::setUseForcedFullHashCalculation(false);
        FileSeparator::workingQueue()->sync([] {});
    }

    void useCache(std::shared_ptr<DigestCache> cache) {
        m_pCache = std::move(cache);
        FileSeparator::setDigestCache(m_pCache);
    }
    void write(const std::string& name, const std::string& content) { m_dir.writeFile("files/" + name, content); }

    // A separation of the large files and one of the small ones, over a freshly built tree (as a new
    // scan would have); answers the sets as names, and how many files were opened meanwhile. The cache
    // is read as a scan begins (unless `asScanBegins` is false: a later phase of a scan) and written
    // afterwards, as at its end. `hints` gives files the walk's digest hints by name.
    std::set<std::set<std::string>> separate(std::uint64_t& opened,
                                             const std::map<std::string, std::uint64_t>& hints = {},
                                             bool asScanBegins = true) {
        if (m_pCache && asScanBegins) m_pCache->loadForScan();
        auto root = VolumeSystemItem::createRoot(m_dir.path(), 0, 0);
        auto* folder = FolderSystemItem::createFolder("files", root.get(), 0, false, 0, false, 0);
        auto item = [&](const std::string& name, std::int64_t size) {
            FileSystemItem* file = FileSystemItem::createFile(name, folder, size, 0, false, size);
            if (auto hint = hints.find(name); hint != hints.end()) file->setDigestHint(hint->second);
            return file;
        };
        const std::int64_t small = static_cast<std::int64_t>(std::string("small and equal").size());
        const std::vector<std::vector<FileSystemItem*>> lists = {
            {item("a.bin", kLarge), item("b.bin", kLarge), item("c.bin", kLarge)},
            {item("d.txt", small), item("e.txt", small)}};
        const std::uint64_t before = FileReader::countOfOpenedFiles();
        std::set<std::set<std::string>> sets;
        for (const auto& list : lists) {
            auto listener = std::make_shared<Listener>();
            FileSeparator::create()->separateItems(list, listener);
            for (const auto& [key, items] : listener->wait()) {
                if (items.size() < 2) continue;
                std::set<std::string> names;
                for (auto* i : items) names.insert(std::string(i->name()));
                sets.insert(names);
            }
        }
        FileSeparator::workingQueue()->sync([] {});
        opened = FileReader::countOfOpenedFiles() - before;
        if (m_pCache && asScanBegins) {
            EXPECT_TRUE(m_pCache->save());
        }
        return sets;
    }

    // The hints the walk of a new scan would give the files as the folder holds them now.
    std::map<std::string, std::uint64_t> walkHints() {
        m_pCache->loadForScan();
        const WalkDigestHints hints(m_pCache, Settings::standard().hashBlockSize());
        std::map<std::string, std::uint64_t> found;
        DirectoryReader reader;
        EXPECT_TRUE(reader.open(m_dir / "files"));
        std::vector<DirectoryEntry> entries;
        while (reader.readBatch(entries) > 0)
            for (const DirectoryEntry& entry : entries)
                if (auto hint = hints.hintFor(entry)) found[std::string(entry.name)] = *hint;
        return found;
    }
    // A walk of the files' folder as the scan's would go, each batch of files given to `hints` as it is met.
    std::map<std::string, FileSystemItem*> walkGivingHints(const WalkDigestHints& hints, FolderSystemItem* folder) {
        std::map<std::string, FileSystemItem*> items;
        DirectoryReader reader;
        EXPECT_TRUE(reader.open(m_dir / "files"));
        std::vector<DirectoryEntry> entries;
        while (reader.readBatch(entries) > 0) {
            std::vector<const DirectoryEntry*> files;
            std::vector<FileSystemItem*> made;
            for (const DirectoryEntry& entry : entries) {
                auto size = static_cast<std::int64_t>(entry.size);
                FileSystemItem* item = FileSystemItem::createFile(entry.name, folder, size, 0, false, size);
                items[std::string(entry.name)] = item;
                files.push_back(&entry);
                made.push_back(item);
            }
            hints.giveHints(files, made);
        }
        return items;
    }
    void moveAside(bool away) {
        for (const char* name : {"a.bin", "b.bin", "c.bin", "d.txt", "e.txt"}) {
            const std::string here = m_dir / ("files/" + std::string(name)), aside = here + ".aside";
            ASSERT_EQ(std::rename((away ? here : aside).c_str(), (away ? aside : here).c_str()), 0) << name;
        }
    }

    TempDir m_dir;
    std::shared_ptr<DigestCache> m_pCache;
    const std::set<std::set<std::string>> m_expected = {{"a.bin", "b.bin"}, {"d.txt", "e.txt"}};
    // After c.bin is given a's content.
    const std::set<std::set<std::string>> m_expectedOnceCEqualsA = {{"a.bin", "b.bin", "c.bin"}, {"d.txt", "e.txt"}};
};

TEST_F(CachedSeparationTest, AKnownFileIsNotOpenedAgainInThisProcessOrTheNext) {
    std::uint64_t opened = 0;
    EXPECT_FALSE(m_pCache->hasEntriesFromEarlierScans());
    EXPECT_EQ(separate(opened), m_expected);
    EXPECT_EQ(opened, 5u);
    EXPECT_FALSE(m_pCache->hasEntriesFromEarlierScans()) << "written, the entries left memory";
    m_pCache->loadForScan();
    EXPECT_TRUE(m_pCache->hasEntriesFromEarlierScans());
    EXPECT_EQ(separate(opened), m_expected);
    EXPECT_EQ(opened, 0u);

    // Read by the next process (a new cache over the same file).
    useCache(std::make_shared<DigestCache>(m_pCache->path(), DigestCache::kDefaultMaxBytes, 0));
    EXPECT_EQ(separate(opened), m_expected);
    EXPECT_EQ(opened, 0u);
    EXPECT_FALSE(m_pCache->takeWarning());
}

TEST_F(CachedSeparationTest, ACacheThatLetItsEntriesGoServesTheNextScanAndLosesNothingMeanwhile) {
    std::uint64_t opened = 0;
    EXPECT_EQ(separate(opened), m_expected);
    EXPECT_EQ(opened, 5u);
    EXPECT_EQ(m_pCache->size(), 0u) << "written, the entries left memory";

    // Later in the scan that wrote them (its separations' load() does not read the file again): the
    // large files are read, and the digests they store bring the written entries back first; the
    // separation after that finds the small ones there.
    EXPECT_EQ(separate(opened, {}, false), m_expected);
    EXPECT_EQ(opened, 3u);
    EXPECT_TRUE(m_pCache->save());
    DigestCache reread(m_pCache->path());
    reread.load();
    EXPECT_EQ(reread.size(), 5u) << "each file once";

    // The next scan reads the file as it begins.
    m_pCache->loadForScan();
    EXPECT_EQ(separate(opened), m_expected);
    EXPECT_EQ(opened, 0u);
    EXPECT_FALSE(m_pCache->takeWarning());
}

TEST_F(CachedSeparationTest, TheWalksHintsServeKnownFilesWithoutLookingAtThemUntilTheEntriesMove) {
    std::uint64_t opened = 0;
    EXPECT_TRUE(walkHints().empty()) << "an empty cache gives no hints";
    ASSERT_EQ(separate(opened), m_expected);
    const std::map<std::string, std::uint64_t> hints = walkHints();
    EXPECT_EQ(hints.size(), 5u) << "the walk's stamp of each file is the one its digest was stored under";

    // With the hints, the comparison does not even look the files up: moved away, they still take part.
    moveAside(true);
    EXPECT_EQ(separate(opened, hints), m_expected);
    EXPECT_EQ(opened, 0u);
    // Without them, it does, and finds nothing to compare.
    EXPECT_TRUE(separate(opened).empty());

    // Once the entries are let go and read again, the old hints name nothing: the files are looked up.
    m_pCache->unload();
    m_pCache->loadForScan();
    EXPECT_TRUE(separate(opened, hints).empty());
    moveAside(false);
    EXPECT_EQ(separate(opened, hints), m_expected);
    EXPECT_EQ(opened, 5u) << "a move changes a file's stamp";

    // A file changed after the walk is found by its new stamp and read again.
    write("c.bin", pattern(kLarge, 1));
    EXPECT_TRUE(walkHints().count("a.bin"));
    EXPECT_FALSE(walkHints().count("c.bin"));
    EXPECT_EQ(separate(opened, walkHints()), m_expectedOnceCEqualsA);
    EXPECT_EQ(opened, 1u);
}

TEST_F(CachedSeparationTest, FilesTheWalkMeetsBeforeTheCacheIsReadAreHintedOnceTheWalkIsOver) {
    std::uint64_t opened = 0;
    ASSERT_EQ(separate(opened), m_expected);
    // The next process: its walk begins while the cache is still being read.
    useCache(std::make_shared<DigestCache>(m_pCache->path(), DigestCache::kDefaultMaxBytes, 0));
    WalkDigestHints hints(m_pCache, Settings::standard().hashBlockSize());
    auto root = VolumeSystemItem::createRoot(m_dir.path(), 0, 0);
    auto* folder = FolderSystemItem::createFolder("files", root.get(), 0, false, 0, false, 0);
    const std::map<std::string, FileSystemItem*> items = walkGivingHints(hints, folder);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(hints.deferredCount(), 5u);
    for (const auto& [name, item] : items) EXPECT_FALSE(item->digestHint()) << name;

    m_pCache->loadForScan();
    hints.markCacheRead();
    hints.giveDeferredHints();
    EXPECT_EQ(hints.deferredCount(), 0u);
    std::map<std::string, std::uint64_t> given;
    for (const auto& [name, item] : items)
        if (item->digestHint()) given[name] = *item->digestHint();
    EXPECT_EQ(given, walkHints()) << "the hints a walk after the read would have given";
    moveAside(true);
    EXPECT_EQ(separate(opened, given), m_expected);
    EXPECT_EQ(opened, 0u);
}

TEST_F(CachedSeparationTest, FilesKeptByAWalkThatEndsBeforeTheCacheIsReadAreLetGoUnhinted) {
    std::uint64_t opened = 0;
    ASSERT_EQ(separate(opened), m_expected);
    useCache(std::make_shared<DigestCache>(m_pCache->path(), DigestCache::kDefaultMaxBytes, 0));
    WalkDigestHints hints(m_pCache, Settings::standard().hashBlockSize());
    auto root = VolumeSystemItem::createRoot(m_dir.path(), 0, 0);
    const std::map<std::string, FileSystemItem*> items = walkGivingHints(hints, root.get());
    EXPECT_EQ(hints.deferredCount(), 5u);
    hints.giveDeferredHints();  // the walk is over; the cache is not read yet
    EXPECT_EQ(hints.deferredCount(), 0u);
    m_pCache->loadForScan();
    hints.markCacheRead();
    hints.giveDeferredHints();
    for (const auto& [name, item] : items) EXPECT_FALSE(item->digestHint()) << name;
}

TEST_F(CachedSeparationTest, TheHintOfASampledDigestFindsTheWholeFileDigestForTheConfirmation) {
    std::uint64_t opened = 0;
    FileSeparator::setUseForcedFullHashCalculation(true);
    ASSERT_EQ(separate(opened), m_expected);
    EXPECT_EQ(opened, 7u);
    const std::map<std::string, std::uint64_t> hints = walkHints();
    moveAside(true);
    // a and b share their samples and are confirmed whole: both digests come from the cache unlooked.
    EXPECT_EQ(separate(opened, hints), m_expected);
    EXPECT_EQ(opened, 0u);
}

TEST_F(CachedSeparationTest, AnyChangeOfAFileMakesItReadAgain) {
    std::uint64_t opened = 0;
    ASSERT_EQ(separate(opened), m_expected);

    // New content of the same size (the times move with it): c now equals a and b.
    write("c.bin", pattern(kLarge, 1));
    EXPECT_EQ(separate(opened), m_expectedOnceCEqualsA);
    EXPECT_EQ(opened, 1u);

    // Only the modification time, set back to what it was a moment ago: the change time still moves.
    struct stat st {};
    ASSERT_EQ(::stat((m_dir / "files/a.bin").c_str(), &st), 0);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, (m_dir / "files/a.bin").c_str(), times, 0), 0);
    separate(opened);
    EXPECT_EQ(opened, 1u);

    // Another file under the same name (a new inode): written aside and renamed over it.
    m_dir.writeFile("files/e.new", "small and equal");
    ASSERT_EQ(std::rename((m_dir / "files/e.new").c_str(), (m_dir / "files/e.txt").c_str()), 0);
    EXPECT_EQ(separate(opened), m_expectedOnceCEqualsA);
    EXPECT_EQ(opened, 1u);

    EXPECT_EQ(separate(opened).size(), 2u);
    EXPECT_EQ(opened, 0u);
}

TEST_F(CachedSeparationTest, TheFullScaleScanKeepsItsWholeFileDigestsApart) {
    std::uint64_t opened = 0;
    FileSeparator::setUseForcedFullHashCalculation(true);
    // Samples of a, b, c (3), a and b whole (2), d and e whole (2).
    EXPECT_EQ(separate(opened), m_expected);
    EXPECT_EQ(opened, 7u);
    EXPECT_EQ(separate(opened), m_expected);
    EXPECT_EQ(opened, 0u);
    // The default scan needs only the samples, which the full-scale scan stored too.
    FileSeparator::setUseForcedFullHashCalculation(false);
    EXPECT_EQ(separate(opened), m_expected);
    EXPECT_EQ(opened, 0u);
}

TEST_F(CachedSeparationTest, WithoutACacheEveryFileIsReadEveryTime) {
    useCache(nullptr);
    std::uint64_t opened = 0;
    EXPECT_EQ(separate(opened), m_expected);
    EXPECT_EQ(opened, 5u);
    EXPECT_EQ(separate(opened), m_expected);
    EXPECT_EQ(opened, 5u);
}

TEST_F(CachedSeparationTest, AFileChangedJustBeforeItsPassIsNotRemembered) {
    // The window of the user's cache: these files were all written moments ago.
    useCache(std::make_shared<DigestCache>(m_dir / "cache/digests"));
    std::uint64_t opened = 0;
    EXPECT_EQ(separate(opened), m_expected);
    EXPECT_EQ(opened, 5u);
    EXPECT_EQ(separate(opened), m_expected);
    EXPECT_EQ(opened, 5u);
    EXPECT_EQ(m_pCache->size(), 0u);
}

}  // namespace
