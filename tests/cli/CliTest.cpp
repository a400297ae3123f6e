// Runs the real `dorvane` binary on generated trees and checks its reports and exit statuses.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "support/TestSupport.h"

namespace {
struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Whether the process is still alive and has not installed its SIGINT handler yet.
bool beforeInterruptHandler(const std::string& procStatus) {
    std::ifstream in(procStatus);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("State:", 0) == 0 && line.find('Z') != std::string::npos) return false;
        if (line.rfind("SigCgt:", 0) == 0) return !((std::stoull(line.substr(7), nullptr, 16) >> (SIGINT - 1)) & 1);
    }
    return false;  // gone
}

CliRun runDorvane(const QStringList& arguments, int killAfterMs = -1) {
    QProcess p;
    p.start(QStringLiteral(DORVANE_BINARY), arguments);
    p.waitForStarted();
    if (killAfterMs >= 0) {
        // An interrupt before the program installs its handler would simply kill it (a slow start, as
        // under the sanitizers): wait until /proc shows SIGINT caught.
        const std::string status = "/proc/" + std::to_string(p.processId()) + "/status";
        while (beforeInterruptHandler(status)) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
        ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    }
    p.waitForFinished(300000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

using PathGroups = std::set<std::set<std::string>>;

struct Corpus {
    std::string root;
    PathGroups groups;
    std::set<std::set<std::string>> nearDuplicates;
};

Corpus makeCorpus(const TempDir& dir, const std::string& extraArguments) {
    Corpus c;
    c.root = dir / "home";
    std::string manifest = dir / "manifest.json";
    int status = runCommand("python3 '" DORVANE_MAKE_CORPUS "' '" + c.root + "' --manifest '" + manifest + "' " +
                            extraArguments + " >/dev/null 2>&1");
    EXPECT_EQ(status, 0);
    QFile file(QString::fromStdString(manifest));
    file.open(QIODevice::ReadOnly);
    QJsonObject m = QJsonDocument::fromJson(file.readAll()).object();
    auto absolute = [&](const QJsonValue& v) { return c.root + "/" + v.toString().toStdString(); };
    for (const auto& g : m["groups"].toArray()) {
        std::set<std::string> paths;
        for (const auto& p : g.toArray()) paths.insert(absolute(p));
        c.groups.insert(paths);
    }
    for (const auto& g : m["near_duplicates"].toArray()) {
        std::set<std::string> paths;
        for (const auto& p : g.toArray()) paths.insert(absolute(p));
        c.nearDuplicates.insert(paths);
    }
    return c;
}

PathGroups groupsOfReport(const std::string& json, QJsonObject* whole = nullptr) {
    QJsonObject r = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
    if (whole) *whole = r;
    PathGroups groups;
    for (const auto& c : r["categories"].toArray())
        for (const auto& g : c.toObject()["groups"].toArray()) {
            std::set<std::string> paths;
            for (const auto& m : g.toObject()["members"].toArray())
                paths.insert(m.toObject()["path"].toString().toStdString());
            groups.insert(paths);
        }
    return groups;
}

QString q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

TEST(Cli, FullScanOfEverySizeReportsExactlyTheTrueGroups) {
    for (const char* extra : {"--files 400 --seed 3 --max-size 3000000", "--files 300 --seed 4 --max-size 2000000 --no-extras"}) {
        TempDir dir;
        Corpus corpus = makeCorpus(dir, extra);
        ASSERT_FALSE(corpus.groups.empty());
        CliRun run = runDorvane({"scan", "--full", "--all-sizes", "--no-folders", "--format", "json", "-q", q(corpus.root)});
        ASSERT_EQ(run.status, 0) << run.err;
        QJsonObject report;
        EXPECT_EQ(groupsOfReport(run.out, &report), corpus.groups) << extra;
        EXPECT_TRUE(report["scan"].toObject()["complete"].toBool());
        EXPECT_TRUE(report["scan"].toObject()["full_hash"].toBool());
        EXPECT_EQ(report["summary"].toObject()["groups"].toInt(), static_cast<int>(corpus.groups.size()));

        // The text report names the same files.
        CliRun text = runDorvane({"scan", "--full", "--all-sizes", "--no-folders", "-q", q(corpus.root)});
        ASSERT_EQ(text.status, 0);
        for (const auto& g : corpus.groups)
            for (const auto& p : g) EXPECT_NE(text.out.find(p), std::string::npos) << p;
    }
}

TEST(Cli, PartialDigestsDifferOnlyByNearDuplicatesOfKindsNotConfirmedInFull) {
    TempDir dir;
    Corpus corpus = makeCorpus(dir, "--files 400 --seed 5 --max-size 3000000");
    CliRun run = runDorvane({"scan", "--all-sizes", "--no-folders", "--format", "json", "-q", q(corpus.root)});
    ASSERT_EQ(run.status, 0) << run.err;
    PathGroups got = groupsOfReport(run.out);
    for (const auto& g : corpus.groups) {
        // A true group is found whole, or merged with near duplicates of its content.
        bool found = false;
        for (const auto& h : got)
            if (std::includes(h.begin(), h.end(), g.begin(), g.end())) found = true;
        EXPECT_TRUE(found) << *g.begin();
    }
    for (const auto& h : got) {
        if (corpus.groups.count(h)) continue;
        // An extra member pairs with a near duplicate of the same size.
        for (const auto& p : h) {
            bool explained = false;
            for (const auto& truth : corpus.groups) explained |= truth.count(p) && h.size() == truth.size();
            for (const auto& near : corpus.nearDuplicates) explained |= near.count(p) > 0;
            EXPECT_TRUE(explained) << p;
        }
    }
}

TEST(Cli, BadInputGetsAClearMessageAndTheRightStatus) {
    TempDir dir;
    dir.writeFile("good/a.bin", std::string(5000, 'a'));
    dir.writeFile("good/b.bin", std::string(5000, 'a'));
    std::string file = dir.writeFile("plain.txt", "x");

    CliRun missing = runDorvane({"scan", "-q", "--all-sizes", q(dir / "good"), q(dir / "missing")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(dir / "missing"), std::string::npos);
    EXPECT_NE(missing.out.find(dir / "good/a.bin"), std::string::npos);

    CliRun none = runDorvane({"scan", "-q", q(dir / "missing"), q(file)});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("not a folder"), std::string::npos);
    EXPECT_TRUE(none.out.empty());

    CliRun badOption = runDorvane({"scan", "--min-size", "12Q", q(dir.path())});
    EXPECT_EQ(badOption.status, 2);
    EXPECT_NE(badOption.err.find("--min-size"), std::string::npos);
    EXPECT_NE(badOption.err.find("dorvane scan --help"), std::string::npos);

    EXPECT_EQ(runDorvane({"scan", "--bogus"}).status, 2);
    EXPECT_EQ(runDorvane({"frobnicate"}).status, 2);
    CliRun version = runDorvane({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("dorvane ", 0), 0u);
}

TEST(Cli, OutputFileAndOverridesForThisRunOnly) {
    TempDir dir;
    dir.writeFile("d/a.jpg", std::string(3000, 'a'));
    dir.writeFile("d/b.jpg", std::string(3000, 'a'));
    std::string report = dir / "report.json";
    CliRun run = runDorvane({"scan", "-q", "--full", "--all-sizes", "--hidden", "--format=json", "-o", q(report), q(dir / "d")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.empty());
    QFile file(q(report));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(groupsOfReport(file.readAll().toStdString()).size(), 1u);
    // The overrides were not stored.
    std::string settings = testHome() + "/.config/dorvane/settings.json";
    std::string stored;
    runCommand("cat '" + settings + "' 2>/dev/null", &stored);
    EXPECT_EQ(stored.find("KEY_forceFullHashCalculation"), std::string::npos);
    EXPECT_EQ(stored.find("KEY_scanInHiddenFolders"), std::string::npos);
}

TEST(Cli, InterruptDeliversAPartialReport) {
    TempDir dir;
    Corpus corpus = makeCorpus(dir, "--files 3000 --seed 6");
    CliRun run = runDorvane({"scan", "-q", "--full", "--all-sizes", "--format", "json", q(corpus.root)}, 300);
    QJsonObject report;
    groupsOfReport(run.out, &report);
    ASSERT_FALSE(report.isEmpty()) << run.err;
    if (run.status == 0) GTEST_SKIP() << "the scan finished before the interrupt";
    EXPECT_EQ(run.status, 130);
    EXPECT_FALSE(report["scan"].toObject()["complete"].toBool());
}
