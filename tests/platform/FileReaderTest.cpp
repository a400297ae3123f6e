// Asking a file again why it could not be read, and the read faults tests set: a fault hits only the
// file (and offset) it names, and the answer carries the system's reason.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/FileReader.h"
#include "support/TestSupport.h"

namespace {

struct ClearFault {
    ~ClearFault() { FileReader::setReadFaultForTests({}); }
};

std::uint64_t inodeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return static_cast<std::uint64_t>(st.st_ino);
}

// Fails the reads of the file that start at `offset` with EIO.
void failReadsAt(const std::string& path, std::uint64_t offset) {
    FileReader::ReadFault fault{inodeOf(path), EIO};
    fault.offset = offset;
    FileReader::setReadFaultForTests(fault);
}

}  // namespace

TEST(FileReader, TryingToReadNamesTheReasonOfAFailureThatHoldsNow) {
    ClearFault clear;
    TempDir dir;
    const std::string good = dir.writePatternFile("good", 5000, 1);
    const std::string bad = dir.writePatternFile("bad", 5000, 2);
    ASSERT_EQ(::symlink(good.c_str(), (dir / "link").c_str()), 0);

    EXPECT_TRUE(FileReader::tryReading(good.c_str()));
    EXPECT_TRUE(FileReader::tryReading(bad.c_str()));
    EXPECT_EQ(FileReader::tryReading((dir / "gone").c_str()).sysErrno(), ENOENT);
    EXPECT_FALSE(FileReader::tryReading((dir / "link").c_str()));  // never followed
    EXPECT_FALSE(FileReader::tryReading(dir.path().c_str()));      // a folder is no file to read

    FileReader::setReadFaultForTests({inodeOf(bad), EIO});
    EXPECT_EQ(FileReader::tryReading(bad.c_str()).sysErrno(), EIO);
    EXPECT_TRUE(FileReader::tryReading(good.c_str()));
    FileReader::setReadFaultForTests({});
    EXPECT_TRUE(FileReader::tryReading(bad.c_str()));
}

// An open reader of a 10 000-byte file, and no fault left behind.
class OpenFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(reader.open(path)); }

    ClearFault clear;
    TempDir dir;
    const std::string path = dir.writePatternFile("f", 10000, 3);
    FileReader reader;
};

TEST_F(OpenFile, AFaultAtAnOffsetFailsOnlyTheReadsThatStartThere) {
    failReadsAt(path, 4096);
    char buffer[4096];
    EXPECT_EQ(reader.readAt(buffer, sizeof buffer, 0), 4096);
    errno = 0;
    EXPECT_EQ(reader.readAt(buffer, sizeof buffer, 4096), -1);
    EXPECT_EQ(errno, EIO);
    // A read that runs across the offset is not hit: the fault names where a read begins.
    EXPECT_EQ(reader.readAt(buffer, sizeof buffer, 100), 4096);
    EXPECT_EQ(reader.readFullyAt(buffer, sizeof buffer, 8192), 10000 - 8192);
}

TEST_F(OpenFile, AReadToTheEndAsOpenedAsksNoMoreWhileAGrownFileIsReadOn) {
    // A read at the end would fail: the short read up to the size at open must be taken as the end.
    failReadsAt(path, 10000);
    char buffer[8192];
    EXPECT_EQ(reader.readFullyAt(buffer, sizeof buffer, 4096), 10000 - 4096);
    FileReader::setReadFaultForTests({});

    // Bytes added after the open are read too: the size at open ends nothing by itself.
    {
        FILE* f = std::fopen(path.c_str(), "ab");
        ASSERT_NE(f, nullptr);
        const std::string more(3000, 'x');
        ASSERT_EQ(std::fwrite(more.data(), 1, more.size(), f), more.size());
        std::fclose(f);
    }
    EXPECT_EQ(reader.readFullyAt(buffer, sizeof buffer, 8192), 13000 - 8192);
    EXPECT_EQ(std::string(buffer + 10000 - 8192, 3000), std::string(3000, 'x'));
}
