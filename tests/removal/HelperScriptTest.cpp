// The helper scripts' text, and what /bin/sh makes of it on real files with hostile names.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/ScriptFiles.h"
#include "removal/HelperScript.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
std::size_t countOf(const std::string& text, const std::string& piece) {
    std::size_t n = 0;
    for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++n;
    return n;
}

// Writes the lists and the script as the helper does and runs it with /bin/sh; answers its status.
int runScript(const HelperScript& script, const std::string& folder) {
    std::vector<std::string> lists;
    int n = 0;
    for (const auto& bytes : script.lists()) {
        const std::string path = folder + "/list" + std::to_string(++n);
        std::ofstream(path, std::ios::binary) << bytes;
        lists.push_back(path);
    }
    const std::string path = folder + "/script.sh";
    std::ofstream(path, std::ios::binary) << script.text(lists);
    const int status = std::system(("/bin/sh '" + path + "' 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
}  // namespace

TEST(HelperScriptText, QuotesEveryPathForShell) {
    EXPECT_EQ(HelperScript::quote("/a b/c"), "'/a b/c'");
    EXPECT_EQ(HelperScript::quote("/it's"), "'/it'\\''s'");
    EXPECT_EQ(HelperScript::quote("/$(x)`y`\\\"z"), "'/$(x)`y`\\\"z'");

    HelperScript script = HelperScript::permanent();
    script.add({"/d/it's here", false, false, false});
    script.add({"/d/-rf", false, false, false});
    script.add({"/d/folder", true, false, false});
    const std::string text = script.text({});
    EXPECT_NE(text.find("p='/d/it'\\''s here'\n"), std::string::npos) << text;
    EXPECT_NE(text.find("p='/d/-rf'\n"), std::string::npos);
    EXPECT_EQ(countOf(text, "rm -f -- \"$p\""), 2u);
    EXPECT_EQ(countOf(text, "rm -rf -- \"$p\""), 1u);
    // Every removal is behind the link check.
    EXPECT_EQ(countOf(text, "if safe \"$p\"; then"), 3u);
    EXPECT_EQ(text.rfind("#!/bin/sh\n", 0), 0u);
}

TEST(HelperScriptText, UnlockLinesOnlyWhereFlagsAreSetAndBeforeTheRemoval) {
    HelperScript script = HelperScript::permanent();
    script.add({"/d/plain", false, false, false});
    script.add({"/d/immutable", false, true, false});
    script.add({"/d/both", false, true, true});
    const std::string text = script.text({});
    EXPECT_EQ(countOf(text, "chattr -i -- \"$p\""), 2u);
    EXPECT_EQ(countOf(text, "chattr -a -- \"$p\""), 1u);
    const auto both = text.find("p='/d/both'");
    ASSERT_NE(both, std::string::npos);
    const auto unlockI = text.find("chattr -i", both), unlockA = text.find("chattr -a", both);
    const auto removal = text.find("rm -f", both);
    EXPECT_LT(unlockI, removal);
    EXPECT_LT(unlockA, removal);
    const auto plain = text.find("p='/d/plain'");
    EXPECT_GT(text.find("chattr", plain), text.find("p='/d/immutable'"));
}

// A folder that is immutable or append-only takes no removal: its flags are cleared right before the
// copy goes and set again after it, also around the Trash call and for the paths of a list file.
TEST(HelperScriptText, ALockedFolderIsUnlockedAroundItsCopyAndLockedAgain) {
    HelperScript script = HelperScript::permanent();
    script.add({"/d/in locked", false, false, false, true, false});
    script.add({"/e/both locked", false, true, false, true, true});
    script.add({"/f/plain", false, false, false});
    std::string text = script.text({});
    const auto locked = text.find("p='/d/in locked'");
    ASSERT_NE(locked, std::string::npos) << text;
    const auto unlock = text.find("chattr -i -- \"$d\"\n", locked), removal = text.find("rm -f", locked),
               relock = text.find("relock +i \"$d\"\n", locked);
    EXPECT_LT(text.find("if safe \"$p\"; then", locked), unlock);
    EXPECT_LT(unlock, removal);
    EXPECT_LT(removal, relock);
    EXPECT_LT(relock, text.find("p='/e/both locked'"));
    const auto both = text.find("p='/e/both locked'");
    EXPECT_LT(text.find("chattr -ia -- \"$d\"\n", both), text.find("chattr -i -- \"$p\"\n", both));
    // The copy's flag comes back only if it is still there; the folder's always.
    EXPECT_LT(text.find("rm -f", both), text.find("relock +i \"$p\"\n", both));
    EXPECT_LT(text.find("relock +i \"$p\"\n", both), text.find("relock +ia \"$d\"\n", both));
    EXPECT_EQ(text.find("chattr", text.find("p='/f/plain'")), std::string::npos);

    HelperScript trash = HelperScript::toTrash("'/bin/dorvane' trash");
    trash.add({"/d/in locked", false, false, false, true, false});
    trash.add({"/d/two\nlines", false, false, false, false, true});
    text = trash.text({"/run/l1"});
    const auto call = text.find("'/bin/dorvane' trash -- \"$@\"");
    EXPECT_LT(text.find("chattr -i -- \"$d\""), call);
    EXPECT_GT(text.find("relock +i \"$d\""), call);
    const auto listCall = text.find("'/bin/dorvane' trash --from '/run/l1'");
    ASSERT_NE(listCall, std::string::npos) << text;
    EXPECT_LT(text.find("chattr -a -- \"$d\"", call), listCall) << text;
    EXPECT_GT(text.find("relock +a \"$d\"", call), listCall) << text;
}

TEST(HelperScriptText, BlocksHoldAtMostTenThousandPaths) {
    HelperScript permanent = HelperScript::permanent();
    HelperScript trash = HelperScript::toTrash("'/bin/dorvane' trash --print0");
    for (int i = 0; i < 25000; ++i) {
        permanent.add({"/d/f" + std::to_string(i), false, false, false});
        trash.add({"/d/f" + std::to_string(i), false, false, false});
    }
    EXPECT_EQ(permanent.blockCount(), 3u);
    EXPECT_EQ(countOf(permanent.text({}), "# block "), 3u);
    const std::string text = trash.text({});
    EXPECT_EQ(countOf(text, "'/bin/dorvane' trash --print0 -- \"$@\""), 3u);
    // Each call is made after the last path of its block and before the first of the next one.
    const auto firstCall = text.find("trash --print0 -- \"$@\"");
    EXPECT_LT(text.find("p='/d/f9999'\n"), firstCall);
    EXPECT_GT(text.find("p='/d/f10000'\n"), firstCall);
    EXPECT_EQ(countOf(text, "set --\n"), 3u);

    HelperScript exact = HelperScript::permanent();
    for (int i = 0; i < 10000; ++i) exact.add({"/d/f" + std::to_string(i), false, false, false});
    EXPECT_EQ(exact.blockCount(), 1u);
}

TEST(HelperScriptText, PathsWithALineBreakGoThroughListFiles) {
    HelperScript script = HelperScript::permanent();
    script.add({"/d/two\nlines", false, false, false});
    script.add({"/d/also\nlocked", false, true, false});
    script.add({"/d/plain", false, false, false});
    const auto lists = script.lists();
    ASSERT_EQ(lists.size(), 2u);  // one per kind of unlocking
    EXPECT_EQ(lists[0], std::string("/d/two\nlines") + '\0');
    EXPECT_EQ(lists[1], std::string("/d/also\nlocked") + '\0');
    const std::string text = script.text({"/run/l1", "/run/l2"});
    EXPECT_EQ(text.find("two\nlines"), std::string::npos);
    EXPECT_NE(text.find("xargs -0 -n 1 sh -c "), std::string::npos);
    EXPECT_NE(text.find("< '/run/l1'"), std::string::npos);
    EXPECT_NE(text.find("< '/run/l2'"), std::string::npos);
    EXPECT_EQ(script.inlineCount(), 1u);

    HelperScript trash = HelperScript::toTrash("'/bin/dorvane' trash");
    trash.add({"/d/two\nlines", false, false, false});
    EXPECT_NE(trash.text({"/run/l1"}).find("'/bin/dorvane' trash --from '/run/l1'"), std::string::npos);
}

TEST(HelperScriptRun, RemovesHostileNamesAndNothingElse) {
    TempDir dir;
    const std::string canary = dir / "canary";
    const std::vector<std::string> names = {"it's", "two words", "-rf", "--", "$(touch canary)", "`touch canary`",
                                            "back\\slash", "two\nlines", "\"quoted\"", "*"};
    HelperScript script = HelperScript::permanent();
    for (const auto& name : names) {
        dir.writeFile("d/" + name, "x");
        script.add({dir / ("d/" + name), false, false, false});
    }
    dir.writeFile("d/keep", "k");
    dir.writeFile("d/sub/inner", "i");
    script.add({dir / "d/sub", true, false, false});

    EXPECT_EQ(runScript(script, dir.path()), 0);
    for (const auto& name : names) EXPECT_FALSE(fs::exists(fs::symlink_status(dir / ("d/" + name)))) << name;
    EXPECT_FALSE(fs::exists(dir / "d/sub"));
    EXPECT_TRUE(fs::exists(dir / "d/keep"));
    EXPECT_FALSE(fs::exists(canary));
}

TEST(HelperScriptRun, FollowsNoSymbolicLink) {
    TempDir dir;
    dir.writeFile("real/target", "t");
    dir.writeFile("real/inner", "i");
    fs::create_symlink(dir / "real/target", dir / "link");
    fs::create_symlink(dir / "real", dir / "folderlink");
    fs::create_symlink(dir / "real/target", dir / "line\nlink");
    HelperScript script = HelperScript::permanent();
    script.add({dir / "link", false, false, false});
    script.add({dir / "folderlink/inner", false, false, false});
    script.add({dir / "line\nlink", false, false, false});

    EXPECT_EQ(runScript(script, dir.path()), 1);  // what was left alone makes it fail
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_TRUE(fs::is_symlink(dir / "line\nlink"));
    EXPECT_TRUE(fs::exists(dir / "real/target"));
    EXPECT_TRUE(fs::exists(dir / "real/inner"));
}

// As root, on real flags: copies in an immutable and in an append-only folder are removed, the folders
// keep their flags and their other files.
TEST(HelperScriptRun, RemovesFromLockedFoldersAndLocksThemAgain) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root: only root sets the immutable and append-only flags";
    TempDir dir;
    dir.writeFile("i/copy", "c");
    dir.writeFile("i/other", "o");
    dir.writeFile("a/copy\nwith a line break", "c");
    dir.writeFile("a/other", "o");
    const auto flagsOf = [](const std::string& path) {
        std::string out;
        runCommand("lsattr -d '" + path + "' 2>/dev/null", &out);
        return out.substr(0, out.find(' '));
    };
    if (std::system(("chattr +i '" + (dir / "i") + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "the temporary folder's file system has no immutable flag";
    std::system(("chattr +a '" + (dir / "a") + "'").c_str());
    struct Unlock {
        const TempDir& dir;
        ~Unlock() { std::system(("chattr -ia '" + (dir / "i") + "' '" + (dir / "a") + "'").c_str()); }
    } unlock {dir};
    HelperScript script = HelperScript::permanent();
    script.add({dir / "i/copy", false, false, false, true, false});
    script.add({dir / "a/copy\nwith a line break", false, false, false, false, true});

    EXPECT_EQ(runScript(script, dir.path()), 0);
    EXPECT_FALSE(fs::exists(dir / "i/copy"));
    EXPECT_FALSE(fs::exists(dir / "a/copy\nwith a line break"));
    EXPECT_TRUE(fs::exists(dir / "i/other"));
    EXPECT_TRUE(fs::exists(dir / "a/other"));
    EXPECT_NE(flagsOf(dir / "i").find('i'), std::string::npos) << flagsOf(dir / "i");
    EXPECT_NE(flagsOf(dir / "a").find('a'), std::string::npos) << flagsOf(dir / "a");
}

TEST(ScriptFiles, NewFilesAreRandomPrivateAndInTheRuntimeFolder) {
    TempDir dir;
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string before = saved ? saved : "";
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    std::string a, b;
    ASSERT_TRUE(script_files::writeNew("echo", ".sh", 0700, a));
    ASSERT_TRUE(script_files::writeNew("echo", ".sh", 0700, b));
    EXPECT_NE(a, b);
    EXPECT_EQ(fs::path(a).parent_path(), fs::path(dir.path()));
    struct stat st {};
    ASSERT_EQ(::stat(a.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_TRUE(script_files::removeFile(a));
    EXPECT_FALSE(fs::exists(a));

    setenv("XDG_RUNTIME_DIR", (dir / "missing").c_str(), 1);
    std::string c;
    EXPECT_FALSE(script_files::writeNew("echo", ".sh", 0700, c));
    if (saved)
        setenv("XDG_RUNTIME_DIR", before.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}
