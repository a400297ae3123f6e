// `dorvane scan … --remove` with a copy the normal removal cannot remove (immutable): the error group's
// question, answered by --yes, runs the helper; without a terminal and without --yes the copy stays.
// Root only: nobody else can set the immutable flag.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "support/DorvaneProcess.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
std::string logFolder() { return testHome() + "/.local/share/Dorvane/Removed"; }
std::string trashFolder() { return testHome() + "/.local/share/Trash"; }

std::set<std::string> listFolder(const std::string& path) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(path, ec)) names.insert(e.path().filename().string());
    return names;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int shell(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Clears the flag again whatever happens, so the temporary folder can go.
struct Unlock {
    std::string path;
    ~Unlock() {
        if (!path.empty() && fs::exists(fs::symlink_status(path))) shell("chattr -i '" + path + "'");
    }
};

// The paths recorded under `key` by the logs written since `before`.
std::set<std::string> logged(const std::set<std::string>& before, const std::string& key) {
    std::set<std::string> paths;
    for (const auto& name : listFolder(logFolder())) {
        if (before.count(name) || fs::path(name).extension() != ".log") continue;
        QFile f(QString::fromStdString(logFolder() + "/" + name));
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QJsonObject changes = QJsonDocument::fromJson(f.readAll()).object()["changes"].toObject();
        for (const auto& g : changes)
            for (const auto& e : g.toObject()[QString::fromStdString(key)].toArray())
                for (const auto& v : e.toObject()) paths.insert(v.toString().toStdString());
    }
    return paths;
}

// Which of tree/a/photo.raw and tree/b/photo.raw a dry run of Auto Select removes, and which it keeps;
// false, with the reason, when it chose none.
bool chooseByDryRun(const TempDir& dir, const std::string& root, std::string& selected, std::string& kept,
                    std::string& skipReason) {
    const DorvaneRun dry = runDorvaneBinary({"scan", "-q", "--full", "--all-sizes", "--no-folders", "--select", "auto",
                                             "--remove", "--dry-run", QString::fromStdString(root)});
    const std::string marker = "would remove to the Trash: ";
    const auto at = dry.out.find(marker);
    if (at == std::string::npos) {
        skipReason = "the dry run selected nothing: " + dry.out + dry.err;
        return false;
    }
    selected = dry.out.substr(at + marker.size(), dry.out.find('\n', at) - at - marker.size());
    kept = selected == dir / "tree/a/photo.raw" ? dir / "tree/b/photo.raw" : dir / "tree/a/photo.raw";
    return true;
}

struct LockedCopy {
    TempDir dir;
    std::string root, selected, kept;
    Unlock unlock;
    std::string skipReason;

    // Two equal files; the one auto-select takes is made immutable.
    LockedCopy() {
        root = dir / "tree";
        dir.writePatternFile("tree/a/photo.raw", 70000, 7);
        dir.writePatternFile("tree/b/photo.raw", 70000, 7);
        if (::geteuid() != 0) {
            skipReason = "needs root: only root sets the immutable flag";
            return;
        }
        if (!chooseByDryRun(dir, root, selected, kept, skipReason)) return;
        if (shell("chattr +i '" + selected + "'") != 0) {
            skipReason = "chattr +i does not work on the temporary folder's file system";
            return;
        }
        unlock.path = selected;
    }
};
}  // namespace

TEST(HelperRemovalCli, WithoutATerminalOrYesALockedCopyStays) {
    LockedCopy copy;
    if (!copy.skipReason.empty()) GTEST_SKIP() << copy.skipReason;
    const DorvaneRun r = runDorvaneBinary({"scan", "-q", "--full", "--all-sizes", "--no-folders", "--select", "auto",
                                           "--remove", QString::fromStdString(copy.root)});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_TRUE(fs::exists(copy.selected));
    EXPECT_NE(r.out.find("Not removed: 1 copy"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(copy.selected + ": "), std::string::npos) << r.out;
}

TEST(HelperRemovalCli, YesRemovesALockedCopyPermanentlyThroughTheHelper) {
    LockedCopy copy;
    if (!copy.skipReason.empty()) GTEST_SKIP() << copy.skipReason;
    const std::string keptBytes = readAll(copy.kept);
    const auto logsBefore = listFolder(logFolder());
    const DorvaneRun r = runDorvaneBinary({"scan", "-q", "--full", "--all-sizes", "--no-folders", "--select", "auto",
                                           "--remove", "--permanent", "--yes", QString::fromStdString(copy.root)});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_FALSE(fs::exists(fs::symlink_status(copy.selected)));
    EXPECT_EQ(readAll(copy.kept), keptBytes);
    EXPECT_NE(r.out.find("Removed 1 of 1 copy"), std::string::npos) << r.out;
    EXPECT_TRUE(logged(logsBefore, "removed").count(copy.selected)) << r.out;
}

TEST(HelperRemovalCli, YesMovesALockedCopyToTheTrashThroughTheHelper) {
    LockedCopy copy;
    if (!copy.skipReason.empty()) GTEST_SKIP() << copy.skipReason;
    const auto logsBefore = listFolder(logFolder());
    const auto trashedBefore = listFolder(trashFolder() + "/files");
    const DorvaneRun r = runDorvaneBinary({"scan", "-q", "--full", "--all-sizes", "--no-folders", "--select", "auto",
                                           "--remove", "--yes", QString::fromStdString(copy.root)});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_FALSE(fs::exists(fs::symlink_status(copy.selected)));
    EXPECT_TRUE(fs::exists(copy.kept));
    const auto trashed = logged(logsBefore, "moved to trash");
    EXPECT_TRUE(trashed.count(copy.selected)) << r.out << r.err;
    std::set<std::string> added;
    for (const auto& name : listFolder(trashFolder() + "/files"))
        if (!trashedBefore.count(name)) added.insert(name);
    ASSERT_EQ(added.size(), 1u);
    const std::string inTrash = trashFolder() + "/files/" + *added.begin();
    EXPECT_TRUE(trashed.count(inTrash));
    EXPECT_TRUE(fs::exists(trashFolder() + "/info/" + *added.begin() + ".trashinfo"));
    shell("chattr -i '" + inTrash + "'");
}

TEST(TrashCli, MovesPathsAndRefusesLinks) {
    TempDir dir;
    const std::string file = dir.writeFile("x/it's a file", "bytes");
    fs::create_symlink(file, dir / "link");
    const std::string report = dir / "report";
    const DorvaneRun r = runDorvaneBinary({"trash", "--print0", "--output", QString::fromStdString(report), "--",
                                           QString::fromStdString(file), QString::fromStdString(dir / "link")});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_NE(r.err.find("it is a symbolic link"), std::string::npos) << r.err;
    const std::string bytes = readAll(report);
    ASSERT_EQ(bytes.rfind(file + '\0', 0), 0u) << bytes;
    const std::string inTrash = bytes.substr(file.size() + 1, bytes.size() - file.size() - 2);
    EXPECT_TRUE(fs::exists(inTrash));
    EXPECT_EQ(readAll(inTrash), "bytes");

    // Lines for people; paths from a NUL-separated list.
    const std::string other = dir.writeFile("x/two\nlines", "b2");
    std::ofstream(dir / "list", std::ios::binary) << other << '\0';
    const DorvaneRun listed = runDorvaneBinary({"trash", "--from", QString::fromStdString(dir / "list")});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out.rfind(other + " → ", 0), 0u) << listed.out;
    EXPECT_FALSE(fs::exists(other));
}

namespace {
std::string flagsOf(const std::string& path) {
    std::string out;
    runCommand("lsattr -d '" + path + "' 2>/dev/null", &out);
    return out.substr(0, out.find(' '));
}

// Two equal files; the folder of the one auto-select takes gets the immutable flag.
struct CopyInALockedFolder {
    TempDir dir;
    std::string root, selected, kept, folder;
    std::string skipReason;

    CopyInALockedFolder() {
        root = dir / "tree";
        dir.writePatternFile("tree/a/photo.raw", 70000, 9);
        dir.writePatternFile("tree/b/photo.raw", 70000, 9);
        dir.writeFile("tree/a/own.txt", "a");
        dir.writeFile("tree/b/own.txt", "b");
        if (::geteuid() != 0) {
            skipReason = "needs root: only root sets the immutable flag";
            return;
        }
        if (!chooseByDryRun(dir, root, selected, kept, skipReason)) return;
        folder = fs::path(selected).parent_path().string();
        if (shell("chattr +i '" + folder + "'") != 0) skipReason = "chattr +i does not work on the temporary folder's file system";
    }
    ~CopyInALockedFolder() {
        if (!folder.empty()) shell("chattr -i '" + folder + "'");
    }
};
}  // namespace

TEST(HelperRemovalCli, ACopyInAnImmutableFolderIsRemovedAndTheFolderStaysImmutable) {
    for (const bool permanent : {true, false}) {
        SCOPED_TRACE(permanent ? "permanently" : "to the Trash");
        CopyInALockedFolder copy;
        if (!copy.skipReason.empty()) GTEST_SKIP() << copy.skipReason;
        const std::string keptBytes = readAll(copy.kept);
        const auto logsBefore = listFolder(logFolder());
        QStringList arguments {"scan", "-q", "--full", "--all-sizes", "--no-folders", "--select", "auto", "--remove", "--yes",
                               QString::fromStdString(copy.root)};
        if (permanent) arguments.insert(8, "--permanent");
        const DorvaneRun r = runDorvaneBinary(arguments);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_FALSE(fs::exists(fs::symlink_status(copy.selected))) << r.out << r.err;
        EXPECT_EQ(readAll(copy.kept), keptBytes);
        EXPECT_TRUE(fs::exists(copy.folder + "/own.txt"));
        EXPECT_NE(flagsOf(copy.folder).find('i'), std::string::npos) << flagsOf(copy.folder);
        EXPECT_TRUE(logged(logsBefore, permanent ? "removed" : "moved to trash").count(copy.selected)) << r.out;
    }
}

// The Trash helper cannot move the copy (the Trash's files/ folder takes nothing): the copy is then
// offered for permanent removal, a question --yes does not answer; without a terminal it stays.
TEST(HelperRemovalCli, YesNeverTurnsATrashRemovalIntoAPermanentOne) {
    LockedCopy copy;
    if (!copy.skipReason.empty()) GTEST_SKIP() << copy.skipReason;
    fs::create_directories(trashFolder() + "/files");
    fs::create_directories(trashFolder() + "/info");
    ASSERT_EQ(shell("chattr +i '" + trashFolder() + "/files'"), 0);
    Unlock trashFiles {trashFolder() + "/files"};
    const auto logsBefore = listFolder(logFolder());
    const DorvaneRun r = runDorvaneBinary({"scan", "-q", "--full", "--all-sizes", "--no-folders", "--select", "auto",
                                           "--remove", "--yes", QString::fromStdString(copy.root)});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_TRUE(fs::exists(copy.selected));
    EXPECT_TRUE(fs::exists(copy.kept));
    EXPECT_NE(r.err.find("cannot be moved to the Trash"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("dorvane: not deleted permanently: --yes only moves copies to the Trash"), std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("Not removed: 1 copy"), std::string::npos) << r.out;
    EXPECT_TRUE(logged(logsBefore, "removed").empty());
    // The helper set the copy's flag again when the Trash did not take it.
    EXPECT_NE(flagsOf(copy.selected).find('i'), std::string::npos) << flagsOf(copy.selected);
}
