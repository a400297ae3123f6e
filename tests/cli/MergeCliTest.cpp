// `dorvane merge` run as a program on real folders: the whole move with the source going to the
// Trash, the dry run, the JSON report, refusals and the exit statuses.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "support/DorvaneProcess.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
std::string trashFiles() { return testHome() + "/.local/share/Trash/files"; }

// Every file below a folder, by content, with its path relative to the folder.
std::multiset<std::string> contentsBelow(const std::string& folder) {
    std::multiset<std::string> contents;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) contents.insert(readText(e.path().string()));
    return contents;
}

QStringList args(std::initializer_list<std::string> list) {
    QStringList out;
    for (const auto& a : list) out << QString::fromStdString(a);
    return out;
}
}  // namespace

TEST(MergeCli, MoveWithRemoveSourceLeavesEveryDistinctFileInTheDestinationAndTheSourceInTheTrash) {
    TempDir dir;
    dir.writeFile("A/shared one.jpg", std::string(4000, '1'));
    dir.writeFile("A/shared two.jpg", std::string(4000, '2'));
    dir.writeFile("A/renamed.jpg", std::string(4000, '3'));
    dir.writeFile("A/only in A.txt", "A's own");
    dir.writeFile("A/notes.txt", "A's notes");
    dir.writeFile("A/.hidden", "hidden in A");
    dir.writeFile("A/trip/day1.jpg", std::string(3000, 't'));
    dir.writeFile("B/shared one.jpg", std::string(4000, '1'));
    dir.writeFile("B/shared two.jpg", std::string(4000, '2'));
    dir.writeFile("B/other name.jpg", std::string(4000, '3'));
    dir.writeFile("B/notes.txt", "B's notes");
    std::multiset<std::string> distinct;
    for (const auto& c : contentsBelow(dir / "A")) distinct.insert(c);
    for (const auto& c : contentsBelow(dir / "B")) distinct.insert(c);
    const std::set<std::string> wanted(distinct.begin(), distinct.end());
    const std::size_t trashedBefore =
        fs::exists(trashFiles()) ? static_cast<std::size_t>(std::distance(fs::directory_iterator(trashFiles()), {})) : 0;

    const DorvaneRun r = runDorvaneBinary(args({"merge", dir / "A", dir / "B", "--move", "--remove-source", "--yes"}));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("4 files from \"A\" will be moved to \"B\"."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("moved to the Trash"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("(as \"notes 2.txt\": the name is taken)"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir / "A"));
    const auto inB = contentsBelow(dir / "B");
    EXPECT_EQ(std::set<std::string>(inB.begin(), inB.end()), wanted);
    EXPECT_EQ(readText(dir / "B/notes.txt"), "B's notes");
    EXPECT_EQ(readText(dir / "B/notes 2.txt"), "A's notes");
    EXPECT_EQ(readText(dir / "B/trip/day1.jpg"), std::string(3000, 't'));
    ASSERT_TRUE(fs::exists(trashFiles()));
    EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(trashFiles()), {})), trashedBefore + 1);
}

TEST(MergeCli, DryRunAndJsonShowThePlanAndTouchNothing) {
    TempDir dir;
    dir.writeFile("A/same.txt", "same content");
    dir.writeFile("A/renamed.txt", "shared under another name");
    dir.writeFile("A/mine.txt", "mine");
    dir.writeFile("B/same.txt", "same content");
    dir.writeFile("B/theirs.txt", "shared under another name");

    const DorvaneRun dry = runDorvaneBinary(
        args({"merge", dir / "A", dir / "B", "--copy", "--with-different-names", "--label", "green", "--dry-run",
              "--format", "json"}));
    ASSERT_EQ(dry.status, 0) << dry.err;
    const QJsonObject plan = QJsonDocument::fromJson(QByteArray::fromStdString(dry.out)).object();
    EXPECT_EQ(plan.value("action").toString(), "copy");
    EXPECT_EQ(plan.value("label").toString(), "Green");
    EXPECT_TRUE(plan.value("dryRun").toBool());
    EXPECT_EQ(plan.value("countOfAffectedItems").toInt(), 2);
    const QJsonArray items = plan.value("items").toArray();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].toObject().value("destination").toString().toStdString(), dir / "B/mine.txt");
    EXPECT_EQ(items[1].toObject().value("destination").toString().toStdString(), dir / "B/renamed.txt");
    EXPECT_EQ(plan.value("stays").toArray().size(), 1);
    EXPECT_FALSE(fs::exists(dir / "B/mine.txt"));
    EXPECT_NE(dry.err.find("will be copied"), std::string::npos) << dry.err;

    // Without a terminal and without --yes nothing happens.
    const DorvaneRun unconfirmed = runDorvaneBinary(args({"merge", dir / "A", dir / "B", "--copy"}));
    EXPECT_EQ(unconfirmed.status, 3);
    EXPECT_NE(unconfirmed.err.find("use --yes"), std::string::npos) << unconfirmed.err;
    EXPECT_FALSE(fs::exists(dir / "B/mine.txt"));

    const DorvaneRun copied = runDorvaneBinary(args({"merge", dir / "A", dir / "B", "--copy", "--yes", "--format", "json"}));
    ASSERT_EQ(copied.status, 0) << copied.err;
    const QJsonObject result = QJsonDocument::fromJson(QByteArray::fromStdString(copied.out)).object();
    EXPECT_EQ(result.value("succeeded").toInt(), 1);
    EXPECT_EQ(result.value("items").toArray()[0].toObject().value("result").toString(), "done");
    EXPECT_EQ(readText(dir / "B/mine.txt"), "mine");
    EXPECT_EQ(readText(dir / "A/mine.txt"), "mine");
}

TEST(MergeCli, RefusesFoldersWithoutSharedDuplicatesAndWrongUsage) {
    TempDir dir;
    dir.writeFile("A/a.txt", "only a");
    dir.writeFile("B/b.txt", "only b");
    const DorvaneRun none = runDorvaneBinary(args({"merge", dir / "A", dir / "B", "--move", "--yes"}));
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("share no duplicate files; nothing to merge"), std::string::npos) << none.err;
    EXPECT_TRUE(fs::exists(dir / "A/a.txt"));

    EXPECT_EQ(runDorvaneBinary(args({"merge", dir / "A", dir / "B"})).status, 2);
    EXPECT_EQ(runDorvaneBinary(args({"merge", dir / "A", dir / "B", "--move", "--copy"})).status, 2);
    EXPECT_EQ(runDorvaneBinary(args({"merge", dir / "A", dir / "B", "--move", "--label", "pink"})).status, 2);
    EXPECT_EQ(runDorvaneBinary(args({"merge", dir / "A", dir / "A", "--move"})).status, 2);
    EXPECT_EQ(runDorvaneBinary(args({"merge", dir / "A", dir / "missing", "--move"})).status, 2);
    const DorvaneRun help = runDorvaneBinary(args({"merge", "--help"}));
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--with-different-names"), std::string::npos);
}
