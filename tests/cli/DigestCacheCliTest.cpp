// The digest cache as the command line meets it: a damaged cache costs one warning and a full read,
// never a wrong group, and --no-cache neither reads nor writes it.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <filesystem>
#include <set>

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

}  // namespace
