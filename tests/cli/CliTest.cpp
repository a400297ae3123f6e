// Runs the real `dorvane` binary on generated trees and checks its reports and exit statuses.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <set>
#include <thread>

#include "support/TestSupport.h"

namespace {
struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Waits (up to a minute) until the process has a handler for the signal, as /proc shows it.
void waitUntilCatching(pid_t pid, int signal) {
    const std::string status = "/proc/" + std::to_string(pid) + "/status";
    for (int i = 0; i < 6000; ++i) {
        std::ifstream in(status);
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("SigCgt:", 0) == 0 && (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Whether the process holds a regular file open below `folder` right now (its digest is being read).
bool holdsFileBelow(pid_t pid, const std::string& folder) {
    std::error_code ec;
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    namespace fs = std::filesystem;
    for (auto it = fs::directory_iterator(fds, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code linkError;
        const std::string target = fs::read_symlink(it->path(), linkError).string();
        // Folders are held open by the walk and, once the scan is over, by the left-out count.
        if (!linkError && target.rfind(folder + "/", 0) == 0 && fs::is_regular_file(target, linkError)) return true;
    }
    return false;
}

// With interruptReading, Ctrl-C reaches the program at the first moment it is seen reading a file below
// that folder: the process is frozen there, interrupted and woken, so the request does not depend on
// how fast the machine is. The tree must hold enough files that reading is far from over by then.
CliRun runDorvane(const QStringList& arguments, const std::string& interruptReading = {}) {
    QProcess p;
    p.start(QStringLiteral(DORVANE_BINARY), arguments);
    p.waitForStarted();
    if (!interruptReading.empty()) {
        const auto pid = static_cast<pid_t>(p.processId());
        // The interrupt must find the program's handler in place, however slowly a busy machine starts it.
        waitUntilCatching(pid, SIGINT);
        while (p.state() == QProcess::Running && !holdsFileBelow(pid, interruptReading)) p.waitForFinished(0);
        if (p.state() == QProcess::Running) {
            ::kill(pid, SIGSTOP);
            ::kill(pid, SIGINT);
            ::kill(pid, SIGCONT);
        }
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
    int status = runTreeGenerator("'" + c.root + "' --manifest '" + manifest + "' " + extraArguments);
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
    Corpus corpus = makeCorpus(dir, "--files 4000 --seed 6 --max-size 100000");
    CliRun run = runDorvane({"scan", "-q", "--full", "--all-sizes", "--format", "json", q(corpus.root)}, corpus.root);
    QJsonObject report;
    groupsOfReport(run.out, &report);
    ASSERT_FALSE(report.isEmpty()) << run.err;
    EXPECT_EQ(run.status, 130);
    EXPECT_FALSE(report["scan"].toObject()["complete"].toBool());
}

TEST(Cli, MinimalSizeLeavesSmallCopiesToTheHeapSearchAndKindsFollowTheExtensions) {
    TempDir dir;
    Corpus corpus = makeCorpus(dir, "--files 500 --seed 16 --max-size 200000");
    CliRun run = runDorvane({"scan", "--full", "--min-size", "10K", "--format", "json", "-q", q(corpus.root)});
    ASSERT_EQ(run.status, 0) << run.err;
    QJsonObject report = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    EXPECT_EQ(report["scan"].toObject()["minimal_size"].toInt(), 10240);
    std::map<std::string, std::string> kindOf;  // the generator's extensions by the documented kind rules
    for (const char* line : {"image jpg jpeg png heic tiff gif raw webp", "video mp4 mov mkv avi webm",
                             "music mp3 flac m4a wav ogg", "document pdf docx txt odt ods xlsx md csv json log c py",
                             "archive zip tar gz xz 7z iso", "other bin dat db"}) {
        std::istringstream words(line);
        std::string kind, extension;
        for (words >> kind; words >> extension;) kindOf[extension] = kind;
    }
    auto kindOfPath = [&](std::string p) {
        std::transform(p.begin(), p.end(), p.begin(), ::tolower);
        return kindOf[p.substr(p.rfind('.') + 1)];
    };
    std::set<std::string> heapFolders, duplicateFolders;
    for (const auto& h : report["heaps"].toArray())
        for (const auto& f : h.toObject()["folders"].toArray()) heapFolders.insert(f.toString().toStdString());
    std::map<std::set<std::string>, std::string> reported;  // members → kind
    for (const auto& c : report["categories"].toArray()) {
        const std::string kind = c.toObject()["kind"].toString().toStdString();
        for (const auto& g : c.toObject()["groups"].toArray()) {
            std::set<std::string> paths;
            for (const auto& m : g.toObject()["members"].toArray()) paths.insert(m.toObject()["path"].toString().toStdString());
            if (kind == "folder") duplicateFolders.insert(paths.begin(), paths.end());
            else reported[paths] = kind;
        }
    }
    auto inDuplicateFolder = [&](const std::string& p) {
        return std::any_of(duplicateFolders.begin(), duplicateFolders.end(), [&](const auto& f) { return p.starts_with(f + "/"); });
    };
    auto inHeapFolder = [&](const std::string& p) { return heapFolders.count(p.substr(0, p.rfind('/'))) > 0; };
    int smallFound = 0, expectedGroups = 0;
    for (const auto& truth : corpus.groups) {
        std::set<std::string> expected = truth;
        if (std::filesystem::file_size(*truth.begin()) < 10240) {
            // A small copy is compared only when it lies in a heap folder.
            expected.clear();
            std::copy_if(truth.begin(), truth.end(), std::inserter(expected, expected.end()), inHeapFolder);
            if (expected.size() < 2) continue;
            ++smallFound;
        } else if (std::all_of(truth.begin(), truth.end(), inDuplicateFolder)) {
            continue;  // shown as its duplicate folders
        }
        ++expectedGroups;
        auto found = reported.find(expected);
        EXPECT_EQ(found == reported.end() ? "not reported" : found->second, kindOfPath(*truth.begin())) << *truth.begin();
    }
    EXPECT_GT(smallFound, 0);  // the check above is not vacuous: small copies were expected in heap folders
    EXPECT_EQ(static_cast<int>(reported.size()), expectedGroups);  // and nothing else
}
