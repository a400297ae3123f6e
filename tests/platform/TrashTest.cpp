// The freedesktop Trash on real folders: the home Trash under the test's private XDG_DATA_HOME, the
// Trash of a volume's top folder in a temporary folder, and a Trash that cannot be used.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "platform/Trash.h"
#include "platform/UserIdentity.h"
#include "platform/UserPaths.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
void writeText(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Files to trash live under the test home, so they share the home Trash's file system.
struct HomeTrashFixture : ::testing::Test {
    void SetUp() override {
        work = testHome() + "/trash-work";
        fs::remove_all(work);
        fs::create_directories(work);
        trash = user_paths::dataHome() + "/Trash";
        fs::remove_all(trash);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(work, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(work, ec);
    }
    std::string work;
    std::string trash;
};

// XDG_DATA_HOME pointed elsewhere for one test.
struct DataHomeOverride {
    explicit DataHomeOverride(const std::string& path) : saved(std::getenv("XDG_DATA_HOME")) {
        setenv("XDG_DATA_HOME", path.c_str(), 1);
    }
    ~DataHomeOverride() { setenv("XDG_DATA_HOME", saved.c_str(), 1); }
    std::string saved;
};
}  // namespace

TEST_F(HomeTrashFixture, MovedFileHasAPercentEncodedRecordAndCollisionsGetUniqueNames) {
    const std::string name = "a b \xC3\xBC%.txt";  // space, ü and a percent sign
    const std::string original = work + "/" + name;
    writeText(original, "first");

    FreedesktopTrash standard;
    const TrashResult first = standard.moveToTrash(original);
    ASSERT_TRUE(first.isOk()) << first.status.message();
    EXPECT_EQ(first.trashFolder, trash);
    EXPECT_EQ(first.pathInTrash, trash + "/files/" + name);
    EXPECT_FALSE(fs::exists(original));
    EXPECT_EQ(readText(first.pathInTrash), "first");

    const std::string info = readText(trash + "/info/" + name + ".trashinfo");
    const std::regex layout("\\[Trash Info\\]\nPath=(.*)\nDeletionDate=\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(info, m, layout)) << info;
    EXPECT_EQ(m[1].str(), FreedesktopTrash::percentEncodePath(work) + "/a%20b%20%C3%BC%25.txt");
    EXPECT_EQ(FreedesktopTrash::percentDecodePath(m[1].str()), original);

    // Same name again, then a folder twice: each gets the next free name.
    writeText(original, "second");
    const TrashResult second = standard.moveToTrash(original);
    ASSERT_TRUE(second.isOk()) << second.status.message();
    EXPECT_EQ(second.pathInTrash, trash + "/files/a b \xC3\xBC%.2.txt");
    EXPECT_EQ(readText(second.pathInTrash), "second");
    EXPECT_TRUE(fs::exists(trash + "/info/a b \xC3\xBC%.2.txt.trashinfo"));

    for (const char* expected : {"docs", "docs.2"}) {
        writeText(work + "/docs/inner.txt", "x");
        const TrashResult folder = standard.moveToTrash(work + "/docs");
        ASSERT_TRUE(folder.isOk()) << folder.status.message();
        EXPECT_EQ(folder.pathInTrash, trash + "/files/" + expected);
        EXPECT_TRUE(fs::exists(folder.pathInTrash + "/inner.txt"));
    }
}

TEST_F(HomeTrashFixture, ANameTakenInFilesWithoutRecordIsSkippedAndLeftAlone) {
    writeText(trash + "/files/x.txt", "stray");
    fs::create_directories(trash + "/info");
    writeText(work + "/x.txt", "new");

    const TrashResult r = FreedesktopTrash().moveToTrash(work + "/x.txt");
    ASSERT_TRUE(r.isOk()) << r.status.message();
    EXPECT_EQ(r.pathInTrash, trash + "/files/x.2.txt");
    EXPECT_EQ(readText(trash + "/files/x.txt"), "stray");
    EXPECT_FALSE(fs::exists(trash + "/info/x.txt.trashinfo"));
}

TEST_F(HomeTrashFixture, AFailedMoveLeavesTheFileAndNoRecord) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
    writeText(work + "/locked/f.txt", "keep");
    fs::permissions(work + "/locked", fs::perms::owner_read | fs::perms::owner_exec);

    const TrashResult r = FreedesktopTrash().moveToTrash(work + "/locked/f.txt");
    fs::permissions(work + "/locked", fs::perms::owner_all);
    EXPECT_EQ(r.outcome, TrashOutcome::Failed);
    EXPECT_EQ(r.status.code(), StatusCode::PermissionDenied);
    EXPECT_TRUE(fs::exists(work + "/locked/f.txt"));
    EXPECT_FALSE(fs::exists(trash + "/info/f.txt.trashinfo"));
}

TEST_F(HomeTrashFixture, AMissingFileFailsWithoutTouchingTheTrash) {
    const TrashResult missing = FreedesktopTrash().moveToTrash(work + "/nothing-here");
    EXPECT_EQ(missing.outcome, TrashOutcome::Failed);
    EXPECT_EQ(missing.status.code(), StatusCode::NotFound);
}

TEST_F(HomeTrashFixture, ATrashThatCannotBeCreatedIsUnavailable) {
    // "Trash" is a regular file where the folder should be.
    const std::string dataHome = testHome() + "/broken-data";
    fs::remove_all(dataHome);
    writeText(dataHome + "/Trash", "not a folder");
    DataHomeOverride override(dataHome);
    writeText(work + "/f.txt", "keep");

    FreedesktopTrash standard;
    EXPECT_TRUE(standard.trashFolderFor(work + "/f.txt").isTrashUnavailable());
    const TrashResult r = standard.moveToTrash(work + "/f.txt");
    EXPECT_EQ(r.outcome, TrashOutcome::TrashUnavailable);
    EXPECT_EQ(r.status.code(), StatusCode::NotADirectory);
    EXPECT_TRUE(fs::exists(work + "/f.txt"));
    fs::remove_all(dataHome);
}

TEST(TopDirectoryTrash, SharedTrashOnlyWithStickyBitElsePerUserFolder) {
    const std::uint32_t uid = user_identity::currentUserId();
    const std::string own = "/.Trash-" + std::to_string(uid);

    {  // nothing there: .Trash-<uid> is created, private to the user
        TempDir top;
        const TrashResult r = FreedesktopTrash::topDirectoryTrashFolder(top.path(), uid);
        ASSERT_TRUE(r.isOk()) << r.status.message();
        EXPECT_EQ(r.trashFolder, top.path() + own);
        EXPECT_TRUE(fs::is_directory(r.trashFolder + "/files"));
        EXPECT_TRUE(fs::is_directory(r.trashFolder + "/info"));
        struct stat st {};
        ASSERT_EQ(::stat(r.trashFolder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    {  // a sticky .Trash: the user's folder inside it
        TempDir top;
        top.makeFolder(".Trash");
        ::chmod((top / ".Trash").c_str(), 01777);
        const TrashResult r = FreedesktopTrash::topDirectoryTrashFolder(top.path(), uid);
        ASSERT_TRUE(r.isOk()) << r.status.message();
        EXPECT_EQ(r.trashFolder, top / ".Trash/" + std::to_string(uid));
    }
    {  // .Trash without the sticky bit, or a link to a sticky folder: not trusted
        TempDir top;
        top.makeFolder(".Trash");
        ::chmod((top / ".Trash").c_str(), 0777);
        EXPECT_EQ(FreedesktopTrash::topDirectoryTrashFolder(top.path(), uid).trashFolder, top.path() + own);

        TempDir linked;
        linked.makeFolder("elsewhere");
        ::chmod((linked / "elsewhere").c_str(), 01777);
        fs::create_directory_symlink(linked / "elsewhere", linked / ".Trash");
        EXPECT_EQ(FreedesktopTrash::topDirectoryTrashFolder(linked.path(), uid).trashFolder, linked.path() + own);
    }
    {  // .Trash-<uid> that is a link: unusable
        TempDir top;
        top.makeFolder("target");
        fs::create_directory_symlink(top / "target", top.path() + own);
        const TrashResult r = FreedesktopTrash::topDirectoryTrashFolder(top.path(), uid);
        EXPECT_TRUE(r.isTrashUnavailable());
        EXPECT_FALSE(fs::exists(top / "target/files"));
    }
}

TEST(TrashNames, CandidatesKeepTheExtension) {
    EXPECT_EQ(FreedesktopTrash::candidateName("a.txt", 1), "a.txt");
    EXPECT_EQ(FreedesktopTrash::candidateName("a.tar.gz", 2), "a.tar.2.gz");
    EXPECT_EQ(FreedesktopTrash::candidateName(".bashrc", 2), ".bashrc.2");
    EXPECT_EQ(FreedesktopTrash::candidateName("notes", 12), "notes.12");
}
