// Moves and copies that never replace anything: a folder tree copied with its links, permissions and
// dates; a taken destination refused with the destination and the source left as they were.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/FileTransfer.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
struct stat statOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st;
}

void setModificationTime(const std::string& path, time_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}
}  // namespace

TEST(FileTransfer, AFolderTreeIsCopiedWithItsLinksModesAndDates) {
    TempDir dir;
    dir.writeFile("src/a.txt", "alpha");
    dir.writeFile("src/sub/b.bin", std::string(300000, 'b'));
    fs::create_symlink("a.txt", dir / "src/link");
    chmod((dir / "src/a.txt").c_str(), 0640);
    setModificationTime(dir / "src/sub/b.bin", 1500000000);
    setModificationTime(dir / "src/sub", 1400000000);

    ASSERT_TRUE(FileTransfer::standard().copyNoReplace(dir / "src", dir / "dst").isOk());
    EXPECT_EQ(readText(dir / "dst/a.txt"), "alpha");
    EXPECT_EQ(readText(dir / "dst/sub/b.bin"), std::string(300000, 'b'));
    EXPECT_EQ(fs::read_symlink(dir / "dst/link"), "a.txt");
    EXPECT_EQ(statOf(dir / "dst/a.txt").st_mode & 07777, 0640u);
    EXPECT_EQ(statOf(dir / "dst/sub/b.bin").st_mtim.tv_sec, 1500000000);
    EXPECT_EQ(statOf(dir / "dst/sub").st_mtim.tv_sec, 1400000000);
    EXPECT_TRUE(fs::exists(dir / "src/sub/b.bin"));
}

TEST(FileTransfer, ATakenDestinationIsNeverReplaced) {
    TempDir dir;
    dir.writeFile("from.txt", "new");
    dir.writeFile("to.txt", "old");
    dir.writeFile("tree/x.txt", "x");
    dir.writeFile("taken/y.txt", "y");

    const Status copied = FileTransfer::standard().copyNoReplace(dir / "from.txt", dir / "to.txt");
    EXPECT_EQ(copied.code(), StatusCode::AlreadyExists);
    const Status moved = FileTransfer::standard().moveNoReplace(dir / "from.txt", dir / "to.txt");
    EXPECT_EQ(moved.code(), StatusCode::AlreadyExists);
    EXPECT_EQ(readText(dir / "to.txt"), "old");
    EXPECT_EQ(readText(dir / "from.txt"), "new");

    EXPECT_EQ(FileTransfer::standard().copyNoReplace(dir / "tree", dir / "taken").code(), StatusCode::AlreadyExists);
    EXPECT_EQ(FileTransfer::standard().moveNoReplace(dir / "tree", dir / "taken").code(), StatusCode::AlreadyExists);
    EXPECT_FALSE(fs::exists(dir / "taken/x.txt"));
    EXPECT_TRUE(fs::exists(dir / "tree/x.txt"));

    // A missing parent is not created by a move; makeFolders makes it, and the move then goes through.
    EXPECT_EQ(FileTransfer::standard().moveNoReplace(dir / "from.txt", dir / "new/deeper/f.txt").code(),
              StatusCode::NotFound);
    ASSERT_TRUE(FileTransfer::standard().makeFolders(dir / "new/deeper").isOk());
    ASSERT_TRUE(FileTransfer::standard().moveNoReplace(dir / "from.txt", dir / "new/deeper/f.txt").isOk());
    EXPECT_EQ(readText(dir / "new/deeper/f.txt"), "new");
    EXPECT_FALSE(fs::exists(dir / "from.txt"));
}
