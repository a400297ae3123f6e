// The file operations under the merge and the restore: moves across file systems (a real tmpfs when
// one can be mounted, else a rename that answers EXDEV), the checks made before anything is touched,
// labels, and the performer's statistics and progress throttling.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "operations/ComplexOperationInfo.h"
#include "operations/ComplexOperationPerformer.h"
#include "operations/CopyOperation.h"
#include "operations/MoveOperation.h"
#include "operations/MoveOperationWithTagging.h"
#include "platform/FileCalls.h"
#include "platform/FileLabels.h"
#include "platform/FileSystem.h"
#include "platform/FileTransfer.h"
#include "platform/Volumes.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
// Renames answer EXDEV, as between two file systems; everything else is the Linux call.
class CrossDeviceCalls : public LinuxFileCalls {
public:
    Status renameNoReplace(const std::string&, const std::string& to) override { return Status::fromErrno(EXDEV, to); }
};

class TinyVolumes : public LinuxVolumes {
public:
    bool sizes(const std::string&, std::int64_t& total, std::int64_t& free) const override {
        total = 1 << 20;
        free = 10;
        return true;
    }
};

struct Recorder : ComplexOperationPerformerDelegate {
    void complexOperationProgress(ComplexOperationPerformer&, const std::vector<FileOperationProgressInfo>& done,
                                  const SubOperationsStatistics&, std::uint64_t bytes) override {
        reports.push_back(done.size());
        bytesDone = bytes;
        for (const auto& d : done) records.push_back(d);
    }
    void complexOperationFinished(ComplexOperationPerformer&, const SubOperationsStatistics& s) override {
        finished = s;
    }
    std::vector<std::size_t> reports;
    std::vector<FileOperationProgressInfo> records;
    std::uint64_t bytesDone = 0;
    SubOperationsStatistics finished;
};

void checkMovedTree(const std::string& from, const std::string& to) {
    EXPECT_FALSE(fs::exists(from));
    EXPECT_EQ(readText(to + "/a.txt"), "alpha");
    EXPECT_EQ(readText(to + "/sub/big.bin"), std::string(3 << 20, 'z'));
    struct stat st {};
    ASSERT_EQ(lstat((to + "/a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1500000000);
    EXPECT_EQ(fs::read_symlink(to + "/link"), "a.txt");
}

void makeTree(const TempDir& dir, const std::string& relative) {
    dir.writeFile(relative + "/a.txt", "alpha");
    dir.writeFile(relative + "/sub/big.bin", std::string(3 << 20, 'z'));
    fs::create_symlink("a.txt", dir / (relative + "/link"));
    chmod((dir / (relative + "/a.txt")).c_str(), 0640);
    const struct timespec times[2] = {{1500000000, 0}, {1500000000, 0}};
    utimensat(AT_FDCWD, (dir / (relative + "/a.txt")).c_str(), times, AT_SYMLINK_NOFOLLOW);
}
}  // namespace

class FileOperations : public ::testing::Test {
protected:
    void TearDown() override {
        FileCalls::setStandard(nullptr);
        Volumes::setStandard(nullptr);
        FileTransfer::setStandard(nullptr);
        FileLabels::setStandard(nullptr);
    }
    TempDir dir;
};

TEST_F(FileOperations, AMoveAcrossFileSystemsCopiesChecksAndOnlyThenRemoves) {
    makeTree(dir, "tree");
    dir.makeFolder("other");
    FileCalls::setStandard(std::make_shared<CrossDeviceCalls>());
    MoveOperation move(dir / "tree", dir / "other/tree");
    EXPECT_EQ(move.perform(), FileOperationResult::Successful) << move.status().message();
    checkMovedTree(dir / "tree", dir / "other/tree");

    // A taken destination: nothing copied, nothing removed.
    makeTree(dir, "again");
    dir.writeFile("other/again", "taken");
    MoveOperation refused(dir / "again", dir / "other/again");
    EXPECT_EQ(refused.perform(), FileOperationResult::Failed);
    EXPECT_EQ(refused.status().code(), StatusCode::AlreadyExists);
    EXPECT_EQ(readText(dir / "other/again"), "taken");
    EXPECT_TRUE(fs::exists(dir / "again/sub/big.bin"));
}

TEST_F(FileOperations, AMoveOntoARealTmpfsKeepsEverything) {
    const std::string mountPoint = dir.makeFolder("tmpfs");
    if (::mount("dorvane-test", mountPoint.c_str(), "tmpfs", 0, "size=16m") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here (" << std::strerror(errno) << "); the EXDEV fake covers it";
    makeTree(dir, "tree");
    MoveOperation move(dir / "tree", mountPoint + "/tree");
    const auto result = move.perform();
    EXPECT_EQ(result, FileOperationResult::Successful) << move.status().message();
    if (result == FileOperationResult::Successful) checkMovedTree(dir / "tree", mountPoint + "/tree");
    ::umount2(mountPoint.c_str(), MNT_DETACH);
}

TEST_F(FileOperations, NotEnoughRoomFailsEveryOperationBeforeAnyFileIsTouched) {
    dir.writeFile("a.txt", std::string(100, 'a'));
    dir.writeFile("b.txt", std::string(100, 'b'));
    dir.makeFolder("to");
    Volumes::setStandard(std::make_shared<TinyVolumes>());
    ComplexOperation complex;
    complex.operations.push_back(std::make_shared<CopyOperation>(dir / "a.txt", dir / "to/a.txt"));
    complex.operations.push_back(std::make_shared<CopyOperation>(dir / "b.txt", dir / "to/b.txt"));
    Recorder recorder;
    ComplexOperationPerformer performer(complex, &recorder);
    performer.perform();
    EXPECT_EQ(recorder.finished.countOfFailed, 2);
    EXPECT_FALSE(fs::exists(dir / "to/a.txt"));
    EXPECT_FALSE(fs::exists(dir / "to/b.txt"));
    ASSERT_EQ(recorder.records.size(), 2u);
    EXPECT_FALSE(recorder.records[0].performed);
    EXPECT_EQ(recorder.records[0].status.code(), StatusCode::NoSpace);

    // A rename within one disk needs no room.
    ComplexOperation moves;
    moves.operations.push_back(std::make_shared<MoveOperation>(dir / "a.txt", dir / "to/a.txt"));
    ComplexOperationPerformer mover(moves, nullptr);
    mover.perform();
    EXPECT_TRUE(mover.statistics().allSucceeded());
}

TEST_F(FileOperations, ImplementabilityNamesWhatIsMissing) {
    dir.writeFile("a.txt", "a");
    dir.writeFile("taken.txt", "t");
    EXPECT_EQ(OperationImplementability::forCopy(dir / "gone.txt", dir / "x").result(),
              ImplementabilityResult::SourceMissing);
    EXPECT_EQ(OperationImplementability::forMove(dir / "a.txt", dir / "no/such/x").result(),
              ImplementabilityResult::DestinationParentMissing);
    const auto taken = OperationImplementability::forMove(dir / "a.txt", dir / "taken.txt");
    EXPECT_EQ(taken.result(), ImplementabilityResult::DestinationTaken);
    EXPECT_EQ(taken.status().code(), StatusCode::AlreadyExists);
    const auto fine = OperationImplementability::forCopy(dir / "a.txt", dir / "b.txt");
    EXPECT_TRUE(fine.isPossible());
    EXPECT_EQ(fine.bytesOnDestination(), 1u);
    EXPECT_EQ(OperationImplementability::forMove(dir / "a.txt", dir / "b.txt").bytesOnDestination(), 0u);
}

TEST_F(FileOperations, ProgressIsReportedAtMostOncePerIntervalUnlessForced) {
    for (int i = 0; i < 5; ++i) dir.writeFile("f" + std::to_string(i), std::string(10, 'x'));
    dir.makeFolder("to");
    ComplexOperation complex;
    for (int i = 0; i < 5; ++i)
        complex.operations.push_back(
            std::make_shared<CopyOperation>(dir / ("f" + std::to_string(i)), dir / ("to/f" + std::to_string(i))));
    Recorder recorder;
    ComplexOperationPerformer performer(complex, &recorder, std::chrono::milliseconds(1000));
    // Each reading of the clock moves it 400 ms on: a report every third operation, and the forced last.
    auto now = ComplexOperationPerformer::Clock::time_point{};
    performer.setClockForTesting([&now] { return now += std::chrono::milliseconds(400); });
    performer.perform();
    std::size_t total = 0;
    for (auto n : recorder.reports) total += n;
    EXPECT_EQ(total, 5u);
    EXPECT_LT(recorder.reports.size(), 5u);
    EXPECT_GE(recorder.reports.size(), 2u);
    EXPECT_EQ(recorder.bytesDone, 50u);
    EXPECT_EQ(recorder.finished.countOfSuccessfullyPerformed, 5);
}

TEST_F(FileOperations, ACancelledPerformerLeavesTheRestNotPerformed) {
    dir.writeFile("a", "a");
    dir.writeFile("b", "b");
    dir.makeFolder("to");
    ComplexOperation complex;
    complex.operations.push_back(std::make_shared<CopyOperation>(dir / "a", dir / "to/a"));
    complex.operations.push_back(std::make_shared<CopyOperation>(dir / "b", dir / "to/b"));
    struct CancelAfterFirst : Recorder {
        void complexOperationProgress(ComplexOperationPerformer& p, const std::vector<FileOperationProgressInfo>& d,
                                      const SubOperationsStatistics& s, std::uint64_t b) override {
            Recorder::complexOperationProgress(p, d, s, b);
            p.cancel();
        }
    } recorder;
    ComplexOperationPerformer performer(complex, &recorder, std::chrono::milliseconds(0));
    auto now = ComplexOperationPerformer::Clock::time_point{};
    performer.setClockForTesting([&now] { return now += std::chrono::milliseconds(1); });
    performer.perform();
    EXPECT_EQ(recorder.finished.countOfSuccessfullyPerformed, 1);
    EXPECT_EQ(recorder.finished.countOfNotPerformed, 1);
    EXPECT_FALSE(fs::exists(dir / "to/b"));
}

TEST_F(FileOperations, LabelsKeepOtherTagsAndNameTheirColours) {
    const std::string file = dir.writeFile("f.txt", "f");
    if (!FileLabels::standard().setLabel(file, 2).isOk()) GTEST_SKIP() << "no user attributes on " << dir.path();
    int label = 0;
    ASSERT_TRUE(FileLabels::standard().readLabel(file, label).isOk());
    EXPECT_EQ(label, 2);
    ASSERT_EQ(setxattr(file.c_str(), "user.xdg.tags", "work,Red", 8, 0), 0);
    ASSERT_TRUE(FileLabels::standard().setLabel(file, 3).isOk());
    char buffer[64] = {};
    const ssize_t n = getxattr(file.c_str(), "user.xdg.tags", buffer, sizeof buffer - 1);
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), "work,Red,Purple");
    EXPECT_EQ(FileLabels::labelFromText("orange"), 7);
    EXPECT_EQ(FileLabels::labelFromText("Grey"), 1);
    EXPECT_EQ(FileLabels::labelFromText("0"), 0);
    EXPECT_FALSE(FileLabels::labelFromText("8"));
    EXPECT_FALSE(FileLabels::labelFromText("pink"));
}

TEST(ComplexOperationInfoTitles, NameTheActionAndTheItems) {
    using Info = ComplexOperationInfo;
    EXPECT_EQ(Info(Info::MainAction::Move, 3, Info::Source::ManyItems).progressTitle(), "Moving");
    EXPECT_EQ(Info(Info::MainAction::Restore, 1, Info::Source::OneFile).progressTitle(), "Restoring");
    EXPECT_EQ(Info(Info::MainAction::Copy, 3, Info::Source::ManyItems).failureTitle(), "Cannot copy 3 files");
    EXPECT_EQ(Info(Info::MainAction::Move, 1, Info::Source::OneFolder).failureTitle(), "Cannot move folder");
    EXPECT_EQ(Info(Info::MainAction::Restore, 1, Info::Source::OneFile).failureTitle(), "Cannot restore file");
    EXPECT_EQ(Info(Info::MainAction::Copy, 1, Info::Source::ManyItems).failureTitle(), "Cannot copy item");
}

TEST_F(FileOperations, AReadOnlyDiskOrAFolderTheUserCannotWriteRefusesBeforeAnythingIsTried) {
    dir.writeFile("a.txt", "a");
    dir.makeFolder("to");
    class ReadOnlyVolumes : public LinuxVolumes {
    public:
        explicit ReadOnlyVolumes(std::string folder) : m_folder(std::move(folder)) {}
        std::optional<VolumeInfo> volumeOfPath(const std::string& path) const override {
            auto volume = LinuxVolumes::volumeOfPath(path);
            if (volume && path == m_folder) volume->readOnly = true;
            return volume;
        }
        std::string m_folder;
    };
    Volumes::setStandard(std::make_shared<ReadOnlyVolumes>(dir / "to"));
    CopyOperation copy(dir / "a.txt", dir / "to/a.txt");
    EXPECT_EQ(copy.checkImplementability().result(), ImplementabilityResult::DestinationReadOnlyDisk);
    ComplexOperation complex;
    complex.operations.push_back(std::make_shared<CopyOperation>(dir / "a.txt", dir / "to/a.txt"));
    ComplexOperationPerformer performer(complex, nullptr);
    performer.perform();
    EXPECT_EQ(performer.statistics().countOfFailed, 1);
    EXPECT_EQ(complex.operations[0]->status().code(), StatusCode::ReadOnlyFileSystem);
    EXPECT_FALSE(fs::exists(dir / "to/a.txt"));
    Volumes::setStandard(nullptr);

    class LockedFolders : public LinuxFileSystem {
    public:
        explicit LockedFolders(std::string folder) : m_folder(std::move(folder)) {}
        bool isWritable(const std::string& path) const override {
            return path != m_folder && LinuxFileSystem::isWritable(path);
        }
        std::string m_folder;
    };
    FileSystem::setStandard(std::make_shared<LockedFolders>(dir.path()));
    const auto move = OperationImplementability::forMove(dir / "a.txt", dir / "to/a.txt");
    FileSystem::setStandard(nullptr);
    EXPECT_EQ(move.result(), ImplementabilityResult::PossibleWithAdministratorPrivileges);
    EXPECT_EQ(move.status().code(), StatusCode::PermissionDenied);
    EXPECT_EQ(move.status().path(), dir.path());
}
