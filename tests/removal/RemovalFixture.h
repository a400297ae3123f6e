// A results container built by hand over real files in a temporary folder, fakes for the file system,
// the Trash and the permanent remover, and a removal run driven to its end on the main loop.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/FileRemover.h"
#include "platform/FileSystem.h"
#include "platform/Trash.h"
#include "platform/Volumes.h"
#include "removal/DefaultRemoverErrorGroup.h"
#include "removal/DuplicateItemsRemover.h"
#include "removal/DuplicateItemsRemoverDelegate.h"
#include "removal/RemoveAlertTexts.h"
#include "removal/RemoveAlertsController.h"
#include "removal/RemoveErrorInfo.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

// Reports immutable files and folders without write permission where the real system (run as root)
// would not stop anything.
class FakeFileSystem : public LinuxFileSystem {
public:
    Status attributes(const std::string& path, FileAttributes& out) const override {
        Status s = LinuxFileSystem::attributes(path, out);
        if (s && locked.count(path)) out.immutable = true;
        if (s && linkCounts.count(path)) out.linkCount = linkCounts.at(path);
        return s;
    }
    bool isWritable(const std::string& path) const override {
        return !notWritable.count(path) && LinuxFileSystem::isWritable(path);
    }
    std::set<std::string> locked, notWritable;
    std::map<std::string, std::uint32_t> linkCounts;
};

// Runs a callback at the start of the Nth removal (1-based), before the removal itself: how a test
// lets "another program" act at an exact moment of a run.
struct RemovalMoment {
    int n = 0;
    std::function<void()> action;
    std::atomic<int> count{0};
    void reached() {
        if (++count == n && action) action();
    }
};

// Fails the permanent removal of chosen paths; can hold every removal until released.
class FakeFileRemover : public FileRemover {
public:
    Status removeItemAt(const FolderHandle& parent, const std::string& name, const std::string& path) override {
        moment.reached();
        ++started;
        if (hold) {
            std::unique_lock lock(mutex);
            released.wait(lock, [this] { return !hold; });
        }
        if (failing.count(path)) return Status::fromErrno(EPERM, path);
        ++removed;
        return real.removeItemAt(parent, name, path);
    }
    RemovalMoment moment;
    void release() {
        {
            std::lock_guard lock(mutex);
            hold = false;
        }
        released.notify_all();
    }
    std::set<std::string> failing;
    std::atomic<int> started{0}, removed{0};  // read by the test thread while the remove queues count
    bool hold = false;                        // guarded by mutex once the run has started
    std::mutex mutex;
    std::condition_variable released;
    LinuxFileRemover real;
};

// Fails moving chosen paths to the Trash; everything else goes to the real (temporary) Trash.
class FakeTrash : public Trash {
public:
    TrashResult moveToTrashAt(const FolderHandle& parent, const std::string& name, const std::string& path) override {
        moment.reached();
        if (failing.count(path)) {
            TrashResult r;
            r.outcome = TrashOutcome::Failed;
            r.status = Status::fromErrno(EACCES, path);
            return r;
        }
        if (unavailable.count(path)) return unavailableResult(path);
        return real.moveToTrashAt(parent, name, path);
    }
    RemovalMoment moment;
    TrashResult trashFolderFor(const std::string& path) override {
        return unavailable.count(path) ? unavailableResult(path) : real.trashFolderFor(path);
    }
    static TrashResult unavailableResult(const std::string& path) {
        TrashResult r;
        r.outcome = TrashOutcome::TrashUnavailable;
        r.status = Status::fromErrno(EXDEV, path);
        return r;
    }
    std::set<std::string> failing, unavailable;
    FreedesktopTrash real;
};

// Every path is on one volume with the given flags.
class FakeVolumes : public LinuxVolumes {
public:
    std::optional<VolumeInfo> volumeOfPath(const std::string& path) const override {
        auto v = LinuxVolumes::volumeOfPath(path);
        if (!v) v = VolumeInfo{};
        v->readOnly = readOnly;
        v->local = local;
        if (!fileSystemType.empty()) v->fileSystemType = fileSystemType;
        return v;
    }
    bool readOnly = false, local = true;
    std::string fileSystemType;
};

class RecordingAlerts : public RemoveAlertsController {
public:
    void askAboutGroup(const DefaultRemoverErrorGroup& group, std::function<void(bool)> answer) override {
        types.push_back(group.type());
        alerts.push_back(RemoveAlertTexts::alertForGroup(group));
        answer(confirm);
    }
    void showNotRemovedGroup(const DefaultRemoverErrorGroup& group, std::function<void()> done) override {
        notRemovedCount = group.errors().size();
        done();
    }
    bool confirm = false;
    std::vector<DefaultRemoverErrorGroupType> types;
    std::vector<RemoveAlert> alerts;
    std::size_t notRemovedCount = 0;
};

class RecordingDelegate : public DuplicateItemsRemoverDelegate {
public:
    bool isRemoverCanStart(DuplicateItemsRemover&) override { return true; }
    void onRemover(DuplicateItemsRemover&, const std::vector<std::shared_ptr<DuplicateItem>>& items) override {
        ++reports;
        for (const auto& i : items) removedPaths.push_back(i->getFileItemPath());
    }
    void onRemoverFinishWork(DuplicateItemsRemover&) override { finished = true; }
    int reports = 0;
    std::vector<std::string> removedPaths;
    bool finished = false;
};

struct RemovalFixture : ::testing::Test {
    TempDir dir;
    TempDir settingsDir;
    std::shared_ptr<DuplicatesContainer> container = std::make_shared<DuplicatesContainer>(false, nullptr);
    std::unique_ptr<VolumeSystemItem> root = VolumeSystemItem::createRoot(dir.path(), 0, 0);
    std::shared_ptr<RecordingAlerts> alerts = std::make_shared<RecordingAlerts>();
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();

    void SetUp() override { Settings::setStandard(std::make_shared<Settings>(settingsDir / "settings.json")); }
    void TearDown() override {
        FileSystem::setStandard(nullptr);
        FileRemover::setStandard(nullptr);
        Trash::setStandard(nullptr);
        Volumes::setStandard(nullptr);
        Settings::setStandard(nullptr);
    }

    // A real file and its node (with the folders above it).
    FileSystemItem* file(const std::string& relative, const std::string& content) {
        dir.writeFile(relative, content);
        return node(relative, static_cast<std::int64_t>(content.size()));
    }
    FileSystemItem* node(const std::string& relative, std::int64_t size) {
        FolderSystemItem* parent = root.get();
        std::size_t start = 0, slash;
        while ((slash = relative.find('/', start)) != std::string::npos) {
            const std::string name = relative.substr(start, slash - start);
            auto* child = parent->childWithName(name);
            parent = child ? static_cast<FolderSystemItem*>(child)
                           : FolderSystemItem::createFolder(name, parent, 0, false, 0, false, 0);
            start = slash + 1;
        }
        return FileSystemItem::createFile(relative.substr(start), parent, size, 0, false, size);
    }
    // A group of the nodes; the copies at the given indexes are selected.
    std::shared_ptr<DuplicatesGroup> group(const std::vector<FileSystemItem*>& nodes, const std::set<std::size_t>& selected) {
        auto g = container->addGroupWithItems(nodes);
        // By the position in `nodes`: the group keeps its members in path order.
        for (std::size_t i : selected) EXPECT_TRUE(nodes.at(i)->getDuplicateItem()->selectItemForced(false));
        return g;
    }
    void saveRoots() {
        std::vector<std::unique_ptr<VolumeSystemItem>> roots;
        roots.push_back(std::move(root));
        container->saveRoots(std::move(roots));
    }
    // `queues` 1 removes the copies one after another, deepest path first, then by path.
    std::shared_ptr<DuplicateItemsRemover> run(std::optional<bool> toTrash, bool verify = true, bool emptyFolders = false,
                                               int queues = 0) {
        if (root) saveRoots();
        Settings::standard().setVerifyBeforeRemove(verify);
        Settings::standard().setRemoveEmptyFolders(emptyFolders);
        auto r = DuplicateItemsRemover::create(delegate, alerts, container, toTrash);
        r->setCountOfRemoveQueues(queues);
        r->removeItemsInRemoveList();
        EXPECT_TRUE(runMainLoopUntil([&] { return delegate->finished; }));
        return r;
    }
    static bool exists(const std::string& path) { return FileSystem::standard().exists(path); }
};
