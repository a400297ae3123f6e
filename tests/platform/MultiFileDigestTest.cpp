// Digests of many files in lanes: each file added is reported once, with OpenSSL's MD5 of its bytes
// (or of the regions FileDigest plans for its samples), whatever the engine, the piece size and the
// order in which files end; a file that fails to read fails alone; a stop ends every file in flight
// without a digest.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "detection/HashingTestHelpers.h"
#include "platform/FileDigest.h"
#include "platform/FileReader.h"
#include "platform/MultiFileDigest.h"
#include "support/TestSupport.h"

using hashing_test::md5Hex;
using hashing_test::readAll;

namespace {

struct Reported {
    std::optional<std::string> digest;
    int times = 0;
    FileStamp stamp;
};

std::unique_ptr<FileReader> openFile(const std::string& path) {
    auto reader = std::make_unique<FileReader>();
    EXPECT_TRUE(reader->open(path)) << path;
    return reader;
}

class MultiFileDigestEngines : public ::testing::TestWithParam<Md5Lanes::Engine> {
protected:
    void SetUp() override {
        if (!Md5Lanes::isAvailable(GetParam())) GTEST_SKIP() << "this processor lacks the engine's instructions";
    }

    MultiFileDigest::Done recorder() {
        return [this](std::uint64_t tag, const FileReader& file, std::optional<std::string> digest) {
            Reported& r = reported[tag];
            r.digest = std::move(digest);
            r.stamp = file.stampAtOpen();
            ++r.times;
        };
    }

    TempDir dir;
    std::map<std::uint64_t, Reported> reported;
};

}  // namespace

TEST_P(MultiFileDigestEngines, EveryFileGetsItsOwnMd5AsFilesEndAndLanesRefill) {
    // More files than lanes, pieces of 4 KiB so that large files take many turns, and sizes around
    // the piece and padding boundaries.
    std::vector<std::uint64_t> sizes{0, 1, 55, 56, 63, 64, 65, 4095, 4096, 4097, 8192, 100000, (1u << 20) + 13};
    for (std::uint64_t i = 0; i < 40; ++i) sizes.push_back(i * 977 + 13);
    std::vector<std::string> paths;
    MultiFileDigest lanes(recorder(), GetParam(), 4096);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        paths.push_back(dir.writePatternFile("f" + std::to_string(i), sizes[i], static_cast<std::uint32_t>(i + 1)));
        lanes.add(i, openFile(paths.back()));
        // Never more files in flight than lanes: every file beyond them was taken after one ended.
        EXPECT_GE(reported.size() + static_cast<std::size_t>(lanes.laneCount()), i + 1);
    }
    lanes.finish();
    ASSERT_EQ(reported.size(), paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(reported[i].times, 1) << paths[i];
        EXPECT_EQ(reported[i].digest, md5Hex(readAll(paths[i]))) << "size " << sizes[i];
        EXPECT_EQ(reported[i].stamp.size, sizes[i]);
    }
}

TEST_P(MultiFileDigestEngines, SampledDigestsAreTheMd5OfThePlannedRegions) {
    // Block lengths below, at and above the read size (12 000 is not a whole number of reads: its
    // regions reach past their length), sizes around the threshold and the alignment, files whose
    // regions overlap, and one file that shrank after it was listed (its last regions end early).
    struct Case {
        std::uint64_t size;
        std::uint64_t listed;
        std::uint64_t block;
    };
    std::vector<Case> cases;
    for (std::uint64_t block : {512u, 8192u, 12000u})
        for (std::uint64_t size : {block * 3 - 1, block * 3, block * 3 + 1, FileDigest::kAlignedFromSize - 1,
                                   FileDigest::kAlignedFromSize, std::uint64_t{100003}, std::uint64_t{1} << 20})
            cases.push_back({size, size, block});
    cases.push_back({20000, 90000, 8192});
    MultiFileDigest lanes(recorder(), GetParam(), 4096);
    std::vector<std::optional<std::string>> expected;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const std::string path = dir.writePatternFile("s" + std::to_string(i), c.size, static_cast<std::uint32_t>(i + 5));
        const std::optional<FileDigest::Regions> regions = FileDigest::regionsFor(c.listed, c.block, 3 * c.block);
        ASSERT_TRUE(regions);
        // What the plan names, cut at the file's end, hashed by OpenSSL.
        const std::string content = readAll(path);
        std::string bytes;
        for (int r = 0; r < regions->count; ++r)
            if (regions->region[r].offset < content.size())
                bytes += content.substr(regions->region[r].offset, regions->region[r].length);
        expected.push_back(md5Hex(bytes));
        lanes.add(i, openFile(path), *regions);
    }
    lanes.finish();
    ASSERT_EQ(reported.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(reported[i].digest, expected[i])
            << "size " << cases[i].size << " listed " << cases[i].listed << " block " << cases[i].block;
}

TEST_P(MultiFileDigestEngines, ASampledFileDigestsAlikeWhateverPartOfItThePageCacheHolds) {
    // The first read of a sampled file asks the page cache alone; all of it, some of it, none of it or
    // a failure: the digest is the same, and a failure that stays is no digest.
    const std::uint64_t size = 100003;
    const std::string path = dir.writePatternFile("f", size, 9);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    const std::optional<FileDigest::Regions> regions = FileDigest::regionsFor(size, 8192, 3 * 8192);
    ASSERT_TRUE(regions && regions->isSampled());
    const std::string content = readAll(path);
    std::string bytes;
    for (int r = 0; r < regions->count; ++r) bytes += content.substr(regions->region[r].offset, regions->region[r].length);
    const auto digestNow = [&] {
        reported.clear();
        MultiFileDigest lanes(recorder(), GetParam(), 64 * 1024);
        lanes.add(0, openFile(path), *regions);
        lanes.finish();
        return reported[0].digest;
    };
    EXPECT_EQ(digestNow(), md5Hex(bytes));
    for (std::uint64_t cached : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{4096}, std::uint64_t{8191}}) {
        FileReader::setCacheFaultForTests({st.st_ino, cached});
        EXPECT_EQ(digestNow(), md5Hex(bytes)) << cached << " bytes cached";
    }
    FileReader::setCacheFaultForTests({});
    FileReader::setReadFaultForTests({st.st_ino, EIO, 0});
    EXPECT_FALSE(digestNow()) << "a read that fails at the start fails the file, asked of the cache or not";
    FileReader::setReadFaultForTests({});
    EXPECT_EQ(digestNow(), md5Hex(bytes));
}

TEST_P(MultiFileDigestEngines, AReadErrorFailsThatFileOnly) {
    const std::string big = dir.writePatternFile("big", 200000, 1);
    const std::string small = dir.writePatternFile("small", 100, 2);
    const std::string other = dir.writePatternFile("other", 300000, 3);
    FileReader* bigReader = nullptr;
    // The small file ends first; at that moment the big file's handle is closed under it, so its next
    // read fails while the third file goes on.
    MultiFileDigest lanes(
        [&](std::uint64_t tag, const FileReader& file, std::optional<std::string> digest) {
            if (tag == 1 && bigReader) bigReader->close();
            recorder()(tag, file, std::move(digest));
        },
        GetParam(), 4096);
    auto reader = openFile(big);
    bigReader = reader.get();
    lanes.add(0, std::move(reader));
    lanes.add(1, openFile(small));
    lanes.add(2, openFile(other));
    lanes.add(3, std::make_unique<FileReader>());  // never opened: its first read fails
    lanes.finish();
    ASSERT_EQ(reported.size(), 4u);
    EXPECT_FALSE(reported[0].digest);
    EXPECT_EQ(reported[1].digest, md5Hex(readAll(small)));
    EXPECT_EQ(reported[2].digest, md5Hex(readAll(other)));
    EXPECT_FALSE(reported[3].digest);
    for (auto& [tag, r] : reported) EXPECT_EQ(r.times, 1) << tag;
}

TEST_P(MultiFileDigestEngines, AStopEndsEveryFileInFlightWithoutADigest) {
    int checks = 0;
    MultiFileDigest lanes(recorder(), GetParam(), 4096);
    lanes.setStopCheck([&] { return ++checks > 3; });
    for (std::uint64_t i = 0; i < 3; ++i)
        lanes.add(i, openFile(dir.writePatternFile("f" + std::to_string(i), 100000, static_cast<std::uint32_t>(i))));
    lanes.finish();
    ASSERT_EQ(reported.size(), 3u);
    for (auto& [tag, r] : reported) {
        EXPECT_FALSE(r.digest) << tag;
        EXPECT_EQ(r.times, 1) << tag;
    }
    // Added after the stop: reported without a digest.
    lanes.add(7, openFile(dir.writePatternFile("late", 10, 9)));
    lanes.finish();
    EXPECT_EQ(reported[7].times, 1);
    EXPECT_FALSE(reported[7].digest);
}

TEST_P(MultiFileDigestEngines, NothingAddedNothingReported) {
    MultiFileDigest lanes(recorder(), GetParam());
    lanes.finish();
    EXPECT_TRUE(reported.empty());
}

INSTANTIATE_TEST_SUITE_P(MultiFileDigest, MultiFileDigestEngines,
                         ::testing::Values(Md5Lanes::Engine::Scalar, Md5Lanes::Engine::Avx2, Md5Lanes::Engine::Avx512),
                         [](const ::testing::TestParamInfo<Md5Lanes::Engine>& info) -> std::string {
                             return Md5Lanes::engineName(info.param);
                         });
