// Merges run on real trees: what lands in the destination, what is kept of the source, when the source
// folder goes to the Trash, labels, and nothing replaced; faults injected through the platform seams.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "MergeFixture.h"
#include "operations/OneFileMergeOperation.h"
#include "scan/FolderSystemItem.h"
#include "platform/FileLabels.h"
#include "platform/FileTransfer.h"

namespace fs = std::filesystem;

namespace {
std::string trashFiles() { return testHome() + "/.local/share/Trash/files"; }

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

// Fails the moves and copies of chosen sources; passes the rest to the Linux transfer.
class FailingTransfer : public LinuxFileTransfer {
public:
    Status moveNoReplace(const std::string& from, const std::string& to) override {
        if (failing.count(from)) return Status::fromErrno(EIO, from);
        return LinuxFileTransfer::moveNoReplace(from, to);
    }
    Status copyNoReplace(const std::string& from, const std::string& to) override {
        if (failing.count(from)) return Status::fromErrno(EIO, from);
        return LinuxFileTransfer::copyNoReplace(from, to);
    }
    std::set<std::string> failing;
};

bool userAttributesWork(const std::string& folder) {
    const std::string probe = folder + "/.label-probe";
    FILE* f = std::fopen(probe.c_str(), "w");
    if (!f) return false;
    std::fclose(f);
    const bool ok = FileLabels::standard().setLabel(probe, 1).isOk();
    std::remove(probe.c_str());
    return ok;
}
}  // namespace

class MergeRun : public MergeFixture {
protected:
    void TearDown() override {
        FileTransfer::setStandard(nullptr);
        MergeFixture::TearDown();
    }
};

TEST_F(MergeRun, AMoveWithinOneDiskLeavesEveryDistinctFileInTheDestinationAndTheSourceInTheTrash) {
    write("A/shared.txt", "shared");
    write("A/unique.txt", "unique to A");
    write("A/clash.txt", "A's version");
    write("A/sub/deep.txt", "deep");
    write("B/shared.txt", "shared");
    write("B/clash.txt", "B's version");
    const std::set<std::string> before = fs::exists(trashFiles()) ? namesIn(trashFiles()) : std::set<std::string>{};

    auto data = plan("A", "B", moving(false, true));
    ASSERT_TRUE(data);
    const MergeOutcome outcome = run(data);
    EXPECT_TRUE(outcome.succeeded());
    EXPECT_EQ(outcome.statistics.totalCount, 3);
    EXPECT_EQ(outcome.statistics.countOfSuccessfullyPerformed, 3);
    EXPECT_EQ(read(path("B/unique.txt")), "unique to A");
    EXPECT_EQ(read(path("B/clash.txt")), "B's version");
    EXPECT_EQ(read(path("B/clash 2.txt")), "A's version");
    EXPECT_EQ(read(path("B/sub/deep.txt")), "deep");
    EXPECT_EQ(read(path("B/shared.txt")), "shared");
    EXPECT_FALSE(fs::exists(path("A")));
    ASSERT_TRUE(outcome.sourceFolderTrashed) << outcome.sourceFolderKeptBecause;
    EXPECT_EQ(read(outcome.sourceFolderInTrash + "/shared.txt"), "shared");
    EXPECT_EQ(namesIn(trashFiles()).size(), before.size() + 1);
    // The plan's items carry their results.
    for (const MergeItem* item : data->affectedItems()) {
        EXPECT_EQ(item->result(), FileOperationResult::Successful) << item->name();
        EXPECT_EQ(item->phase(), MergeItemPhase::Done);
        EXPECT_EQ(item->createdByAction(), MergeAction::Move);
    }
    EXPECT_EQ(data->operationsStatistics().countOfSuccessfullyPerformed, 3);
}

TEST_F(MergeRun, ACopyKeepsModeAndTimesAndLeavesTheSource) {
    write("A/shared.txt", "shared");
    const std::string original = write("A/photo.jpg", "picture bytes");
    write("B/shared.txt", "shared");
    ASSERT_EQ(chmod(original.c_str(), 0604), 0);
    const struct timespec times[2] = {{1400000000, 5}, {1500000000, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, original.c_str(), times, 0), 0);

    MergeOperationOptions copy;
    copy.action = MergeAction::Copy;
    auto data = plan("A", "B", copy);
    ASSERT_TRUE(data);
    const MergeOutcome outcome = run(data);
    ASSERT_TRUE(outcome.succeeded());
    struct stat st {};
    ASSERT_EQ(lstat(path("B/photo.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1500000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
    EXPECT_EQ(read(path("B/photo.jpg")), "picture bytes");
    EXPECT_EQ(read(original), "picture bytes");
    EXPECT_FALSE(outcome.sourceFolderRemovalAsked);
}

TEST_F(MergeRun, ANameTakenAfterPlanningIsNeverReplacedAndTheSourceStays) {
    write("A/shared.txt", "shared");
    write("A/one.txt", "one from A");
    write("A/two.txt", "two from A");
    write("B/shared.txt", "shared");
    auto data = plan("A", "B", moving(false, true));
    ASSERT_TRUE(data);
    ASSERT_EQ(data->countOfAffectedItems(), 2);
    // Another program takes the planned name between the preview and the run.
    write("B/two.txt", "someone else's");

    const MergeOutcome outcome = run(data);
    EXPECT_FALSE(outcome.succeeded());
    EXPECT_EQ(outcome.statistics.countOfFailed, 1);
    EXPECT_EQ(read(path("B/two.txt")), "someone else's");
    EXPECT_EQ(read(path("A/two.txt")), "two from A");
    EXPECT_EQ(read(path("B/one.txt")), "one from A");
    EXPECT_FALSE(outcome.sourceFolderTrashed);
    EXPECT_EQ(outcome.sourceFolderKeptBecause, "not every file was merged");
    EXPECT_TRUE(fs::exists(path("A")));
    const MergeItem* two = data->sourceFolder().itemsByName().at("two.txt");
    ASSERT_TRUE(two->error());
    EXPECT_EQ(two->error()->code(), StatusCode::AlreadyExists);
}

TEST_F(MergeRun, OneFailedMoveKeepsTheSourceFolderAndTheOthersGoOn) {
    write("A/shared.txt", "shared");
    write("A/a.txt", "a");
    write("A/b.txt", "b");
    write("A/c.txt", "c");
    write("B/shared.txt", "shared");
    auto data = plan("A", "B", moving(false, true));
    ASSERT_TRUE(data);
    auto failing = std::make_shared<FailingTransfer>();
    failing->failing.insert(path("A/b.txt"));
    FileTransfer::setStandard(failing);

    const MergeOutcome outcome = run(data);
    EXPECT_EQ(outcome.statistics.countOfSuccessfullyPerformed, 2);
    EXPECT_EQ(outcome.statistics.countOfFailed, 1);
    ASSERT_EQ(outcome.results.size(), 3u);
    EXPECT_EQ(outcome.results[1].originalURL, path("A/b.txt"));
    EXPECT_EQ(outcome.results[1].result, FileOperationResult::Failed);
    EXPECT_EQ(outcome.results[1].status.code(), StatusCode::IoError);
    EXPECT_TRUE(fs::exists(path("A/b.txt")));
    EXPECT_TRUE(fs::exists(path("B/a.txt")));
    EXPECT_TRUE(fs::exists(path("B/c.txt")));
    EXPECT_FALSE(outcome.sourceFolderTrashed);
    EXPECT_TRUE(fs::exists(path("A/shared.txt")));
}

TEST_F(MergeRun, TheDestinationInsideTheSourceKeepsTheSource) {
    write("A/shared.txt", "shared");
    write("A/unique.txt", "unique");
    write("A/B/shared.txt", "shared");
    auto data = plan("A", "A/B", moving(false, true));
    ASSERT_TRUE(data);
    const MergeOutcome outcome = run(data);
    EXPECT_EQ(outcome.statistics.countOfSuccessfullyPerformed, 1);
    EXPECT_EQ(read(path("A/B/unique.txt")), "unique");
    EXPECT_FALSE(outcome.sourceFolderTrashed);
    EXPECT_EQ(outcome.sourceFolderKeptBecause, "the destination folder is inside it");
    EXPECT_TRUE(fs::exists(path("A/B/shared.txt")));
    EXPECT_FALSE(outcome.succeeded());
}

TEST_F(MergeRun, TheLabelIsAppliedAndReadBackAndLabelZeroGivesNone) {
    if (!userAttributesWork(root)) GTEST_SKIP() << "the file system of " << root << " keeps no user attributes";
    write("A/shared.txt", "shared");
    write("A/blue.txt", "blue");
    write("A/folder/inside.txt", "inside");
    write("B/shared.txt", "shared");
    MergeOperationOptions options = moving();
    options.colorTag = 4;
    auto data = plan("A", "B", options);
    ASSERT_TRUE(data);
    const MergeOutcome outcome = run(data);
    ASSERT_TRUE(outcome.succeeded());
    for (const auto& r : outcome.results) {
        EXPECT_EQ(r.label, 4);
        EXPECT_TRUE(r.labelStatus.isOk()) << r.labelStatus.message();
    }
    int label = -1;
    ASSERT_TRUE(FileLabels::standard().readLabel(path("B/blue.txt"), label).isOk());
    EXPECT_EQ(label, 4);
    ASSERT_TRUE(FileLabels::standard().readLabel(path("B/folder"), label).isOk());
    EXPECT_EQ(label, 4);
    EXPECT_EQ(FileLabels::colourName(label), "Blue");

    write("C/shared.txt", "shared");
    write("C/plain.txt", "plain");
    container.reset();
    auto unlabelled = plan("C", "B", moving());
    ASSERT_TRUE(unlabelled);
    ASSERT_TRUE(run(unlabelled).succeeded());
    ASSERT_TRUE(FileLabels::standard().readLabel(path("B/plain.txt"), label).isOk());
    EXPECT_EQ(label, 0);
}

TEST_F(MergeRun, ALabelTheFileSystemRefusesLeavesTheMergeSuccessful) {
    class RefusingLabels : public FileLabels {
    public:
        Status setLabel(const std::string& p, int) override { return Status::fromErrno(EOPNOTSUPP, p); }
        Status readLabel(const std::string&, int& label) override {
            label = 0;
            return Status::ok();
        }
    };
    FileLabels::setStandard(std::make_shared<RefusingLabels>());
    write("A/shared.txt", "shared");
    write("A/x.txt", "x");
    write("B/shared.txt", "shared");
    MergeOperationOptions options = moving(false, true);
    options.colorTag = 6;
    auto data = plan("A", "B", options);
    ASSERT_TRUE(data);
    const MergeOutcome outcome = run(data);
    FileLabels::setStandard(nullptr);
    EXPECT_TRUE(outcome.succeeded());
    ASSERT_EQ(outcome.results.size(), 1u);
    EXPECT_EQ(outcome.results[0].labelStatus.code(), StatusCode::NotSupported);
    EXPECT_TRUE(outcome.sourceFolderTrashed);
}

TEST_F(MergeRun, OneFileOfAPairIsCopiedOrMovedIntoTheOtherFolderUnderAFreeName) {
    write("A/shared.txt", "shared");
    write("A/photo.jpg", "A's photo");
    write("B/shared.txt", "shared");
    write("B/photo.jpg", "B's photo");
    ASSERT_TRUE(scan());
    auto* photo = container->findExistedSystemItemWithPath(path("A/photo.jpg"));
    auto* other = container->findExistedSystemItemWithPath(path("B"));
    ASSERT_TRUE(photo && other && other->isDir());
    const auto& target = static_cast<const FolderSystemItem&>(*other);

    auto copy = OneFileMergeOperation::buildOperationWithCopy(*photo, target);
    EXPECT_EQ(copy->destination(), path("B/photo 2.jpg"));
    std::optional<std::string> copiedTo;
    copy->start([&](const std::string& destination, const Status&) { copiedTo = destination; });
    ASSERT_TRUE(runMainLoopUntil([&] { return copiedTo.has_value(); }));
    EXPECT_EQ(*copiedTo, path("B/photo 2.jpg"));
    EXPECT_EQ(copy->fileOperationResult(), FileOperationResult::Successful);
    EXPECT_EQ(read(path("B/photo 2.jpg")), "A's photo");
    EXPECT_EQ(read(path("B/photo.jpg")), "B's photo");

    auto move = OneFileMergeOperation::buildOperationWithMove(*photo, target);
    EXPECT_EQ(move->destination(), path("B/photo 3.jpg"));
    std::optional<std::string> movedTo;
    move->start([&](const std::string& destination, const Status&) { movedTo = destination; });
    ASSERT_TRUE(runMainLoopUntil([&] { return movedTo.has_value(); }));
    EXPECT_FALSE(fs::exists(path("A/photo.jpg")));
    EXPECT_EQ(read(path("B/photo 3.jpg")), "A's photo");
}

TEST_F(MergeRun, AStopLeavesTheItemsNotYetBegunAndKeepsTheSource) {
    write("A/shared.txt", "shared");
    write("A/a.txt", "a");
    write("A/b.txt", "b");
    write("A/c.txt", "c");
    write("B/shared.txt", "shared");
    auto data = plan("A", "B", moving(false, true));
    ASSERT_TRUE(data);
    MergeOperation operation(data);
    // The stop comes while the first file is being moved (on the merge's queue).
    class StoppingTransfer : public LinuxFileTransfer {
    public:
        explicit StoppingTransfer(MergeOperation& op) : m_op(op) {}
        Status moveNoReplace(const std::string& from, const std::string& to) override {
            m_op.cancel();
            return LinuxFileTransfer::moveNoReplace(from, to);
        }
        MergeOperation& m_op;
    };
    FileTransfer::setStandard(std::make_shared<StoppingTransfer>(operation));
    WaitingListener listener;
    operation.start(&listener);
    ASSERT_TRUE(runMainLoopUntil([&] { return listener.outcome.has_value(); }));
    const MergeOutcome& outcome = *listener.outcome;
    EXPECT_EQ(outcome.statistics.countOfSuccessfullyPerformed, 1);
    EXPECT_EQ(outcome.statistics.countOfNotPerformed, 2);
    EXPECT_TRUE(fs::exists(path("B/a.txt")));
    EXPECT_TRUE(fs::exists(path("A/b.txt")));
    EXPECT_TRUE(fs::exists(path("A/c.txt")));
    EXPECT_FALSE(outcome.sourceFolderTrashed);
    EXPECT_FALSE(outcome.succeeded());
    EXPECT_EQ(data->sourceFolder().itemsByName().at("b.txt")->result(), FileOperationResult::Unknown);
}
