// The digest cache as the command line meets it: a damaged cache costs one warning and a full read,
// never a wrong group, and --no-cache neither reads nor writes it; a rescan's report states each member
// as the system does, though the cache answered for it.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "cli/Format.h"
#include "platform/UserPaths.h"
#include "support/DorvaneProcess.h"
#include "support/TestSupport.h"

namespace {

using Groups = std::set<std::set<std::string>>;

Groups groupsOf(const std::string& json) {
    Groups groups;
    const QJsonObject report = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
    for (const auto& category : report["categories"].toArray())
        for (const auto& group : category.toObject()["groups"].toArray()) {
            std::set<std::string> paths;
            for (const auto& member : group.toObject()["members"].toArray())
                paths.insert(member.toObject()["path"].toString().toStdString());
            groups.insert(paths);
        }
    return groups;
}

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(DigestCacheCli, ADamagedCacheIsReportedOnceAndReplacedAndNoCacheLeavesItAlone) {
    TempDir dir;
    ASSERT_EQ(runTreeGenerator("'" + (dir / "home") + "' --files 300 --seed 5 --max-size 200000 --no-extras"), 0);
    const QStringList scan = {"scan", "-q", "--all-sizes", "--no-folders", "--format", "json",
                              QString::fromStdString(dir / "home")};
    const std::string cache = user_paths::digestCacheFile();
    ASSERT_EQ(cache, testHome() + "/.cache/dorvane/digests");
    std::filesystem::create_directories(std::filesystem::path(cache).parent_path());
    const std::string garbage(500, 'g');
    auto writeGarbage = [&] {
        FILE* f = std::fopen(cache.c_str(), "wb");
        ASSERT_TRUE(f);
        std::fwrite(garbage.data(), 1, garbage.size(), f);
        std::fclose(f);
    };
    writeGarbage();

    // --no-cache: not read (no warning), not written (the damaged file stays as it was).
    QStringList noCache = scan;
    noCache.insert(1, "--no-cache");
    const DorvaneRun without = runDorvaneBinary(noCache);
    ASSERT_EQ(without.status, 0) << without.err;
    EXPECT_EQ(countOf(without.err, "dorvane: the digest cache"), 0u) << without.err;
    EXPECT_EQ(std::filesystem::file_size(cache), garbage.size());
    const Groups expected = groupsOf(without.out);
    ASSERT_FALSE(expected.empty());

    // With the cache: one warning, the same groups, and a good cache in its place.
    const DorvaneRun first = runDorvaneBinary(scan);
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(countOf(first.err, "dorvane: the digest cache"), 1u) << first.err;
    EXPECT_NE(first.err.find(cache), std::string::npos) << first.err;
    EXPECT_EQ(groupsOf(first.out), expected);
    EXPECT_NE(std::filesystem::file_size(cache), garbage.size());

    const DorvaneRun second = runDorvaneBinary(scan);
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(countOf(second.err, "dorvane: the digest cache"), 0u) << second.err;
    EXPECT_EQ(groupsOf(second.out), expected);

    // The setting turns it off like the option does.
    writeGarbage();
    ASSERT_EQ(runDorvaneBinary({"settings", "set", "digest-cache", "false"}).status, 0);
    const DorvaneRun offBySetting = runDorvaneBinary(scan);
    ASSERT_EQ(offBySetting.status, 0) << offBySetting.err;
    EXPECT_EQ(countOf(offBySetting.err, "dorvane: the digest cache"), 0u) << offBySetting.err;
    EXPECT_EQ(std::filesystem::file_size(cache), garbage.size());
    EXPECT_EQ(groupsOf(offBySetting.out), expected);
    ASSERT_EQ(runDorvaneBinary({"settings", "set", "digest-cache", "true"}).status, 0);
}

// A rescan takes each member's device, inode and date from what its walk saw, not from the system once
// more: they must be what lstat says, in the report's own encodings, for each member and no other.
TEST(DigestCacheCli, ARescansReportStatesEachMemberAsTheSystemDoes) {
    TempDir dir;
    const std::string content = "the same bytes in every copy, enough of them to be worth a group";
    for (const char* name : {"a/one.txt", "b/one.txt", "c/one.txt", "a/two.bin", "b/two.bin"})
        dir.writeFile(std::string("tree/") + name, std::string(name).substr(2) + content);
    ASSERT_EQ(::link((dir / "tree/a/one.txt").c_str(), (dir / "tree/c/link.txt").c_str()), 0);
    // Dates before 1970 with a fraction of a second, and past 2100.
    const struct timespec early[2] = {{0, UTIME_OMIT}, {-86401, 250000000}};
    const struct timespec late[2] = {{0, UTIME_OMIT}, {4200000000, 999999999}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "tree/b/one.txt").c_str(), early, AT_SYMLINK_NOFOLLOW), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "tree/b/two.bin").c_str(), late, AT_SYMLINK_NOFOLLOW), 0);
    const QStringList scan = {"scan", "-q", "--all-sizes", "--no-folders", "--format", "json",
                              QString::fromStdString(dir / "tree")};

    const auto membersOf = [](const std::string& json) {
        std::map<std::string, QJsonObject> members;
        const QJsonObject report = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
        for (const auto& category : report["categories"].toArray())
            for (const auto& group : category.toObject()["groups"].toArray())
                for (const auto& member : group.toObject()["members"].toArray())
                    members[member.toObject()["path"].toString().toStdString()] = member.toObject();
        return members;
    };
    // The cache keeps no digest of a file changed within two seconds before its scan (a write in the
    // same clock tick could go unseen): the first scan must come later for the second to be a rescan.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    const DorvaneRun first = runDorvaneBinary(scan);
    ASSERT_EQ(first.status, 0) << first.err;
    const DorvaneRun second = runDorvaneBinary(scan);
    ASSERT_EQ(second.status, 0) << second.err;
    const auto before = membersOf(first.out), after = membersOf(second.out);
    ASSERT_EQ(after.size(), 6u) << second.out;
    for (const auto& [path, member] : after) {
        struct stat st {};
        ASSERT_EQ(::lstat(path.c_str(), &st), 0) << path;
        EXPECT_EQ(member["inode"].toInteger(), static_cast<qint64>(st.st_ino)) << path;
        EXPECT_EQ(member["device"].toInteger(), static_cast<qint64>((std::uint64_t{major(st.st_dev)} << 32) | minor(st.st_dev)))
            << path;
        EXPECT_EQ(member["modified"].toString().toStdString(), format::isoTimeUtc(st.st_mtim.tv_sec)) << path;
        EXPECT_EQ(QJsonDocument(member).toJson().toStdString(), QJsonDocument(before.at(path)).toJson().toStdString());
    }
}

}  // namespace
