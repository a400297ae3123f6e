// The digest cache on its own: what makes an entry match, and the file it is kept in (damage, bound,
// age, two writers at once).
#include <gtest/gtest.h>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "detection/DigestCache.h"
#include "detection/HashingTestHelpers.h"
#include "platform/FileCalls.h"
#include "scan/FileSystemItem.h"
#include "support/TestSupport.h"

namespace {

DigestCache::Key keyNumber(std::uint64_t n, std::uint64_t kind = DigestCache::kWholeFile) {
    return {7, 1000 + n, 4096 + n, 1'700'000'000'000'000'000 + static_cast<std::int64_t>(n),
            1'700'000'000'500'000'000 + static_cast<std::int64_t>(n), kind};
}

DigestCache::Entry entryNumber(std::uint64_t n, std::uint64_t kind = DigestCache::kWholeFile) {
    DigestCache::Entry e;
    e.key = keyNumber(n, kind);
    e.digest.fill(static_cast<std::uint8_t>(n));
    return e;
}

std::uintmax_t fileSize(const std::string& path) { return std::filesystem::file_size(path); }

struct DigestCacheFileTest : ::testing::Test {
    TempDir dir;
    std::string path = dir / "cache/dorvane/digests";
    void TearDown() override { DigestCache::setTodayForTesting(std::nullopt); }
};

TEST_F(DigestCacheFileTest, AnEntryMatchesOnlyTheSameStampAndKind) {
    DigestCache cache(path);
    cache.load();
    cache.update({entryNumber(1), entryNumber(1, 8192)}, {});
    // Entries of this scan alone: a separation does not look them up (no file is digested twice), and
    // they wait outside memory until the file is written.
    EXPECT_FALSE(cache.hasEntriesFromEarlierScans());
    EXPECT_FALSE(cache.find(keyNumber(1)));
    ASSERT_TRUE(cache.save());
    cache.loadForScan();
    EXPECT_TRUE(cache.hasEntriesFromEarlierScans());
    ASSERT_TRUE(cache.find(keyNumber(1)));
    EXPECT_EQ(cache.find(keyNumber(1))->digest, entryNumber(1).digest);
    EXPECT_TRUE(cache.find(keyNumber(1, 8192)));
    EXPECT_FALSE(cache.find(keyNumber(1, 4096))) << "another block length is another digest";

    const DigestCache::Key base = keyNumber(1);
    for (int field = 0; field < 5; ++field) {
        DigestCache::Key changed = base;
        switch (field) {
            case 0: ++changed.device; break;
            case 1: ++changed.inode; break;
            case 2: ++changed.size; break;
            case 3: ++changed.modificationNs; break;
            case 4: ++changed.changeNs; break;
        }
        EXPECT_FALSE(cache.find(changed)) << "field " << field;
    }

    // The file changed: its new digest replaces the old one instead of joining it.
    DigestCache::Entry newer = entryNumber(1);
    newer.key.modificationNs += 5;
    newer.key.changeNs += 5;
    newer.digest.fill(0xEE);
    cache.update({newer}, {});
    ASSERT_TRUE(cache.save());
    cache.loadForScan();
    EXPECT_FALSE(cache.find(base));
    ASSERT_TRUE(cache.find(newer.key));
    EXPECT_EQ(cache.find(newer.key)->digest, newer.digest);
    EXPECT_EQ(cache.size(), 2u);
}

TEST_F(DigestCacheFileTest, AHintNamesTheEntryOfItsExactStampUntilTheEntriesMove) {
    DigestCache cache(path);
    cache.load();
    cache.update({entryNumber(1), entryNumber(2, 8192)}, {});
    ASSERT_TRUE(cache.save());
    EXPECT_FALSE(cache.hintFor(keyNumber(2, 8192))) << "written, the entries left memory";
    cache.loadForScan();
    const std::optional<std::uint64_t> hint = cache.hintFor(keyNumber(2, 8192));
    ASSERT_TRUE(hint);
    EXPECT_LE(*hint, FileSystemItem::kLargestDigestHint);
    ASSERT_TRUE(cache.entryForHint(*hint, keyNumber(2).size, 8192));
    EXPECT_EQ(cache.entryForHint(*hint, keyNumber(2).size, 8192)->digest, entryNumber(2).digest);
    EXPECT_EQ(cache.entryForHint(*hint, keyNumber(2).size, 8192)->key, keyNumber(2, 8192));
    EXPECT_FALSE(cache.entryForHint(*hint, keyNumber(2).size + 1, 8192));
    EXPECT_FALSE(cache.entryForHint(*hint, keyNumber(2).size, DigestCache::kWholeFile));
    DigestCache::Key changed = keyNumber(2, 8192);
    ++changed.changeNs;
    EXPECT_FALSE(cache.hintFor(changed));
    EXPECT_FALSE(cache.hintFor(keyNumber(2, 4096)));

    // Written and read again, the entries may have moved: the hint names nothing, a new one works.
    cache.update({entryNumber(3)}, {});
    ASSERT_TRUE(cache.save());
    cache.loadForScan();
    EXPECT_FALSE(cache.entryForHint(*hint, keyNumber(2).size, 8192));
    ASSERT_TRUE(cache.hintFor(keyNumber(2, 8192)));
    EXPECT_TRUE(cache.entryForHint(*cache.hintFor(keyNumber(2, 8192)), keyNumber(2).size, 8192));
    // Let go: no hints at all.
    cache.unload();
    EXPECT_FALSE(cache.hintFor(keyNumber(2, 8192)));
}

// The walk looks its batches up together: each answer must be the one a look-up of that key alone gives,
// in its own place, across the windows the batch is cut into, and keyForHint names the key looked up.
TEST_F(DigestCacheFileTest, ABatchOfLookUpsAnswersAsEachLookUpAlone) {
    DigestCache cache(path);
    cache.load();
    std::vector<DigestCache::Entry> stored;
    for (std::uint64_t n = 0; n < 300; n += 2) stored.push_back(entryNumber(n, n % 4 == 0 ? DigestCache::kWholeFile : 8192));
    cache.update(stored, {});
    ASSERT_TRUE(cache.save());
    cache.loadForScan();
    std::vector<DigestCache::Key> keys;
    for (std::uint64_t n = 0; n < 150; ++n) {
        DigestCache::Key key = keyNumber(n, n % 4 == 0 ? DigestCache::kWholeFile : 8192);  // odd n: never stored
        if (n % 10 == 6) ++key.modificationNs;                                              // stored, but changed since
        keys.push_back(key);
    }
    std::vector<std::optional<std::uint64_t>> batch(keys.size(), 12345);
    cache.hintsFor(keys.data(), keys.size(), batch.data());
    std::size_t found = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(batch[i], cache.hintFor(keys[i])) << i;
        if (!batch[i]) continue;
        ++found;
        EXPECT_EQ(cache.keyForHint(*batch[i]), keys[i]) << i;
    }
    EXPECT_EQ(found, 60u);
    cache.unload();
    cache.hintsFor(keys.data(), keys.size(), batch.data());
    EXPECT_EQ(std::count(batch.begin(), batch.end(), std::nullopt), 150) << "let go: no hints at all";
}

TEST_F(DigestCacheFileTest, SavedEntriesComeBackInTheNextProcessAndAnUnchangedCacheIsNotWrittenAgain) {
    {
        DigestCache cache(path);
        cache.load();
        std::vector<DigestCache::Entry> entries;
        for (std::uint64_t n = 0; n < 5000; ++n) entries.push_back(entryNumber(n, n % 2 ? 8192 : DigestCache::kWholeFile));
        entries[3].flags = DigestCache::kPngChecked | DigestCache::kPngNeedsWholeDigest;
        cache.update(entries, {});
        ASSERT_TRUE(cache.save());
        EXPECT_FALSE(cache.takeWarning());
    }
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    DigestCache again(path);
    again.load();
    EXPECT_EQ(again.size(), 5000u);
    EXPECT_TRUE(again.hasEntriesFromEarlierScans());
    for (std::uint64_t n : {0u, 1u, 3u, 4999u}) {
        auto found = again.find(keyNumber(n, n % 2 ? 8192 : DigestCache::kWholeFile));
        ASSERT_TRUE(found) << n;
        EXPECT_EQ(found->digest, entryNumber(n).digest);
        EXPECT_EQ(found->flags, n == 3 ? DigestCache::kPngChecked | DigestCache::kPngNeedsWholeDigest : 0u);
    }
    // Entries used on the day they were stored change nothing: no write at all.
    again.update({}, {keyNumber(0), keyNumber(2)});
    ASSERT_TRUE(again.save());
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_FALSE(again.takeWarning());
}

TEST_F(DigestCacheFileTest, ADamagedFileIsNeverTrustedAndSaysSoOnce) {
    {
        DigestCache cache(path);
        cache.load();
        cache.update({entryNumber(1), entryNumber(2), entryNumber(3)}, {});
        ASSERT_TRUE(cache.save());
    }
    std::string good = hashing_test::readAll(path);
    ASSERT_EQ(good.size(), 32u + 3 * 72);
    auto withBytes = [&](const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    };
    std::string flipped = good;
    flipped[32 + 72 + 40] ^= 0x01;  // a time of the second entry
    const std::vector<std::pair<std::string, std::string>> damages = {
        {"cut short", good.substr(0, good.size() - 10)},
        {"one byte flipped", flipped},
        {"not a cache at all", std::string(200, 'x')},
        {"shorter than a header", good.substr(0, 12)},
        {"grown", good + std::string(72, '\0')},
    };
    for (const auto& [what, bytes] : damages) {
        withBytes(bytes);
        DigestCache cache(path);
        cache.load();
        cache.load();
        EXPECT_EQ(cache.size(), 0u) << what;
        EXPECT_FALSE(cache.find(keyNumber(1))) << what;
        EXPECT_FALSE(cache.find(keyNumber(3))) << what;
        std::optional<std::string> warning = cache.takeWarning();
        ASSERT_TRUE(warning) << what;
        EXPECT_NE(warning->find(path), std::string::npos) << *warning;
        EXPECT_FALSE(cache.takeWarning()) << what << ": one warning";
        // It is replaced by a good (empty) cache at the next save.
        ASSERT_TRUE(cache.save());
        DigestCache next(path);
        next.load();
        EXPECT_FALSE(next.takeWarning()) << what;
    }
}

TEST_F(DigestCacheFileTest, TheBoundDropsTheLeastRecentlyUsedFirst) {
    // Entries 0-9 stored on day 100, 10-14 on day 101; on day 102 entries 0-2 are used again.
    {
        DigestCache cache(path);
        cache.load();
        DigestCache::setTodayForTesting(100);
        std::vector<DigestCache::Entry> first, second;
        for (std::uint64_t n = 0; n < 10; ++n) first.push_back(entryNumber(n));
        cache.update(first, {});
        DigestCache::setTodayForTesting(101);
        for (std::uint64_t n = 10; n < 15; ++n) second.push_back(entryNumber(n));
        cache.update(second, {});
        ASSERT_TRUE(cache.save());
    }
    const std::uint64_t bound = 32 + 10 * 72;
    DigestCache cache(path, bound);
    cache.loadForScan();
    DigestCache::setTodayForTesting(102);
    cache.update({}, {keyNumber(0), keyNumber(1), keyNumber(2)});
    ASSERT_TRUE(cache.save());
    EXPECT_LE(fileSize(path), bound);
    DigestCache reread(path, bound);
    reread.load();
    EXPECT_EQ(reread.size(), 10u);
    std::set<std::uint64_t> kept;
    for (std::uint64_t n = 0; n < 15; ++n)
        if (reread.find(keyNumber(n))) kept.insert(n);
    EXPECT_EQ(kept, (std::set<std::uint64_t>{0, 1, 2, 10, 11, 12, 13, 14, 8, 9}));
}

TEST_F(DigestCacheFileTest, TheBoundCutsThroughAManyThousandEntryDayAndTheFileReadsBackWhole) {
    // Enough entries for several of the store's chunks, and a cut in the middle of one.
    const std::uint64_t bound = 32 + 5000 * 72;
    DigestCache cache(path, bound);
    cache.load();
    DigestCache::setTodayForTesting(100);
    std::vector<DigestCache::Entry> older, newer;
    for (std::uint64_t n = 0; n < 10'000; ++n) older.push_back(entryNumber(n));
    cache.update(older, {});
    DigestCache::setTodayForTesting(101);
    for (std::uint64_t n = 10'000; n < 13'000; ++n) newer.push_back(entryNumber(n));
    cache.update(newer, {});
    ASSERT_TRUE(cache.save());
    EXPECT_EQ(fileSize(path), bound);
    DigestCache reread(path, bound);
    reread.load();
    EXPECT_FALSE(reread.takeWarning());
    EXPECT_EQ(reread.size(), 5000u);
    std::vector<std::uint64_t> kept;
    for (std::uint64_t n = 0; n < 13'000; ++n)
        if (const auto found = reread.find(keyNumber(n))) {
            kept.push_back(n);
            EXPECT_EQ(found->digest, entryNumber(n).digest) << n;
        }
    ASSERT_EQ(kept.size(), 5000u);
    EXPECT_EQ(kept.front(), 8000u);  // the day's last stored 2000, then the whole later day
    EXPECT_EQ(kept.back(), 12'999u);
}

TEST_F(DigestCacheFileTest, EntriesUnusedForMonthsAreForgotten) {
    DigestCache cache(path);
    cache.load();
    DigestCache::setTodayForTesting(1000);
    cache.update({entryNumber(1), entryNumber(2)}, {});
    ASSERT_TRUE(cache.save());
    cache.loadForScan();
    DigestCache::setTodayForTesting(1000 + DigestCache::kForgetAfterDays);
    cache.update({}, {keyNumber(2)});
    DigestCache::setTodayForTesting(1001 + DigestCache::kForgetAfterDays);
    ASSERT_TRUE(cache.save());
    cache.loadForScan();
    EXPECT_FALSE(cache.find(keyNumber(1)));
    EXPECT_TRUE(cache.find(keyNumber(2)));
}

TEST_F(DigestCacheFileTest, TwoWritersAtOnceLeaveOneWholeFile) {
    // Two caches over one file (as two processes would have), saving over and over at the same time:
    // any reader at any moment finds one of their files whole, never a mix or a damaged one.
    std::atomic<bool> stop{false};
    auto writer = [&](std::uint64_t base) {
        for (int round = 0; round < 40; ++round) {
            DigestCache cache(path);
            cache.load();
            std::vector<DigestCache::Entry> entries;
            for (std::uint64_t n = 0; n < 300; ++n) entries.push_back(entryNumber(base + n * 7 + round));
            cache.update(entries, {});
            EXPECT_TRUE(cache.save());
        }
    };
    int damaged = 0;
    std::thread reader([&] {
        while (!stop) {
            DigestCache cache(path);
            cache.load();
            if (auto warning = cache.takeWarning()) ++damaged;
        }
    });
    std::thread a(writer, 0), b(writer, 100000);
    a.join();
    b.join();
    stop = true;
    reader.join();
    EXPECT_EQ(damaged, 0);
    DigestCache last(path);
    last.load();
    EXPECT_FALSE(last.takeWarning());
    EXPECT_GE(last.size(), 300u);
    // No temporary file is left behind.
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "cache/dorvane")) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

TEST_F(DigestCacheFileTest, AFolderThatCannotHoldTheCacheIsAWarningNotAFailureOfTheScan) {
    dir.writeFile("cache/dorvane", "a file where the folder should be");
    DigestCache cache(path);
    cache.load();
    EXPECT_TRUE(cache.takeWarning()) << "the cache cannot be read there";
    cache.update({entryNumber(1)}, {});
    cache.update({entryNumber(2)}, {});
    std::optional<std::string> warning = cache.takeWarning();
    ASSERT_TRUE(warning);
    EXPECT_NE(warning->find("could not be written"), std::string::npos) << *warning;
    EXPECT_FALSE(cache.takeWarning()) << "said once";
    EXPECT_EQ(cache.size(), 0u) << "nowhere to keep them";
    EXPECT_FALSE(cache.save());
    EXPECT_TRUE(cache.takeWarning());
}

// The write fails at its last step, once.
class FailingRename : public LinuxFileCalls {
public:
    Status renameReplacing(const std::string& from, const std::string& to) override {
        if (m_bFail.exchange(false)) return Status::fromErrno(ENOSPC, to);
        return LinuxFileCalls::renameReplacing(from, to);
    }
    std::atomic<bool> m_bFail{true};
};

TEST_F(DigestCacheFileTest, AFailedWriteKeepsEveryDigestForTheNextOne) {
    {
        DigestCache earlier(path);
        earlier.load();
        earlier.update({entryNumber(1)}, {});
        ASSERT_TRUE(earlier.save());
    }
    DigestCache cache(path);
    cache.loadForScan();
    DigestCache::Entry changed = entryNumber(1);
    ++changed.key.changeNs;
    cache.update({changed, entryNumber(2)}, {});
    FileCalls::setStandard(std::make_shared<FailingRename>());
    EXPECT_FALSE(cache.save());
    FileCalls::setStandard(nullptr);
    ASSERT_TRUE(cache.takeWarning());
    EXPECT_EQ(cache.size(), 2u) << "the two stored since; the entry read went, its file changed";
    EXPECT_FALSE(cache.find(keyNumber(1)));
    // A file digested again before any write keeps its later digest only.
    DigestCache::Entry again = entryNumber(2);
    again.digest.fill(0x77);
    cache.update({again}, {});
    ASSERT_TRUE(cache.save());
    DigestCache reread(path);
    reread.load();
    EXPECT_FALSE(reread.takeWarning());
    EXPECT_EQ(reread.size(), 2u);
    EXPECT_FALSE(reread.find(keyNumber(1))) << "its file changed";
    ASSERT_TRUE(reread.find(changed.key));
    ASSERT_TRUE(reread.find(keyNumber(2)));
    EXPECT_EQ(reread.find(keyNumber(2))->digest, again.digest);
}

// The scratch file of new digests: no unnamed files on this file system, and a write that stops halfway
// through its second batch for want of room.
class CrampedScratch : public LinuxFileCalls {
public:
    Status open(const std::string& path, int flags, unsigned mode, int& fd) override {
        if ((flags & O_TMPFILE) == O_TMPFILE) return Status::fromErrno(EOPNOTSUPP, path);
        return LinuxFileCalls::open(path, flags, mode, fd);
    }
    Status write(int fd, const std::string& path, const char* data, std::size_t size, std::size_t& written) override {
        if (path.find("scratch") != std::string::npos && ++m_nScratchWrites >= 2) {
            if (m_nScratchWrites > 2) return Status::fromErrno(ENOSPC, path);
            return LinuxFileCalls::write(fd, path, data, size / 2 + 1, written);
        }
        return LinuxFileCalls::write(fd, path, data, size, written);
    }
    int m_nScratchWrites = 0;
};

TEST_F(DigestCacheFileTest, AScratchFileCutShortKeepsTheDigestsWrittenWholeBeforeIt) {
    auto calls = std::make_shared<CrampedScratch>();
    FileCalls::setStandard(calls);
    DigestCache cache(path);
    cache.load();
    cache.update({entryNumber(1), entryNumber(2)}, {});
    cache.update({entryNumber(3), entryNumber(4)}, {});
    EXPECT_TRUE(cache.takeWarning()) << "the second batch could not be kept";
    cache.update({entryNumber(5)}, {});
    EXPECT_EQ(calls->m_nScratchWrites, 3) << "the half write and the failed one, then none";
    EXPECT_EQ(cache.size(), 2u);
    ASSERT_TRUE(cache.save());
    FileCalls::setStandard(nullptr);
    DigestCache reread(path);
    reread.load();
    EXPECT_FALSE(reread.takeWarning());
    EXPECT_EQ(reread.size(), 2u);
    EXPECT_TRUE(reread.find(keyNumber(1)));
    EXPECT_TRUE(reread.find(keyNumber(2)));
    // The named scratch file was removed as soon as it was opened: the folder holds the cache alone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "cache/dorvane"), {}), 1);
}

TEST_F(DigestCacheFileTest, EntriesLetGoUntilNeededComeBackWithTheNextSeparation) {
    DigestCache cache(path, DigestCache::kDefaultMaxBytes, 0);
    cache.load();
    cache.update({entryNumber(1)}, {});
    ASSERT_TRUE(cache.save());
    cache.loadForScan();
    ASSERT_TRUE(cache.find(keyNumber(1)));

    // The end of a rescan's comparison: gone from memory until a separation of its heap search loads.
    cache.unloadUntilNeeded();
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_FALSE(cache.find(keyNumber(1)));
    cache.load();
    EXPECT_TRUE(cache.hasEntriesFromEarlierScans());
    EXPECT_TRUE(cache.find(keyNumber(1)));
    cache.load();
    EXPECT_EQ(cache.size(), 1u) << "read once";

    // Digests not written yet hold the entries in memory.
    cache.update({entryNumber(2)}, {});
    cache.unloadUntilNeeded();
    EXPECT_TRUE(cache.find(keyNumber(1)));
    EXPECT_EQ(cache.size(), 2u);
}

TEST_F(DigestCacheFileTest, WrittenEntriesLeaveMemoryAndComeBackForTheNextScanOrTheNextUpdate) {
    DigestCache cache(path, DigestCache::kDefaultMaxBytes, 0);
    cache.load();
    cache.update({entryNumber(1), entryNumber(2, 8192)}, {});
    cache.unload();
    EXPECT_EQ(cache.size(), 2u) << "not written yet: kept";
    ASSERT_TRUE(cache.save());
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_FALSE(cache.find(keyNumber(1)));
    EXPECT_FALSE(cache.hasEntriesFromEarlierScans()) << "nothing to look up until the next scan reads the file";
    cache.load();  // each separation's load: not a new scan
    EXPECT_EQ(cache.size(), 0u);
    cache.loadForScan();
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_TRUE(cache.hasEntriesFromEarlierScans());
    ASSERT_TRUE(cache.find(keyNumber(2, 8192)));
    EXPECT_EQ(cache.find(keyNumber(2, 8192))->digest, entryNumber(2).digest);
    cache.loadForScan();
    EXPECT_EQ(cache.size(), 2u) << "already read: nothing happens";

    // A digest stored after the entries went reads them back first: none is lost when it is written.
    cache.unload();
    EXPECT_EQ(cache.size(), 0u);
    cache.update({entryNumber(3)}, {});
    EXPECT_EQ(cache.size(), 3u);
    ASSERT_TRUE(cache.save());
    DigestCache next(path);
    next.load();
    EXPECT_EQ(next.size(), 3u);
    for (const auto& key : {keyNumber(1), keyNumber(2, 8192), keyNumber(3)}) EXPECT_TRUE(next.find(key));
    EXPECT_FALSE(cache.takeWarning());
}

}  // namespace
