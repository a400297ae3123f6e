// Digests of whole files and of the three sampled regions, checked against MD5 computed directly.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "detection/HashingTestHelpers.h"
#include "platform/FileDigest.h"
#include "support/TestSupport.h"

using hashing_test::md5Hex;
using hashing_test::readAll;
using hashing_test::regions;

TEST(FileDigest, WholeFileDigestIsMd5OfTheContentInLowerCaseHex) {
    TempDir dir;
    std::string path = dir.writePatternFile("big.bin", 3 * 8192 + 17, 1);  // several pieces and a short one
    auto key = FileDigest::hashforFile(path);
    ASSERT_TRUE(key);
    EXPECT_EQ(*key, md5Hex(readAll(path)));
    EXPECT_EQ(key->size(), 32u);
    EXPECT_EQ(key->find_first_not_of("0123456789abcdef"), std::string::npos);

    std::string empty = dir.writeFile("empty.bin", "");
    EXPECT_EQ(FileDigest::hashforFile(empty), std::optional<std::string>("d41d8cd98f00b204e9800998ecf8427e"));
}

TEST(FileDigest, DefaultBlockHashesSmallerFilesWhole) {
    TempDir dir;
    const std::uint64_t block = 8192, threshold = 3 * block;
    std::string below = dir.writePatternFile("below.bin", 24575, 2);
    std::string content = readAll(below);
    EXPECT_EQ(FileDigest::hashforFilePartly(below, 24575, block, threshold), md5Hex(content));

    std::string at = dir.writePatternFile("at.bin", 24576, 3);
    content = readAll(at);
    auto partial = FileDigest::hashforFilePartly(at, 24576, block, threshold);
    ASSERT_TRUE(partial);
    EXPECT_NE(*partial, md5Hex(content));
    // D = 16384: the last and middle offsets are already multiples of 4096.
    EXPECT_EQ(*partial, md5Hex(regions(content, {{0, 8192}, {16384, 8192}, {8192, 8192}})));
}

TEST(FileDigest, RegionsAreFirstLastMiddleAndRoundedFrom12289Bytes) {
    TempDir dir;
    const std::uint64_t block = 4096, threshold = 3 * block;

    std::string exact = dir.writePatternFile("exact.bin", 12288, 4);
    std::string content = readAll(exact);
    EXPECT_EQ(FileDigest::hashforFilePartly(exact, 12288, block, threshold),
              md5Hex(regions(content, {{0, 4096}, {8192, 4096}, {4096, 4096}})));

    // D = 8193: the last offset rounds down to 8192 and the last region takes the 4097 bytes to the end.
    std::string longer = dir.writePatternFile("longer.bin", 12289, 5);
    content = readAll(longer);
    EXPECT_EQ(FileDigest::hashforFilePartly(longer, 12289, block, threshold),
              md5Hex(regions(content, {{0, 4096}, {8192, 4097}, {4096, 4096}})));
}

TEST(FileDigest, SmallFilesAreNotRoundedAndLongBlocksReadWholePieces) {
    TempDir dir;
    // Below 12289 bytes no rounding: D = 2500, middle 1250, read size 1000.
    std::string small = dir.writePatternFile("small.bin", 3500, 6);
    std::string content = readAll(small);
    EXPECT_EQ(FileDigest::hashforFilePartly(small, 3500, 1000, 3000),
              md5Hex(regions(content, {{0, 1000}, {2500, 1000}, {1250, 1000}})));

    // B = 10000 is read in pieces of 8192, so each region takes whole pieces: D = 20000, the last
    // offset rounds to 16384 (13616 bytes to the end), the middle offset 10000 to 8192.
    std::string large = dir.writePatternFile("large.bin", 30000, 7);
    content = readAll(large);
    EXPECT_EQ(FileDigest::hashforFilePartly(large, 30000, 10000, 30000),
              md5Hex(regions(content, {{0, 16384}, {16384, 13616}, {8192, 16384}})));
}

TEST(FileDigest, TheSizeGivenDecidesTheRegionsAndAShorterFileEndsThemEarly) {
    TempDir dir;
    std::string path = dir.writePatternFile("shrunk.bin", 20000, 8);
    std::string content = readAll(path);
    // Listed at 24576 bytes, now 20000: the last region (16384, 8192) stops at the end of the file.
    EXPECT_EQ(FileDigest::hashforFilePartly(path, 24576, 8192, 24576),
              md5Hex(regions(content, {{0, 8192}, {16384, 3616}, {8192, 8192}})));
}

TEST(FileDigest, UnreadablePathsGiveNoDigest) {
    TempDir dir;
    std::string real = dir.writePatternFile("real.bin", 40000, 9);
    std::string link = dir / "link.bin";
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    EXPECT_FALSE(FileDigest::hashforFile(link));
    EXPECT_FALSE(FileDigest::hashforFilePartly(link, 40000, 8192, 24576));
    EXPECT_FALSE(FileDigest::hashforFilePartly(link, 40000, 40000, 120000));  // whole-file branch

    EXPECT_FALSE(FileDigest::hashforFile(dir / "missing.bin"));
    EXPECT_FALSE(FileDigest::hashforFilePartly(dir / "missing.bin", 40000, 8192, 24576));
    EXPECT_FALSE(FileDigest::hashforFile(dir.makeFolder("folder")));
    std::string fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(FileDigest::hashforFile(fifo));  // and does not block

    // A block of 0 would give every file of a size the same digest.
    EXPECT_FALSE(FileDigest::hashforFilePartly(real, 40000, 0, 0));
}

TEST(FileDigest, ReadingLeavesTheFileAndItsAccessTimeUnchanged) {
    TempDir dir;
    std::string path = dir.writePatternFile("times.bin", 50000, 10);
    // An access time older than the modification time is what a relatime mount would update.
    struct timespec times[2] = {{1000000000, 0}, {UTIME_OMIT, UTIME_OMIT}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    std::string content = readAll(path);
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);  // undo the test's own read

    ASSERT_TRUE(FileDigest::hashforFile(path));
    ASSERT_TRUE(FileDigest::hashforFilePartly(path, 50000, 8192, 24576));
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_atim.tv_sec, 1000000000);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_size, 50000);
    EXPECT_EQ(readAll(path), content);
}

TEST(FileDigest, NamesInAnOpenFolderGiveThePathDigestsAndLargeFilesReadInLargePieces) {
    TempDir dir;
    dir.makeFolder("in");
    // Several large pieces and a short one, then one smaller than a single piece.
    std::string large = dir.writePatternFile("in/large.bin", 2 * FileDigest::kWholeFileReadSize + 4099, 7);
    std::string small = dir.writePatternFile("in/small.bin", 40000, 8);
    ASSERT_EQ(::symlink(large.c_str(), (dir.path() + "/in/link.bin").c_str()), 0);

    FileReader::Folder folder;
    ASSERT_TRUE(folder.open((dir.path() + "/in").c_str()));
    EXPECT_EQ(FileDigest::hashforFile(large), md5Hex(readAll(large)));
    EXPECT_EQ(FileDigest::hashforFileAt(folder, "large.bin"), md5Hex(readAll(large)));
    EXPECT_EQ(FileDigest::hashforFileAt(folder, "small.bin"), md5Hex(readAll(small)));
    EXPECT_EQ(FileDigest::hashforFilePartlyAt(folder, "small.bin", 40000, 8192, 3 * 8192),
              FileDigest::hashforFilePartly(small, 40000, 8192, 3 * 8192));
    // A name is opened as it stands: never a link, never a folder, never a missing file.
    EXPECT_FALSE(FileDigest::hashforFileAt(folder, "link.bin"));
    EXPECT_FALSE(FileDigest::hashforFilePartlyAt(folder, "link.bin", 40000, 8192, 3 * 8192));
    EXPECT_FALSE(FileDigest::hashforFileAt(folder, "missing.bin"));
    FileReader reader;
    EXPECT_FALSE(reader.openAt(folder, "."));
    EXPECT_FALSE(reader.openAt(FileReader::Folder(), "large.bin"));
    FileReader::Folder notAFolder;
    EXPECT_FALSE(notAFolder.open(large.c_str()));
}
