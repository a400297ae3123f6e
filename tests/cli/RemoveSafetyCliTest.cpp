// The removal command under the faults another process or the user can cause: a second run at the
// same time, a lock held by someone else, SIGTERM and Ctrl-C in the middle of a removal.
#include <gtest/gtest.h>

#include <QProcess>
#include <QVariant>

#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <thread>

#include "platform/RunLock.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
std::string dataHome() { return testHome() + "/.local/share"; }
std::string logFolder() { return dataHome() + "/Dorvane/Removed"; }

std::size_t countEntries(const std::string& folder) {
    std::error_code ec;
    std::size_t n = 0;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) ++n;
    return n;
}

std::size_t countLogs() {
    std::error_code ec;
    std::size_t n = 0;
    for (auto it = fs::directory_iterator(logFolder(), ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        n += it->path().extension() == ".log";
    return n;
}

// `groups` groups of `copies` files with contents of their own, copy i of every group in folder i.
void makeGroups(const TempDir& dir, int groups, int copies) {
    for (int g = 0; g < groups; ++g)
        for (int c = 0; c < copies; ++c)
            dir.writeFile("tree/" + std::to_string(c) + "/file" + std::to_string(g) + ".dat",
                          "content of group " + std::to_string(g) + std::string(64, 'x'));
}

// The report goes to a file of its own (a pipe nobody reads would stop the run when full).
std::unique_ptr<QProcess> startRemoval(const TempDir& dir, const QStringList& extra) {
    static int runs = 0;
    auto p = std::make_unique<QProcess>();
    p->setStandardInputFile(QProcess::nullDevice());
    const QString out = QString::fromStdString(dir / ("out" + std::to_string(++runs) + ".txt"));
    p->setStandardOutputFile(out);
    p->setProperty("out", out);
    QStringList arguments{"scan", "-q", "--all-sizes", "--no-folders", "--select", "auto", "--remove", "--yes"};
    arguments << extra << QString::fromStdString(dir / "tree");
    p->start(QStringLiteral(DORVANE_BINARY), arguments);
    EXPECT_TRUE(p->waitForStarted());
    return p;
}

std::string outputOf(const QProcess& p) {
    std::ifstream in(p.property("out").toString().toStdString());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Polls the predicate, letting the process's state and output come in between; false after two minutes.
bool eventually(QProcess& p, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        p.waitForFinished(1);
    }
    return false;
}
}  // namespace

TEST(RemoveSafetyCli, TwoRunsAtOnceNeverRemoveAWholeGroup) {
    TempDir dir;
    makeGroups(dir, 300, 3);
    auto first = startRemoval(dir, {"--permanent"});
    auto second = startRemoval(dir, {"--permanent"});
    ASSERT_TRUE(first->waitForFinished(300000));
    ASSERT_TRUE(second->waitForFinished(300000));
    for (auto* p : {first.get(), second.get()}) EXPECT_TRUE(p->exitCode() == 0 || p->exitCode() == 1) << p->exitCode();
    for (int g = 0; g < 300; ++g) {
        int left = 0;
        for (int c = 0; c < 3; ++c) left += fs::exists(dir / ("tree/" + std::to_string(c) + "/file" + std::to_string(g) + ".dat"));
        EXPECT_GE(left, 1) << "group " << g;
    }
}

TEST(RemoveSafetyCli, ALockHeldElsewhereIsNamedAndWaitedForOnRequest) {
    TempDir dir;
    makeGroups(dir, 5, 2);
    fs::create_directories(logFolder());
    std::unique_ptr<RunLock> lock;
    long holder = 0;
    ASSERT_TRUE(RunLock::tryAcquire(logFolder() + "/removal.lock", lock, holder));

    auto refused = startRemoval(dir, {});
    ASSERT_TRUE(refused->waitForFinished(120000));
    EXPECT_EQ(refused->exitCode(), 1);
    EXPECT_NE(refused->readAllStandardError().toStdString().find("another removal is running (pid " +
                                                                  std::to_string(::getpid()) + ")"),
              std::string::npos);
    EXPECT_EQ(countEntries(dir / "tree/1"), 5u);

    // With --wait it waits; SIGTERM while waiting stops it with nothing removed.
    auto waiting = startRemoval(dir, {"--wait"});
    std::string err;
    ASSERT_TRUE(eventually(*waiting, [&] {
        err += waiting->readAllStandardError().toStdString();
        return err.find("waiting for it") != std::string::npos;
    })) << err;
    ::kill(static_cast<pid_t>(waiting->processId()), SIGTERM);
    ASSERT_TRUE(waiting->waitForFinished(60000));
    EXPECT_EQ(waiting->exitCode(), 143);
    EXPECT_EQ(countEntries(dir / "tree/1"), 5u);

    // Released, the next run goes ahead.
    lock.reset();
    auto after = startRemoval(dir, {});
    ASSERT_TRUE(after->waitForFinished(120000));
    EXPECT_EQ(after->exitCode(), 0) << after->readAllStandardError().toStdString();
    EXPECT_EQ(countEntries(dir / "tree/0") + countEntries(dir / "tree/1"), 5u);
}

TEST(RemoveSafetyCli, SignalsDuringARemovalStopItCleanlyWithItsHistory) {
    TempDir dir;
    makeGroups(dir, 4000, 2);
    const std::string trashFiles = dataHome() + "/Trash/files", trashInfo = dataHome() + "/Trash/info";
    const std::size_t trashedBefore = countEntries(trashFiles);
    const std::size_t logsBefore = countLogs();
    auto p = startRemoval(dir, {});
    ASSERT_TRUE(eventually(*p, [&] { return countEntries(trashFiles) > trashedBefore || p->state() == QProcess::NotRunning; }));
    ASSERT_EQ(p->state(), QProcess::Running) << "the removal ended before it could be interrupted";
    // Frozen, the run gets SIGTERM and then Ctrl-C, both handled as it wakes: one request to stop.
    const auto pid = static_cast<pid_t>(p->processId());
    ::kill(pid, SIGSTOP);
    ::kill(pid, SIGTERM);
    ::kill(pid, SIGINT);
    ::kill(pid, SIGCONT);
    ASSERT_TRUE(p->waitForFinished(120000));
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
    // Both signals may be pending when the run wakes up, and the kernel then hands over SIGINT first:
    // either one is the request, the other is the same one.
    EXPECT_TRUE(p->exitCode() == 143 || p->exitCode() == 130) << p->exitCode();
    const std::string out = outputOf(*p);
    EXPECT_NE(out.find("Stopped"), std::string::npos) << out;
    EXPECT_NE(out.find("History written to"), std::string::npos) << out;
    EXPECT_EQ(countLogs(), logsBefore + 1);
    // Every record in the Trash has its file, and some copies were never reached.
    std::size_t trashed = 0;
    for (const auto& e : fs::directory_iterator(trashInfo)) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(fs::exists(trashFiles + "/" + name.substr(0, name.size() - 10))) << name;
        ++trashed;
    }
    EXPECT_LT(countEntries(trashFiles) - trashedBefore, 4000u);
    EXPECT_EQ(countEntries(trashFiles), trashed);
}
