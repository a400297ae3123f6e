// Runs the real `dorvane` binary on generated trees and checks its duplicate folders and heaps.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "support/TestSupport.h"

namespace {
namespace fs = std::filesystem;

std::string runScan(const std::string& root, int* status) {
    QProcess p;
    p.start(QStringLiteral(DORVANE_BINARY),
            {"scan", "--full", "--all-sizes", "--format", "json", "-q", QString::fromStdString(root)});
    p.waitForFinished(300000);
    *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput().toStdString();
}

// Relative path → content of every entry below a folder ("/" for sub-folders).
std::map<std::string, std::string> treeOf(const std::string& folder) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::string relative = entry.path().string().substr(folder.size());
        if (entry.is_directory()) {
            tree[relative] = "/";
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream content;
            content << in.rdbuf();
            tree[relative] = content.str();
        }
    }
    return tree;
}

struct Report {
    std::vector<std::set<std::string>> folderGroups;
    std::set<std::set<std::string>> heaps;
};

Report parse(const std::string& json) {
    Report r;
    QJsonObject doc = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
    for (const auto& c : doc["categories"].toArray()) {
        if (c.toObject()["kind"].toString() != "folder") continue;
        for (const auto& g : c.toObject()["groups"].toArray()) {
            std::set<std::string> paths;
            for (const auto& m : g.toObject()["members"].toArray())
                paths.insert(m.toObject()["path"].toString().toStdString());
            r.folderGroups.push_back(paths);
        }
    }
    for (const auto& h : doc["heaps"].toArray()) {
        std::set<std::string> folders;
        for (const auto& f : h.toObject()["folders"].toArray()) folders.insert(f.toString().toStdString());
        r.heaps.insert(folders);
    }
    return r;
}
}  // namespace

TEST(FoldersCli, DuplicateFoldersAndHeapsOfAGeneratedHome) {
    for (const char* extra : {"--files 600 --seed 11 --max-size 2000000", "--files 800 --seed 12 --max-size 2000000"}) {
        TempDir dir;
        std::string root = dir / "home";
        std::string manifestPath = dir / "manifest.json";
        ASSERT_EQ(runTreeGenerator("'" + root + "' --manifest '" + manifestPath + "' " + extra),
                  0);
        QFile file(QString::fromStdString(manifestPath));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QJsonObject manifest = QJsonDocument::fromJson(file.readAll()).object();

        int status = -1;
        Report report = parse(runScan(root, &status));
        ASSERT_EQ(status, 0) << extra;

        // No folder group holds folders whose trees differ.
        for (const auto& group : report.folderGroups) {
            ASSERT_GE(group.size(), 2u);
            auto first = treeOf(*group.begin());
            for (const auto& member : group) EXPECT_EQ(treeOf(member), first) << member;
        }

        // Each list of folders that the generator copied whole, and whose trees are still identical
        // on disk (the generator may add a file to an original afterwards), is one folder group; the
        // group may hold further identical copies (a copy nested in another copied folder).
        int checked = 0;
        for (const auto& list : manifest["duplicate_folders"].toArray()) {
            std::set<std::string> paths;
            for (const auto& p : list.toArray()) paths.insert(root + "/" + p.toString().toStdString());
            auto first = treeOf(*paths.begin());
            bool identical = true;
            for (const auto& p : paths) identical = identical && treeOf(p) == first;
            if (!identical) continue;
            ++checked;
            int holding = 0;
            for (const auto& group : report.folderGroups)
                if (std::includes(group.begin(), group.end(), paths.begin(), paths.end())) ++holding;
            EXPECT_EQ(holding, 1) << *paths.begin();
        }
        EXPECT_GE(checked, 2) << extra;

        // The generator's pairs of folders sharing several files are heaps.
        for (int i = 0; fs::exists(root + "/Projects/shared_" + std::to_string(i)); ++i) {
            std::set<std::string> pair{root + "/Projects/shared_" + std::to_string(i) + "/a",
                                       root + "/Desktop/sorted_" + std::to_string(i)};
            EXPECT_TRUE(report.heaps.count(pair)) << *pair.begin();
        }
        EXPECT_FALSE(report.heaps.empty());
    }
}

TEST(FoldersCli, NoFoldersSkipsFolderGroupsAndHeaps) {
    TempDir dir;
    for (const char* f : {"t/A", "t/B"}) {
        dir.writePatternFile(std::string(f) + "/one.bin", 30000, 1);
        dir.writePatternFile(std::string(f) + "/two.bin", 20000, 2);
    }
    QProcess p;
    p.start(QStringLiteral(DORVANE_BINARY),
            {"scan", "--all-sizes", "--no-folders", "--format", "json", "-q", QString::fromStdString(dir / "t")});
    p.waitForFinished(60000);
    Report without = parse(p.readAllStandardOutput().toStdString());
    EXPECT_TRUE(without.folderGroups.empty());
    EXPECT_TRUE(without.heaps.empty());

    int status = -1;
    std::string json = runScan(dir / "t", &status);
    Report with = parse(json);
    EXPECT_EQ(with.folderGroups, (std::vector<std::set<std::string>>{{dir / "t/A", dir / "t/B"}}));
    // The files inside the duplicate folders are not listed on their own.
    EXPECT_EQ(json.find("one.bin"), std::string::npos);
}
