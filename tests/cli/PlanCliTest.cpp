// Review, then act: a JSON report edited by hand and given to `dorvane remove`, end to end in the
// test's own home: exactly the selected members go, members changed since the plan stay and are
// named, groups without an unchanged copy to keep are refused, bad plans remove nothing.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <utime.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <thread>

#include "platform/RunLock.h"
#include "support/DorvaneProcess.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
std::string logFolder() { return testHome() + "/.local/share/Dorvane/Removed"; }

std::size_t countLogs() {
    std::error_code ec;
    std::size_t n = 0;
    for (auto it = fs::directory_iterator(logFolder(), ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        n += it->path().extension() == ".log";
    return n;
}

QJsonObject readJson(const std::string& path) {
    QFile f(QString::fromStdString(path));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path;
    return QJsonDocument::fromJson(f.readAll()).object();
}

void writeJson(const std::string& path, const QJsonObject& object) {
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QJsonDocument(object).toJson());
}

// Calls `change` on every member of the report; members are changed in place.
void forEachMember(QJsonObject& report, const std::function<void(QJsonObject&)>& change) {
    QJsonArray categories = report["categories"].toArray();
    for (auto c = categories.begin(); c != categories.end(); ++c) {
        QJsonObject category = c->toObject();
        QJsonArray groups = category["groups"].toArray();
        for (auto g = groups.begin(); g != groups.end(); ++g) {
            QJsonObject group = g->toObject();
            QJsonArray members = group["members"].toArray();
            for (auto m = members.begin(); m != members.end(); ++m) {
                QJsonObject member = m->toObject();
                change(member);
                *m = member;
            }
            group["members"] = members;
            *g = group;
        }
        category["groups"] = groups;
        *c = category;
    }
    report["categories"] = categories;
}

// Marks exactly the members whose path ends with one of `endings` as selected.
void selectOnly(QJsonObject& report, const std::set<std::string>& endings) {
    forEachMember(report, [&](QJsonObject& member) {
        const std::string path = member["path"].toString().toStdString();
        bool selected = false;
        for (const auto& e : endings) selected = selected || path.ends_with(e);
        member["selected"] = selected;
    });
}

// Three groups: x (a, b, c), y (a, b), z (a, b), all in folders a, b and c of `tree`.
struct PlanTree {
    TempDir dir;
    std::string tree = dir / "tree";
    std::string plan = dir / "plan.json";
    PlanTree() {
        for (const char* folder : {"a", "b", "c"}) dir.writeFile(std::string("tree/") + folder + "/x.txt", "xxxx content of x");
        for (const char* folder : {"a", "b"}) {
            dir.writeFile(std::string("tree/") + folder + "/y.dat", "content of y, longer than x");
            dir.writeFile(std::string("tree/") + folder + "/z.dat", "z content");
        }
    }
    DorvaneRun scan(const QStringList& extra = {}) {
        QStringList arguments{"scan", "-q", "--all-sizes", "--no-folders", "--format", "json", "-o",
                              QString::fromStdString(plan)};
        return runDorvaneBinary(arguments << extra << QString::fromStdString(tree));
    }
    std::string at(const std::string& relative) const { return tree + "/" + relative; }
};
}  // namespace

TEST(PlanCli, RemovesExactlyTheSelectedMembersAndWritesTheHistory) {
    PlanTree t;
    ASSERT_EQ(t.scan().status, 0);
    QJsonObject report = readJson(t.plan);
    // The report tells each member's inode, so that a plan can tell a replaced file.
    forEachMember(report, [&](QJsonObject& member) {
        struct stat st {};
        ASSERT_EQ(::lstat(member["path"].toString().toUtf8().constData(), &st), 0);
        EXPECT_EQ(member["inode"].toInteger(), static_cast<qint64>(st.st_ino));
        EXPECT_EQ(member["device"].toInteger(), static_cast<qint64>((std::uint64_t{major(st.st_dev)} << 32) | minor(st.st_dev)));
    });
    selectOnly(report, {"/b/x.txt", "/c/x.txt", "/a/y.dat"});
    writeJson(t.plan, report);
    const std::size_t logsBefore = countLogs();

    DorvaneRun r = runDorvaneBinary({"remove", QString::fromStdString(t.plan), "--yes"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("3 copies selected in 2 groups"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Removed 3 of 3 copies"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("History written to " + logFolder()), std::string::npos) << r.out;
    for (const char* gone : {"b/x.txt", "c/x.txt", "a/y.dat"}) EXPECT_FALSE(fs::exists(t.at(gone))) << gone;
    for (const char* kept : {"a/x.txt", "b/y.dat", "a/z.dat", "b/z.dat"}) EXPECT_TRUE(fs::exists(t.at(kept))) << kept;
    EXPECT_EQ(countLogs(), logsBefore + 1);

    // The same plan again: the removed members are gone, so they are named and nothing else happens.
    DorvaneRun again = runDorvaneBinary({"remove", QString::fromStdString(t.plan), "--yes"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.out.find(t.at("b/x.txt") + ": it is gone since the plan"), std::string::npos) << again.out;
    EXPECT_TRUE(fs::exists(t.at("a/x.txt")));
    EXPECT_TRUE(fs::exists(t.at("b/y.dat")));
}

TEST(PlanCli, MembersChangedSinceThePlanAreKeptAndGroupsWithoutAKeeperRefused) {
    PlanTree t;
    ASSERT_EQ(t.scan().status, 0);
    QJsonObject report = readJson(t.plan);
    selectOnly(report, {"/b/x.txt", "/c/x.txt", "/a/y.dat", "/a/z.dat"});
    writeJson(t.plan, report);

    // c/x.txt grows; b/x.txt is replaced by a file of the same content, size and date (another inode);
    // b/y.dat, the only copy of y meant to stay, is touched: the group of y has no keeper left.
    {
        std::ofstream(t.at("c/x.txt"), std::ios::app) << "more";
        struct stat st {};
        ASSERT_EQ(::stat(t.at("b/x.txt").c_str(), &st), 0);
        // Written beside it and renamed over it, so that the old inode is still taken when the new one is made.
        t.dir.writeFile("tree/b/x.txt.new", "xxxx content of x");
        fs::rename(t.at("b/x.txt.new"), t.at("b/x.txt"));
        struct utimbuf times {st.st_atime, st.st_mtime};
        ASSERT_EQ(::utime(t.at("b/x.txt").c_str(), &times), 0);
        struct utimbuf later {st.st_atime, st.st_mtime + 100};
        ASSERT_EQ(::utime(t.at("b/y.dat").c_str(), &later), 0);
    }

    DorvaneRun r = runDorvaneBinary({"remove", QString::fromStdString(t.plan), "--yes"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find(t.at("c/x.txt") + ": its size changed since the plan"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(t.at("b/x.txt") + ": it was replaced by another file since the plan"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(t.at("b/y.dat") + ": it was modified since the plan"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("refused, nothing removed from it"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  kept: " + t.at("a/y.dat")), std::string::npos) << r.out;
    // Only z's selected copy went.
    EXPECT_NE(r.out.find("Removed 1 of 1 copy"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(t.at("a/z.dat")));
    for (const char* kept : {"a/x.txt", "b/x.txt", "c/x.txt", "a/y.dat", "b/y.dat", "b/z.dat"})
        EXPECT_TRUE(fs::exists(t.at(kept))) << kept;
}

TEST(PlanCli, ACopyInsideAnUnselectedDuplicateFolderGoesOnlyWithItsFolder) {
    TempDir dir;
    for (const char* folder : {"A", "B", "D"}) {
        dir.writeFile(std::string("tree/") + folder + "/f.txt", "ffff content");
        dir.writeFile(std::string("tree/") + folder + "/g.txt", "gggg other content");
    }
    dir.writeFile("tree/C/f.txt", "ffff content");
    const std::string plan = dir / "plan.json";
    ASSERT_EQ(runDorvaneBinary({"scan", "-q", "--all-sizes", "--format", "json", "-o", QString::fromStdString(plan),
                                QString::fromStdString(dir / "tree")})
                  .status,
              0);
    QJsonObject report = readJson(plan);
    selectOnly(report, {"/tree/B/f.txt", "/tree/D"});
    writeJson(plan, report);
    DorvaneRun r = runDorvaneBinary({"remove", QString::fromStdString(plan), "--yes"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("Kept: " + (dir / "tree/B/f.txt") + ": it lies inside the duplicate folder " + (dir / "tree/B")),
              std::string::npos)
        << r.out;
    EXPECT_TRUE(fs::exists(dir / "tree/B/f.txt"));
    EXPECT_FALSE(fs::exists(dir / "tree/D"));
    EXPECT_TRUE(fs::exists(dir / "tree/A/f.txt"));
}

TEST(PlanCli, BadPlansAndBadUsageRemoveNothing) {
    PlanTree t;
    ASSERT_EQ(t.scan().status, 0);
    QJsonObject report = readJson(t.plan);
    selectOnly(report, {"/b/x.txt", "/a/y.dat"});
    writeJson(t.plan, report);
    const QString plan = QString::fromStdString(t.plan);

    auto expectOneLine = [&](const DorvaneRun& r, int status, const std::string& words) {
        EXPECT_EQ(r.status, status) << r.err;
        EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
        EXPECT_TRUE(fs::exists(t.at("b/x.txt")));
        EXPECT_TRUE(fs::exists(t.at("a/y.dat")));
    };
    auto variant = [&](const std::string& name, const std::function<void(QJsonObject&)>& change) {
        QJsonObject edited = report;
        change(edited);
        writeJson(t.dir / name, edited);
        return runDorvaneBinary({"remove", QString::fromStdString(t.dir / name), "--yes"});
    };

    DorvaneRun missing = runDorvaneBinary({"remove", QString::fromStdString(t.dir / "none.json"), "--yes"});
    expectOneLine(missing, 1, t.dir / "none.json");
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;
    t.dir.writeFile("text.json", "Images (1 group)\n");
    expectOneLine(runDorvaneBinary({"remove", QString::fromStdString(t.dir / "text.json"), "--yes"}), 1, "not JSON");
    expectOneLine(variant("shape.json", [](QJsonObject& o) { o.remove("categories"); }), 1,
                  "not a report of 'dorvane scan --format json'");
    expectOneLine(variant("selected.json", [](QJsonObject& o) {
                      forEachMember(o, [](QJsonObject& m) { m["selected"] = "yes"; });
                  }),
                  1, "a true/false \"selected\"");
    expectOneLine(variant("outside.json", [&](QJsonObject& o) {
                      forEachMember(o, [&](QJsonObject& m) {
                          if (m["path"].toString().endsWith("/a/x.txt")) m["path"] = QString::fromStdString(t.dir / "elsewhere/x.txt");
                      });
                  }),
                  1, "is not inside the folders the plan's scan covered");
    expectOneLine(variant("dots.json", [&](QJsonObject& o) {
                      forEachMember(o, [&](QJsonObject& m) {
                          if (m["path"].toString().endsWith("/a/x.txt")) m["path"] = QString::fromStdString(t.tree + "/b/../a/x.txt");
                      });
                  }),
                  1, "is not an absolute path in its plain spelling");
    expectOneLine(variant("twice.json", [&](QJsonObject& o) {
                      forEachMember(o, [&](QJsonObject& m) {
                          if (m["path"].toString().endsWith("/c/x.txt")) m["path"] = QString::fromStdString(t.at("a/y.dat"));
                      });
                  }),
                  1, "is listed twice");
    expectOneLine(runDorvaneBinary({"remove"}), 2, "which plan?");
    expectOneLine(runDorvaneBinary({"remove", plan, "--force"}), 2, "unknown option '--force'");
    expectOneLine(runDorvaneBinary({"remove", plan, plan}), 2, "one plan at a time");

    // A permanent removal without a terminal needs --yes.
    expectOneLine(runDorvaneBinary({"remove", plan, "--permanent"}), 3, "not confirmed");
}

TEST(PlanCli, DryRunAndJsonTellWhatWouldGoAndWhatWent) {
    PlanTree t;
    ASSERT_EQ(t.scan({"--select", "auto"}).status, 0);
    std::set<std::string> selected;
    QJsonObject report = readJson(t.plan);
    forEachMember(report, [&](QJsonObject& m) {
        if (m["selected"].toBool()) selected.insert(m["path"].toString().toStdString());
    });
    ASSERT_EQ(selected.size(), 4u);

    DorvaneRun dry = runDorvaneBinary({"remove", QString::fromStdString(t.plan), "--dry-run", "--format", "json"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    QJsonObject removal = QJsonDocument::fromJson(QByteArray::fromStdString(dry.out)).object()["removal"].toObject();
    EXPECT_TRUE(removal["dry_run"].toBool());
    std::set<std::string> wouldGo;
    for (const auto& p : removal["removed"].toArray()) wouldGo.insert(p.toString().toStdString());
    EXPECT_EQ(wouldGo, selected);
    for (const auto& p : selected) EXPECT_TRUE(fs::exists(p)) << p;

    DorvaneRun done = runDorvaneBinary({"remove", QString::fromStdString(t.plan), "--yes", "--format", "json"});
    ASSERT_EQ(done.status, 0) << done.err;
    QJsonParseError error{};
    QJsonObject result = QJsonDocument::fromJson(QByteArray::fromStdString(done.out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << done.out;
    removal = result["removal"].toObject();
    std::set<std::string> went, kept;
    for (const auto& p : removal["removed"].toArray()) went.insert(p.toString().toStdString());
    for (const auto& p : removal["kept"].toArray()) kept.insert(p.toString().toStdString());
    EXPECT_EQ(went, selected);
    EXPECT_EQ(kept.size(), 3u);
    for (const auto& p : kept) EXPECT_TRUE(fs::exists(p)) << p;
    EXPECT_TRUE(removal["failed"].toArray().isEmpty());
    EXPECT_TRUE(removal["history"].toString().startsWith(QString::fromStdString(logFolder())));
}

TEST(PlanCli, ALockHeldElsewhereStopsTheRemovalOfAPlan) {
    PlanTree t;
    ASSERT_EQ(t.scan({"--select", "auto"}).status, 0);
    fs::create_directories(logFolder());
    std::unique_ptr<RunLock> lock;
    long holder = 0;
    ASSERT_TRUE(RunLock::tryAcquire(logFolder() + "/removal.lock", lock, holder));
    DorvaneRun r = runDorvaneBinary({"remove", QString::fromStdString(t.plan), "--yes"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("another removal is running"), std::string::npos) << r.err;
    for (const char* kept : {"a/x.txt", "b/x.txt", "c/x.txt", "a/y.dat", "b/y.dat"}) EXPECT_TRUE(fs::exists(t.at(kept)));
}

TEST(PlanCli, CtrlCStopsTheRemovalOfAPlanWithItsHistoryAndSaysSoInJson) {
    TempDir dir;
    for (int g = 0; g < 3000; ++g)
        for (int c = 0; c < 2; ++c)
            dir.writeFile("tree/" + std::to_string(c) + "/file" + std::to_string(g) + ".dat",
                          "content of group " + std::to_string(g) + std::string(64, 'x'));
    const std::string plan = dir / "plan.json";
    ASSERT_EQ(runDorvaneBinary({"scan", "-q", "--all-sizes", "--no-folders", "--select", "auto", "--format", "json", "-o",
                                QString::fromStdString(plan), QString::fromStdString(dir / "tree")})
                  .status,
              0);
    const std::size_t logsBefore = countLogs();
    auto countIn = [](const std::string& folder) {
        std::error_code ec;
        std::size_t n = 0;
        for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) ++n;
        return n;
    };
    const std::size_t left = countIn(dir / "tree/0") + countIn(dir / "tree/1");

    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardOutputFile(QString::fromStdString(dir / "out.json"));
    p.start(QStringLiteral(DORVANE_BINARY), {"remove", QString::fromStdString(plan), "--yes", "--format", "json"});
    ASSERT_TRUE(p.waitForStarted());
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (countIn(dir / "tree/0") + countIn(dir / "tree/1") == left && p.state() == QProcess::Running &&
           std::chrono::steady_clock::now() < end)
        p.waitForFinished(1);
    ASSERT_EQ(p.state(), QProcess::Running) << "the removal ended before it could be interrupted";
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 130);

    const QJsonObject removal = readJson(dir / "out.json")["removal"].toObject();
    EXPECT_TRUE(removal["stopped"].toBool());
    const auto removed = static_cast<std::size_t>(removal["removed"].toArray().size());
    EXPECT_GT(removal["not_processed"].toInt(), 0);
    EXPECT_EQ(left - removed, countIn(dir / "tree/0") + countIn(dir / "tree/1"));
    EXPECT_TRUE(removal["history"].isString());
    EXPECT_EQ(countLogs(), logsBefore + 1);
}
