// Runs the real `dorvane` binary under a process limit that leaves no room for its worker threads:
// the run ends with one message and status 1, never with an abort.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>

#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>

#include "support/TestSupport.h"

namespace {
namespace fs = std::filesystem;

// The child gives up root first when it has it: the kernel does not hold root to the process limit.
constexpr int kCannotDropRoot = 77;
constexpr uid_t kNobody = 65534;
}  // namespace

TEST(ThreadStartCli, RefusedWorkerThreadsEndTheRunWithAMessage) {
    TempDir dir;
    dir.writeFile("t/a.bin", std::string(5000, 'a'));
    dir.writeFile("t/b.bin", std::string(5000, 'a'));
    // An unprivileged child must be able to read the tree.
    for (const std::string& folder : {dir.path(), dir / "t"})
        fs::permissions(folder, fs::perms::all & ~fs::perms::others_write & ~fs::perms::group_write);

    const bool root = geteuid() == 0;
    QProcess p;
    p.setChildProcessModifier([root] {
        if (root && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(kCannotDropRoot);
        // The user already runs this process: any further thread goes past the limit.
        const rlimit one{1, 1};
        setrlimit(RLIMIT_NPROC, &one);
    });
    p.start(QStringLiteral(DORVANE_BINARY), {"scan", "-q", "--all-sizes", QString::fromStdString(dir / "t")});
    ASSERT_TRUE(p.waitForFinished(60000));
    const std::string err = p.readAllStandardError().toStdString();
    ASSERT_EQ(p.exitStatus(), QProcess::NormalExit) << err;
    if (p.exitCode() == kCannotDropRoot) GTEST_SKIP() << "running as root without the right to become another user";
    if (p.exitCode() == 0) GTEST_SKIP() << "the process limit did not hold here: every thread started";
    EXPECT_EQ(p.exitCode(), 1) << err;
    EXPECT_NE(err.find("dorvane: cannot start worker threads: Resource temporarily unavailable\n"), std::string::npos)
        << err;
    EXPECT_EQ(err.find("terminate"), std::string::npos) << err;
}
