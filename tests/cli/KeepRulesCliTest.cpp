// The command line's simple keep rules (--select newest/oldest, --keep-in), their option rules,
// --exclude, and the removal's result inside a JSON report; end to end in the test's own home.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <utime.h>

#include <filesystem>
#include <map>

#include "support/DorvaneProcess.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
QJsonObject json(const std::string& text) { return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object(); }

// Path → selected, for every member of the report.
std::map<std::string, bool> selection(const QJsonObject& report) {
    std::map<std::string, bool> out;
    for (const auto& c : report["categories"].toArray())
        for (const auto& g : c.toObject()["groups"].toArray())
            for (const auto& m : g.toObject()["members"].toArray())
                out[m.toObject()["path"].toString().toStdString()] = m.toObject()["selected"].toBool();
    return out;
}

void setModified(const std::string& path, std::time_t when) {
    struct utimbuf times {when, when};
    ASSERT_EQ(::utime(path.c_str(), &times), 0) << path;
}

// Group p: old/p.txt (oldest), mid/p.txt, new/p.txt (newest). Group q: mid/q.txt, new/q.txt.
struct DatedTree {
    TempDir dir;
    std::string tree = dir / "tree";
    DatedTree() {
        const std::time_t base = 1'700'000'000;
        int step = 0;
        for (const char* folder : {"old", "mid", "new"}) {
            setModified(dir.writeFile(std::string("tree/") + folder + "/p.txt", "the p content"), base + 1000 * step);
            if (step > 0) setModified(dir.writeFile(std::string("tree/") + folder + "/q.txt", "q q q"), base + 1000 * step);
            ++step;
        }
    }
    std::string at(const std::string& relative) const { return tree + "/" + relative; }
    DorvaneRun scan(const QStringList& extra) {
        QStringList arguments{"scan", "-q", "--all-sizes", "--no-folders", "--format", "json"};
        return runDorvaneBinary(arguments << extra << QString::fromStdString(tree));
    }
};
}  // namespace

TEST(KeepRulesCli, NewestAndOldestKeepOneCopyByDate) {
    DatedTree t;
    DorvaneRun newest = t.scan({"--select", "newest"});
    ASSERT_EQ(newest.status, 0) << newest.err;
    const std::map<std::string, bool> keepNewest = {{t.at("old/p.txt"), true},  {t.at("mid/p.txt"), true},
                                                    {t.at("new/p.txt"), false}, {t.at("mid/q.txt"), true},
                                                    {t.at("new/q.txt"), false}};
    EXPECT_EQ(selection(json(newest.out)), keepNewest);

    DorvaneRun oldest = t.scan({"--select", "oldest"});
    ASSERT_EQ(oldest.status, 0) << oldest.err;
    const std::map<std::string, bool> keepOldest = {{t.at("old/p.txt"), false}, {t.at("mid/p.txt"), true},
                                                    {t.at("new/p.txt"), true},  {t.at("mid/q.txt"), false},
                                                    {t.at("new/q.txt"), true}};
    EXPECT_EQ(selection(json(oldest.out)), keepOldest);

    // A Never Select folder is never selected, whatever the dates say.
    DorvaneRun never = t.scan({"--select", "newest", "--never-select", QString::fromStdString(t.at("old"))});
    ASSERT_EQ(never.status, 0) << never.err;
    EXPECT_FALSE(selection(json(never.out)).at(t.at("old/p.txt")));
    EXPECT_TRUE(selection(json(never.out)).at(t.at("mid/p.txt")));
}

TEST(KeepRulesCli, KeepInKeepsTheCopiesThereAndLeavesOtherGroupsAlone) {
    DatedTree t;
    DorvaneRun r = t.scan({"--keep-in", QString::fromStdString(t.at("old"))});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::map<std::string, bool> expected = {{t.at("old/p.txt"), false}, {t.at("mid/p.txt"), true},
                                                  {t.at("new/p.txt"), true},  {t.at("mid/q.txt"), false},
                                                  {t.at("new/q.txt"), false}};
    EXPECT_EQ(selection(json(r.out)), expected);

    // Two folders: a copy in either stays.
    DorvaneRun two = t.scan({"--keep-in", QString::fromStdString(t.at("old")), "--keep-in",
                             QString::fromStdString(t.at("new"))});
    ASSERT_EQ(two.status, 0) << two.err;
    const std::map<std::string, bool> both = {{t.at("old/p.txt"), false}, {t.at("mid/p.txt"), true},
                                              {t.at("new/p.txt"), false}, {t.at("mid/q.txt"), true},
                                              {t.at("new/q.txt"), false}};
    EXPECT_EQ(selection(json(two.out)), both);

    // A dry run with a rule alone shows what --remove would take, and touches nothing.
    DorvaneRun dry = runDorvaneBinary({"scan", "-q", "--all-sizes", "--no-folders", "--keep-in",
                                       QString::fromStdString(t.at("old")), "--dry-run", QString::fromStdString(t.tree)});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_NE(dry.out.find("would remove to the Trash: " + t.at("mid/p.txt")), std::string::npos) << dry.out;
    EXPECT_EQ(dry.out.find("would remove to the Trash: " + t.at("mid/q.txt")), std::string::npos) << dry.out;
    EXPECT_TRUE(fs::exists(t.at("mid/p.txt")));
}

TEST(KeepRulesCli, OptionsThatNeedARuleAreRefusedByName) {
    DatedTree t;
    const QString folder = QString::fromStdString(t.at("old"));
    auto refused = [&](const QStringList& extra, const std::string& words) {
        DorvaneRun r = t.scan(extra);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    };
    refused({"--always-select", folder}, "--always-select goes with --select");
    refused({"--never-select", folder}, "--never-select goes with --select");
    refused({"--select", "newest", "--always-select", folder}, "--always-select goes with --select auto");
    refused({"--select", "newest", "--keep-in", folder}, "--keep-in chooses the copies by itself");
    refused({"--select", "largest"}, "--select takes auto, newest or oldest");
    refused({"--dry-run"}, "--dry-run go with --remove");
    refused({"--remove"}, "--remove needs --select or --keep-in");
    refused({"--keep-in", QString::fromStdString(t.dir / "nowhere")}, "--keep-in");
    refused({"--exclude", QString::fromStdString(t.dir / "nowhere")}, t.dir / "nowhere");
    refused({"--exclude", QString::fromStdString(t.tree)}, "it holds the folder to scan");
}

TEST(KeepRulesCli, ExcludedFoldersAreLeftOutAndCounted) {
    DatedTree t;
    DorvaneRun r = t.scan({"--exclude", QString::fromStdString(t.at("new"))});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject report = json(r.out);
    const std::map<std::string, bool> members = {{t.at("old/p.txt"), false}, {t.at("mid/p.txt"), false}};
    EXPECT_EQ(selection(report), members);
    EXPECT_EQ(report["scan"].toObject()["left_out"].toObject()["excluded_folders"].toInt(), 2);
    EXPECT_EQ(report["scan"].toObject()["files_scanned"].toInt(), 3);

    DorvaneRun text = runDorvaneBinary({"scan", "-q", "--all-sizes", "--no-folders", "--exclude",
                                        QString::fromStdString(t.at("new")), QString::fromStdString(t.tree)});
    EXPECT_NE(text.out.find("2 files in folders excluded by --exclude"), std::string::npos) << text.out;
}

TEST(KeepRulesCli, AJsonReportHoldsTheRemovalResult) {
    DatedTree t;
    DorvaneRun r = t.scan({"--select", "newest", "--remove", "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    QJsonParseError error{};
    const QJsonObject report = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out;
    const QJsonObject removal = report["removal"].toObject();
    std::set<std::string> removed, kept;
    for (const auto& p : removal["removed"].toArray()) removed.insert(p.toString().toStdString());
    for (const auto& p : removal["kept"].toArray()) kept.insert(p.toString().toStdString());
    EXPECT_EQ(removed, (std::set<std::string>{t.at("old/p.txt"), t.at("mid/p.txt"), t.at("mid/q.txt")}));
    EXPECT_EQ(kept, (std::set<std::string>{t.at("new/p.txt"), t.at("new/q.txt")}));
    EXPECT_TRUE(removal["failed"].toArray().isEmpty());
    EXPECT_FALSE(removal["history"].toString().isEmpty());
    EXPECT_FALSE(removal["dry_run"].toBool());
    for (const auto& p : removed) EXPECT_FALSE(fs::exists(p)) << p;
    // The report itself still shows the selection the removal acted on.
    EXPECT_TRUE(selection(report).at(t.at("old/p.txt")));
}
