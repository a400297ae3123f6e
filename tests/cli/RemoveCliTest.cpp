// Runs `dorvane scan --select auto --remove` end to end on generated trees, in the test's own home.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <filesystem>
#include <fstream>
#include <set>

#include "support/DorvaneProcess.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
using Result = DorvaneRun;
Result dorvane(const QStringList& arguments) { return runDorvaneBinary(arguments); }

std::string makeTree(const TempDir& dir, const std::string& arguments) {
    std::string root = dir / "home";
    EXPECT_EQ(runTreeGenerator("'" + root + "' --manifest '" + (dir / "m.json") + "' " + arguments),
              0);
    return root;
}

QJsonObject json(const std::string& text) { return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object(); }

std::set<std::string> listFolder(const std::string& path) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(path, ec)) names.insert(e.path().filename().string());
    return names;
}

std::string trashFolder() { return testHome() + "/.local/share/Trash"; }
std::string logFolder() { return testHome() + "/.local/share/Dorvane/Removed"; }
}  // namespace

TEST(RemoveCli, AutoSelectKeepsOneCopyOfEveryGroup) {
    TempDir dir;
    std::string root = makeTree(dir, "--files 300 --seed 21 --max-size 1000000");
    Result r = dorvane({"scan", "-q", "--full", "--all-sizes", "--no-folders", "--select", "auto", "--format", "json",
                        QString::fromStdString(root)});
    ASSERT_EQ(r.status, 0) << r.err;
    QJsonObject report = json(r.out);
    int groups = 0;
    for (const auto& c : report["categories"].toArray())
        for (const auto& g : c.toObject()["groups"].toArray()) {
            int unselected = 0;
            for (const auto& m : g.toObject()["members"].toArray()) unselected += !m.toObject()["selected"].toBool();
            EXPECT_EQ(unselected, 1);
            ++groups;
        }
    EXPECT_GT(groups, 10);
}

TEST(RemoveCli, RemovingToTheTrashLeavesNoDuplicatesAndWritesTheHistory) {
    TempDir dir;
    std::string root = makeTree(dir, "--files 300 --seed 22 --max-size 1000000");
    const QString tree = QString::fromStdString(root);
    auto trashedBefore = listFolder(trashFolder() + "/files");
    auto logsBefore = listFolder(logFolder());

    // A dry run touches nothing.
    Result dry = dorvane({"scan", "-q", "--full", "--all-sizes", "--no-folders", "--select", "auto", "--remove",
                          "--dry-run", "--format", "json", "-o", QString::fromStdString(dir / "before.json"), tree});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(listFolder(trashFolder() + "/files"), trashedBefore);

    Result removed = dorvane({"scan", "-q", "--full", "--all-sizes", "--no-folders", "--select", "auto", "--remove",
                              "--format", "json", "-o", QString::fromStdString(dir / "removed.json"), tree});
    ASSERT_EQ(removed.status, 0) << removed.out << removed.err;

    // Every selected copy is in the Trash with its .trashinfo.
    QFile beforeFile(QString::fromStdString(dir / "removed.json"));
    ASSERT_TRUE(beforeFile.open(QIODevice::ReadOnly));
    QJsonObject before = QJsonDocument::fromJson(beforeFile.readAll()).object();
    std::set<std::string> selected, kept;
    for (const auto& c : before["categories"].toArray())
        for (const auto& g : c.toObject()["groups"].toArray())
            for (const auto& m : g.toObject()["members"].toArray())
                (m.toObject()["selected"].toBool() ? selected : kept).insert(m.toObject()["path"].toString().toStdString());
    ASSERT_FALSE(selected.empty());
    for (const auto& p : selected) EXPECT_FALSE(fs::exists(p)) << p;
    for (const auto& p : kept) EXPECT_TRUE(fs::exists(p)) << p;
    std::set<std::string> originalPaths;
    for (const auto& info : listFolder(trashFolder() + "/info")) {
        std::ifstream in(trashFolder() + "/info/" + info);
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("Path=", 0) == 0)
                originalPaths.insert(QUrl::fromPercentEncoding(QByteArray::fromStdString(line.substr(5))).toStdString());
    }
    for (const auto& p : selected) EXPECT_TRUE(originalPaths.count(p)) << p;

    // A rescan finds nothing left.
    Result again = dorvane({"scan", "-q", "--full", "--all-sizes", "--no-folders", "--format", "json", tree});
    ASSERT_EQ(again.status, 0);
    EXPECT_EQ(json(again.out)["summary"].toObject()["groups"].toInt(), 0);

    // The history lists every group with its kept and trashed copies.
    auto logs = listFolder(logFolder());
    std::set<std::string> added;
    for (const auto& l : logs)
        if (!logsBefore.count(l) && fs::path(l).extension() == ".log") added.insert(l);
    ASSERT_EQ(added.size(), 1u);
    QFile logFile(QString::fromStdString(logFolder() + "/" + *added.begin()));
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    QJsonObject changes = QJsonDocument::fromJson(logFile.readAll()).object()["changes"].toObject();
    std::set<std::string> loggedTrashed, loggedKept;
    for (const auto& g : changes) {
        for (const auto& t : g.toObject()["moved to trash"].toArray())
            loggedTrashed.insert(t.toObject()["original path"].toString().toStdString());
        for (const auto& k : g.toObject()["kept"].toArray()) loggedKept.insert(k.toObject()["path"].toString().toStdString());
    }
    EXPECT_EQ(loggedTrashed, selected);
    EXPECT_EQ(loggedKept, kept);
}

TEST(RemoveCli, PermanentRemovalNeedsAConfirmation) {
    TempDir dir;
    dir.writeFile("d/a.bin", std::string(4000, 'a'));
    dir.writeFile("d/b.bin", std::string(4000, 'a'));
    const QString folder = QString::fromStdString(dir / "d");
    Result refused = dorvane({"scan", "-q", "--all-sizes", "--select", "auto", "--remove", "--permanent", folder});
    EXPECT_EQ(refused.status, 3);
    EXPECT_TRUE(fs::exists(dir / "d/a.bin") && fs::exists(dir / "d/b.bin"));
    Result confirmed = dorvane({"scan", "-q", "--all-sizes", "--select", "auto", "--remove", "--permanent", "--yes", folder});
    EXPECT_EQ(confirmed.status, 0) << confirmed.err;
    EXPECT_EQ(fs::exists(dir / "d/a.bin") + fs::exists(dir / "d/b.bin"), 1);
    EXPECT_EQ(dorvane({"scan", "--remove", folder}).status, 2);
}
