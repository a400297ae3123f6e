// The history at the end of `dorvane scan … --remove`: the summary names this run's own log file, a
// log that could not be written is said on stderr and fails the run, and a run whose log folder cannot
// take a file removes nothing; two processes removing at once each name a log of their own. The
// command line's sources are not part of the core library, so the removal step's files are compiled
// into this test.
#include <gtest/gtest.h>

#include <QProcess>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "cli/Format.cpp"
#include "cli/RemoveRun.cpp"
#include "history/VXLogFactory.h"
#include "platform/FileCalls.h"
#include "results/DuplicatesGroup.h"
#include "results/ResultsTree.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
// Fails every write of a log's temporary file: a full disk once the run has removed its copies (the
// folder's probe before the run still goes through).
class FullDiskForLogs : public LinuxFileCalls {
public:
    Status write(int fd, const std::string& path, const char* data, std::size_t size, std::size_t& written) override {
        if (path.find("/.writing.") != std::string::npos) return Status::fromErrno(ENOSPC, path);
        return LinuxFileCalls::write(fd, path, data, size, written);
    }
};

struct Printed {
    int status = -1;
    std::string out, err;
};

struct RemoveRunHistoryFixture : ::testing::Test {
    void SetUp() override {
        Settings::setStandard(std::make_shared<Settings>(settingsDir / "settings.json"));
        fs::remove_all(*VXLogFactory::logFolderPath());
        files.writeFile("keep.bin", "same bytes");
        files.writeFile("copy.bin", "same bytes");
    }
    void TearDown() override {
        FileCalls::setStandard(nullptr);
        Settings::setStandard(nullptr);
        fs::remove_all(fs::path(*VXLogFactory::logFolderPath()).parent_path());
    }
    // Removes copy.bin permanently, keeping keep.bin.
    Printed removeCopy() {
        ResultsTree tree(files.path());
        auto container = std::make_shared<DuplicatesContainer>(false, nullptr);
        auto group = container->addGroupWithItems({tree.file("copy.bin", 10), tree.file("keep.bin", 10)});
        EXPECT_TRUE(group);
        for (const auto& item : group->getItems())
            if (item->getFileItemPath() == files / "copy.bin") {
                EXPECT_TRUE(item->selectItemForced(false));
            }
        container->saveRoots(tree.roots());
        RemoveOptions options;
        options.permanent = true;
        options.yes = true;
        Printed printed;
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        printed.status = runRemoval(container, options);
        printed.out = ::testing::internal::GetCapturedStdout();
        printed.err = ::testing::internal::GetCapturedStderr();
        return printed;
    }
    TempDir settingsDir;
    TempDir files;
};
}  // namespace

TEST_F(RemoveRunHistoryFixture, TheSummaryNamesThisRunsOwnLog) {
    // An older log with a later modification time must not be named.
    const std::string folder = *VXLogFactory::logFolderPath();
    fs::create_directories(folder);
    std::ofstream(folder + "/2099-01-01 00.00.00 GMT.log") << "{}";

    const Printed printed = removeCopy();
    EXPECT_EQ(printed.status, 0) << printed.out << printed.err;
    EXPECT_FALSE(fs::exists(files / "copy.bin"));
    const LogWriteOutcome outcome = VXLog::shared().lastRunOutcome();
    ASSERT_TRUE(outcome.isWritten());
    EXPECT_NE(outcome.path, folder + "/2099-01-01 00.00.00 GMT.log");
    EXPECT_NE(printed.out.find("History written to " + outcome.path + "\n"), std::string::npos) << printed.out;
    std::ifstream in(outcome.path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("copy.bin"), std::string::npos) << text;
}

TEST_F(RemoveRunHistoryFixture, ALogThatCannotBeWrittenIsSaidAndFailsTheRun) {
    FileCalls::setStandard(std::make_shared<FullDiskForLogs>());
    const Printed printed = removeCopy();
    EXPECT_FALSE(fs::exists(files / "copy.bin"));  // removed before the log was written
    EXPECT_EQ(printed.status, 1);
    EXPECT_EQ(printed.out.find("History written to"), std::string::npos) << printed.out;
    EXPECT_NE(printed.err.find("dorvane: the removal history could not be written: "), std::string::npos)
        << printed.err;
    EXPECT_NE(printed.err.find(std::strerror(ENOSPC)), std::string::npos) << printed.err;
    EXPECT_TRUE(VXLog::shared().lastRunOutcome().isFailed());
}

TEST_F(RemoveRunHistoryFixture, NothingIsRemovedWhenTheLogFolderCannotTakeAFile) {
    const std::string folder = *VXLogFactory::logFolderPath();
    fs::create_directories(fs::path(folder).parent_path());
    std::ofstream(folder) << "a file where the folder should be";

    const Printed printed = removeCopy();
    EXPECT_EQ(printed.status, 1);
    EXPECT_TRUE(fs::exists(files / "copy.bin"));
    EXPECT_TRUE(fs::exists(files / "keep.bin"));
    EXPECT_NE(printed.err.find("dorvane: the removal history cannot be written, so nothing was removed: " + folder),
              std::string::npos)
        << printed.err;
    EXPECT_EQ(printed.out.find("Removed"), std::string::npos) << printed.out;
}

TEST(RemoveRunHistory, TwoProcessesAtOnceEachNameTheirOwnCompleteLog) {
    TempDir dir;
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const char* tree : {"one", "two"}) {
        for (const char* folder : {"a", "b"}) dir.writeFile(std::string(tree) + "/" + folder + "/" + tree + ".txt", tree);
        auto p = std::make_unique<QProcess>();
        p->setStandardInputFile(QProcess::nullDevice());
        p->start(QStringLiteral(DORVANE_BINARY),
                 {"scan", "-q", "--all-sizes", "--no-folders", "--select", "auto", "--remove", "--permanent", "--yes",
                  "--wait", "--format", "json", "-o", "/dev/null", QString::fromStdString(dir / tree)});
        runs.push_back(std::move(p));
    }
    std::map<std::string, std::string> logOfTree;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        ASSERT_TRUE(runs[i]->waitForFinished(120000));
        EXPECT_EQ(runs[i]->exitCode(), 0) << runs[i]->readAllStandardError().toStdString();
        const std::string out = runs[i]->readAllStandardOutput().toStdString();
        const std::string prefix = "History written to ";
        const std::size_t at = out.find(prefix);
        ASSERT_NE(at, std::string::npos) << out;
        logOfTree[i == 0 ? "one" : "two"] = out.substr(at + prefix.size(), out.find('\n', at) - at - prefix.size());
    }
    EXPECT_NE(logOfTree["one"], logOfTree["two"]);
    for (const auto& [tree, path] : logOfTree) {
        std::ifstream in(path);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("\\/" + tree + "\\/"), std::string::npos) << path << ":\n" << text;
        EXPECT_EQ(text.find(tree == "one" ? "\\/two\\/" : "\\/one\\/"), std::string::npos) << path;
    }
}
