// The removal history's writes: every run gets a file of its own (runs in one second, writers at
// once), every failing step of a write becomes the run's outcome with nothing half-written left
// behind, and the proof before a run that the log folder takes new files. Faults come from a FileCalls
// that fails one chosen call.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "history/LogManager.h"
#include "history/RemovalHistoryReader.h"
#include "history/RemoveLog.h"
#include "history/VXLog.h"
#include "history/VXLogFactory.h"
#include "history/VXLogGroup.h"
#include "platform/FileCalls.h"
#include "platform/FileContents.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
constexpr std::int64_t kMay4 = 1557000000;  // 2019-05-04 23:00:00 at GMT+3

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) names.insert(entry.path().filename().string());
    return names;
}

std::string logFolder() { return *VXLogFactory::logFolderPath(); }

// Every log made in the same second.
class SameSecondFactory : public VXLogFactory {
public:
    std::shared_ptr<WritableLog> createEmptyLog() override { return RemoveLog::create(shared_from_this(), kMay4); }
};

// The Linux calls, except that `fault` may answer a failure for a call ("open", "write", "sync",
// "close", "rename", "remove", "makeFolder") on a path before it is made.
class FaultyCalls : public LinuxFileCalls {
public:
    std::function<Status(const std::string& call, const std::string& path)> fault;

    Status open(const std::string& path, int flags, unsigned mode, int& fd) override {
        if (Status s = check("open", path); !s) return s;
        return LinuxFileCalls::open(path, flags, mode, fd);
    }
    Status write(int fd, const std::string& path, const char* data, std::size_t size, std::size_t& written) override {
        if (Status s = check("write", path); !s) return s;
        // Short writes: at most 100 bytes a call, so the loop around them is exercised.
        return LinuxFileCalls::write(fd, path, data, std::min<std::size_t>(size, 100), written);
    }
    Status sync(int fd, const std::string& path) override {
        if (Status s = check("sync", path); !s) return s;
        return LinuxFileCalls::sync(fd, path);
    }
    Status close(int fd, const std::string& path) override {
        const Status closed = LinuxFileCalls::close(fd, path);  // the descriptor goes either way
        if (Status s = check("close", path); !s) return s;
        return closed;
    }
    Status renameNoReplace(const std::string& from, const std::string& to) override {
        if (Status s = check("rename", to); !s) return s;
        return LinuxFileCalls::renameNoReplace(from, to);
    }
    Status makeFolder(const std::string& path, unsigned mode) override {
        if (Status s = check("makeFolder", path); !s) return s;
        return LinuxFileCalls::makeFolder(path, mode);
    }

private:
    Status check(const std::string& call, const std::string& path) {
        return fault ? fault(call, path) : Status::ok();
    }
};

// Fails `call` on paths for which `which` holds, with `error`.
std::shared_ptr<FaultyCalls> failing(std::string call, std::function<bool(const std::string&)> which, int error) {
    auto calls = std::make_shared<FaultyCalls>();
    calls->fault = [call, which, error](const std::string& c, const std::string& path) {
        return c == call && which(path) ? Status::fromErrno(error, path) : Status::ok();
    };
    return calls;
}

bool isTemporary(const std::string& path) { return path.find("/.writing.") != std::string::npos; }
bool isProbe(const std::string& path) { return path.find("/.probe.") != std::string::npos; }

struct HistoryWriteFixture : ::testing::Test {
    void SetUp() override {
        setenv("TZ", "Etc/GMT-3", 1);
        tzset();
        settings = std::make_shared<Settings>(settingsDir / "settings.json");
        Settings::setStandard(settings);
        VXLog::shared();  // hands its factory to the log manager
        originalFactory = LogManager::shared().factory();
        fs::remove_all(logFolder());
    }
    void TearDown() override {
        FileCalls::setStandard(nullptr);
        LogManager::shared().setLogFactory(originalFactory);
        Settings::setStandard(nullptr);
        fs::remove_all(logFolder());
    }
    // One run that moved `copy` to the Trash and kept a copy beside it; answers the run's outcome.
    static LogWriteOutcome recordRun(std::int64_t groupId, const std::string& copy) {
        auto group = std::make_shared<VXLogGroup>(groupId);
        VXLogItem kept;
        kept.path = "/data/keep.jpg";
        group->addItem(kept);
        VXLogItem removed;
        removed.path = copy;
        group->addItem(removed);
        VXLog& log = VXLog::shared();
        log.beginLogOfGroupRecords({group});
        log.onItemWithPathInGroup(groupId, copy, "/trash/files/" + std::to_string(groupId));
        return log.endLog();
    }
    TempDir settingsDir;
    std::shared_ptr<Settings> settings;
    std::shared_ptr<WritableLogFactory> originalFactory;
};
}  // namespace

TEST_F(HistoryWriteFixture, RunsOfOneSecondEachGetTheirOwnCompleteFile) {
    LogManager::shared().setLogFactory(std::make_shared<SameSecondFactory>());
    const std::string stem = logFolder() + "/2019-05-04 23.00.00 GMT+3";
    const std::vector<std::string> expected = {stem + ".log", stem + " 2.log", stem + " 3.log"};
    for (std::size_t run = 0; run < expected.size(); ++run) {
        const std::string copy = "/data/copy" + std::to_string(run) + ".jpg";
        const LogWriteOutcome outcome = recordRun(static_cast<std::int64_t>(run), copy);
        ASSERT_TRUE(outcome.isWritten()) << outcome.status.message();
        EXPECT_EQ(outcome.path, expected[run]);
        EXPECT_EQ(VXLog::shared().lastRunOutcome().path, expected[run]);
        // The file is this run's, whole: its own copy and the closing brace.
        const std::string text = readText(outcome.path);
        EXPECT_NE(text.find("copy" + std::to_string(run) + ".jpg"), std::string::npos) << text;
        EXPECT_EQ(text.back(), '}');
    }
    EXPECT_EQ(namesIn(logFolder()).size(), expected.size());  // no temporary file left

    // The history lists all three, the latest of the second first.
    const auto history = RemovalHistoryReader::readFolder(logFolder());
    EXPECT_TRUE(history.problems.empty());
    ASSERT_EQ(history.days.size(), 1u);
    ASSERT_EQ(history.days[0].logs.size(), 3u);
    EXPECT_EQ(history.days[0].logs[0].path, expected[2]);
    EXPECT_EQ(history.days[0].logs[1].path, expected[1]);
    EXPECT_EQ(history.days[0].logs[2].path, expected[0]);
}

TEST_F(HistoryWriteFixture, WritersAtOnceNeverShareOrReplaceAFile) {
    ASSERT_TRUE(file_contents::createFolders(logFolder()));
    constexpr int kWriters = 4, kEach = 25;
    std::vector<std::map<std::string, std::string>> written(kWriters);  // path → text, per writer
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([w, &written] {
            for (int i = 0; i < kEach; ++i) {
                const std::string text = "writer " + std::to_string(w) + " log " + std::to_string(i);
                std::string path;
                if (file_contents::writeNewFile(logFolder(), "2019-05-04 23.00.00 GMT+3", ".log", text, path))
                    written[w][path] = text;
            }
        });
    for (auto& t : writers) t.join();
    std::map<std::string, std::string> all;
    for (const auto& own : written)
        for (const auto& [path, text] : own) EXPECT_TRUE(all.emplace(path, text).second) << path << " given twice";
    EXPECT_EQ(all.size(), static_cast<std::size_t>(kWriters * kEach));
    for (const auto& [path, text] : all) EXPECT_EQ(readText(path), text) << path;
    EXPECT_EQ(namesIn(logFolder()).size(), all.size());
}

TEST_F(HistoryWriteFixture, EveryFailingStepIsTheRunsOutcomeAndLeavesNoPartialFile) {
    const auto inLogFolder = [](const std::string& path) { return path == logFolder(); };
    struct Case {
        const char* name;
        std::shared_ptr<FaultyCalls> calls;
        StatusCode code;
        bool fileStays;  // only the folder's sync failed: the complete file has its name
    };
    const Case cases[] = {
        {"full disk while writing", failing("write", isTemporary, ENOSPC), StatusCode::NoSpace, false},
        {"file sync", failing("sync", isTemporary, EIO), StatusCode::IoError, false},
        {"close (delayed write error)", failing("close", isTemporary, EDQUOT), StatusCode::NoSpace, false},
        {"temporary file not created", failing("open", isTemporary, EROFS), StatusCode::ReadOnlyFileSystem, false},
        {"rename", failing("rename", [](const std::string&) { return true; }, EACCES),
         StatusCode::PermissionDenied, false},
        {"log folder not created", failing("makeFolder", inLogFolder, EACCES), StatusCode::PermissionDenied, false},
        {"folder sync", failing("sync", inLogFolder, EIO), StatusCode::IoError, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(logFolder());
        FileCalls::setStandard(c.calls);
        const LogWriteOutcome outcome = recordRun(1, "/data/copy.jpg");
        FileCalls::setStandard(nullptr);
        ASSERT_TRUE(outcome.isFailed());
        EXPECT_EQ(outcome.status.code(), c.code) << outcome.status.message();
        EXPECT_TRUE(VXLog::shared().lastRunOutcome().isFailed());
        const auto names = namesIn(logFolder());
        if (c.fileStays) {
            ASSERT_EQ(names.size(), 1u);
            EXPECT_EQ(outcome.path, logFolder() + "/" + *names.begin());
            EXPECT_EQ(readText(outcome.path).back(), '}');
        } else {
            EXPECT_TRUE(names.empty()) << *names.begin();
            EXPECT_TRUE(outcome.path.empty());
        }
    }
}

TEST_F(HistoryWriteFixture, ARunIsPreparedOnlyWhereTheLogCanBeWritten) {
    // A usable place: the folder is made, and the probe is gone again.
    EXPECT_TRUE(VXLog::shared().prepareForRun());
    EXPECT_TRUE(fs::is_directory(logFolder()));
    EXPECT_TRUE(namesIn(logFolder()).empty());

    // The probe cannot be written (a full disk), or synced: the failure, and no probe left.
    for (const auto& calls : {failing("write", isProbe, ENOSPC), failing("sync", isProbe, EIO)}) {
        FileCalls::setStandard(calls);
        const Status status = VXLog::shared().prepareForRun();
        FileCalls::setStandard(nullptr);
        EXPECT_FALSE(status);
        EXPECT_TRUE(namesIn(logFolder()).empty());
    }
    FileCalls::setStandard(failing("write", isProbe, ENOSPC));
    EXPECT_EQ(VXLog::shared().prepareForRun().code(), StatusCode::NoSpace);
    FileCalls::setStandard(nullptr);

    // The log folder's path is a regular file, or lies below one.
    fs::remove_all(logFolder());
    {
        std::ofstream(logFolder()) << "in the way";
    }
    Status status = VXLog::shared().prepareForRun();
    EXPECT_EQ(status.code(), StatusCode::NotADirectory) << status.message();
    EXPECT_EQ(status.path(), logFolder());
    EXPECT_EQ(readText(logFolder()), "in the way");
    const std::string app = fs::path(logFolder()).parent_path().string();
    fs::remove_all(app);
    {
        std::ofstream(app) << "in the way";
    }
    status = VXLog::shared().prepareForRun();
    EXPECT_EQ(status.code(), StatusCode::NotADirectory) << status.message();

    // With logging off there is nothing to prove.
    settings->setLogRemovedDuplicates(false);
    EXPECT_TRUE(VXLog::shared().prepareForRun());
    fs::remove_all(app);
}
