// The launcher the removal helpers run their scripts with: statuses, a program that is missing, and a
// session of its own.
#include <gtest/gtest.h>

#include "platform/ProcessLauncher.h"
#include "platform/ProcessRights.h"

TEST(ProcessLauncher, AnswersTheExitStatusOrWhyNothingStarted) {
    PosixProcessLauncher launcher;
    int status = -1;
    ASSERT_TRUE(launcher.run({"/bin/sh", "-c", "exit 3"}, status));
    EXPECT_EQ(status, 3);
    ASSERT_TRUE(launcher.run({"sh", "-c", "kill -TERM $$"}, status));  // looked up in PATH
    EXPECT_EQ(status, 128 + 15);
    status = -1;
    const Status missing = launcher.run({"dorvane-no-such-program"}, status);
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.code(), StatusCode::NotFound);
    EXPECT_EQ(status, -1);
    EXPECT_FALSE(launcher.run({}, status));
}

TEST(ProcessLauncher, RunsInASessionOfItsOwnWithNoInput) {
    PosixProcessLauncher launcher;
    int status = -1;
    // Field 6 of /proc/PID/stat is the session id: the shell leads its own.
    ASSERT_TRUE(launcher.run({"/bin/sh", "-c", "set -- $(cat /proc/$$/stat); [ \"$6\" = \"$$\" ]"}, status));
    EXPECT_EQ(status, 0);
    ASSERT_TRUE(launcher.run({"/bin/sh", "-c", "read line && exit 5; exit 0"}, status));
    EXPECT_EQ(status, 0);  // end of input at once: read fails
}

TEST(ProcessRights, TheAdministratorNeverNeedsPkexec) {
    LinuxProcessRights rights;
    if (!rights.isAdministrator()) GTEST_SKIP() << "runs as root only";
    EXPECT_FALSE(rights.needsAdministratorToRemove("/nowhere/file", "/nowhere", false, true));
    EXPECT_TRUE(LinuxProcessRights::canChangeFileFlags());
}
