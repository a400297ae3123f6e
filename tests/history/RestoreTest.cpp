// Restoring from the removal history on real files in a temporary folder: days and logs, the names a
// restored file takes and how earlier restores are recognised, the size and modification-date rule,
// restores from a private Trash and from kept copies, a move that fails, and clearing logs.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "history/BaseRemovedItem.h"
#include "history/KeptItem.h"
#include "history/RemoveDate.h"
#include "history/RestoreComplexOperation.h"
#include "history/RestoreComplexOperationDelegate.h"
#include "history/RestoreController.h"
#include "history/RestoreControllersContainer.h"
#include "history/RestoreGroup.h"
#include "history/RestoreHelper.h"
#include "history/RestoreItem.h"
#include "history/RestoreKenelManager.h"
#include "platform/FileTransfer.h"
#include "platform/Trash.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
void setModificationTime(const std::string& path, std::int64_t seconds) {
    const struct timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

std::int64_t modificationTime(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mtim.tv_sec;
}

// A folder with a private Trash (files/, info/), a log folder, and the files of a run.
struct RestoreFolder {
    TempDir dir;
    std::int64_t removedAt = QDateTime::currentSecsSinceEpoch() - 3600;
    std::int64_t modifiedAt = removedAt - 86400;

    std::string file(const std::string& relative, const std::string& content, std::int64_t mtime) const {
        const std::string path = dir.writeFile(relative, content);
        setModificationTime(path, mtime);
        return path;
    }
    std::string file(const std::string& relative, const std::string& content) const {
        return file(relative, content, modifiedAt);
    }
    // The file as the Trash holds it after a removal of `original`.
    std::string trashed(const std::string& original, const std::string& name, const std::string& content) const {
        const std::string path = file("Trash/files/" + name, content);
        dir.writeFile("Trash/info/" + name + ".trashinfo",
                      FreedesktopTrash::trashInfoText(original, "2026-12-01T10:00:00"));
        return path;
    }

    static QJsonObject record(const std::string& key, const std::string& path, std::size_t size, std::int64_t mtime) {
        QJsonObject o;
        o.insert(QString::fromStdString(key), QString::fromStdString(path));
        o.insert(QStringLiteral("size"), QString::number(size));
        o.insert(QStringLiteral("date_mod"), QString::fromStdString(remove_date::stringWithDate(mtime)));
        o.insert(QStringLiteral("isDirectory"), QStringLiteral("0"));
        return o;
    }
    QJsonObject kept(const std::string& path, std::size_t size) const { return record("path", path, size, modifiedAt); }
    QJsonObject removed(const std::string& path, std::size_t size) const { return record("path", path, size, modifiedAt); }
    QJsonObject inTrash(const std::string& original, const std::string& pathInTrash, std::size_t size) const {
        QJsonObject o = record("original path", original, size, modifiedAt);
        o.insert(QStringLiteral("path in trash"), QString::fromStdString(pathInTrash));
        return o;
    }
    static QJsonObject group(QJsonArray kept, QJsonArray removed, QJsonArray moved) {
        QJsonObject g;
        g.insert(QStringLiteral("kept"), kept);
        g.insert(QStringLiteral("removed"), removed);
        g.insert(QStringLiteral("moved to trash"), moved);
        return g;
    }
    std::string writeLog(std::int64_t date, const std::vector<QJsonObject>& groups, const std::string& suffix = "") const {
        QJsonObject changes;
        for (std::size_t i = 0; i < groups.size(); ++i) changes.insert(QString::number(i + 1), groups[i]);
        QJsonObject root;
        root.insert(QStringLiteral("application"), QStringLiteral("Dorvane"));
        root.insert(QStringLiteral("date"), QString::fromStdString(remove_date::stringWithDate(date)));
        root.insert(QStringLiteral("changes"), changes);
        return dir.writeFile("Removed/" + remove_date::removeDateToString(date) + suffix + ".log",
                             QJsonDocument(root).toJson().toStdString());
    }
    std::shared_ptr<RestoreController> load(const std::vector<QJsonObject>& groups) const {
        auto controller = std::make_shared<RestoreController>(writeLog(removedAt, groups));
        controller->loadOnlyIfHasNoLoadedData(false);
        EXPECT_EQ(controller->loadProblem(), "");
        return controller;
    }
};

struct Outcome {
    std::string destination;
    std::string failure;
};

class RecordingDelegate : public RestoreComplexOperationDelegate {
public:
    void restoreOperationSuccessfullyRestore(RestoreComplexOperation&, const BaseRemovedItem& item, const std::string&,
                                             const std::string& destination, const std::string& note) override {
        outcomes[item.originalPath()] = {destination, ""};
        EXPECT_EQ(note, "");
    }
    void restoreOperationFailedToRestore(RestoreComplexOperation&, const BaseRemovedItem& item,
                                         const std::string& reason) override {
        outcomes[item.originalPath()] = {"", reason};
    }
    std::map<std::string, Outcome> outcomes;
};

std::map<std::string, Outcome> restore(const std::vector<std::shared_ptr<BaseRemovedItem>>& items,
                                       std::optional<std::string> to = std::nullopt) {
    RecordingDelegate delegate;
    RestoreComplexOperation operation(items, std::move(to), &delegate);
    operation.start();
    EXPECT_EQ(operation.totalCountOfOperations(), static_cast<std::int64_t>(items.size()));
    return delegate.outcomes;
}
}  // namespace

TEST(RestoreHistory, DaysHoldTheirLogsNewestFirstAndNamesThatAreNotDatesAreLeftOut) {
    RestoreFolder f;
    const std::int64_t morning = QDateTime(QDate(2019, 5, 4), QTime(9, 0)).toSecsSinceEpoch();
    const std::int64_t evening = QDateTime(QDate(2019, 5, 4), QTime(21, 0)).toSecsSinceEpoch();
    const std::int64_t nextDay = QDateTime(QDate(2019, 5, 5), QTime(8, 0)).toSecsSinceEpoch();
    const auto g = RestoreFolder::group({}, {f.removed("/a/x.txt", 1)}, {});
    f.writeLog(morning, {g});
    f.writeLog(evening, {g});
    f.writeLog(evening, {g}, " 2");  // a second run in the same second
    f.writeLog(nextDay, {g});
    f.dir.writeFile("Removed/not a date.log", "{}");
    f.dir.writeFile("Removed/notes.txt", "x");

    RestoreKenelManager manager;
    manager.loadFromFolder(f.dir / "Removed");
    const auto& days = manager.restoreControllers();
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[0]->noon(), QDateTime(QDate(2019, 5, 5), QTime(12, 0)).toSecsSinceEpoch());
    ASSERT_EQ(days[0]->controllers().size(), 1u);
    ASSERT_EQ(days[1]->controllers().size(), 3u);
    EXPECT_EQ(days[1]->controllers()[0]->name(), remove_date::removeDateToString(evening) + " 2.log");
    EXPECT_EQ(days[1]->controllers()[1]->name(), remove_date::removeDateToString(evening) + ".log");
    EXPECT_EQ(days[1]->controllers()[2]->date(), morning);
    days[1]->loadOnlyIfHasNoLoadedData(true);
    EXPECT_EQ(days[1]->loadingState(), RestoreController::Loaded);
    EXPECT_EQ(days[1]->calculateNumberOfRemovedItems(), 3);
    EXPECT_EQ(days[1]->calculateNumberOfRestorableItems(), 0);  // nothing on disk to restore from

    // Clearing one day deletes that day's log files, and clearing all deletes only log files.
    EXPECT_TRUE(manager.clearHistoryFor(*days[1]).empty());
    EXPECT_EQ(manager.restoreControllers().size(), 1u);
    EXPECT_FALSE(fs::exists(f.dir / ("Removed/" + remove_date::removeDateToString(morning) + ".log")));
    EXPECT_TRUE(fs::exists(f.dir / ("Removed/" + remove_date::removeDateToString(nextDay) + ".log")));
    EXPECT_TRUE(manager.clearHistory().empty());
    std::set<std::string> left;
    for (const auto& e : fs::directory_iterator(f.dir / "Removed")) left.insert(e.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string> {"not a date.log", "notes.txt"}));
}

TEST(RestoreNames, RestoredNamesCountUpAndOnlyDigitsFollowTheWord) {
    using RestoreHelper::restoredFilePathWithPath;
    EXPECT_EQ(restoredFilePathWithPath("/p/a.txt", false, 0, std::nullopt), "/p/a.txt");
    EXPECT_EQ(restoredFilePathWithPath("/p/a.txt", false, 1, std::nullopt), "/p/a restored.txt");
    EXPECT_EQ(restoredFilePathWithPath("/p/a.txt", false, 2, std::nullopt), "/p/a restored 2.txt");
    EXPECT_EQ(restoredFilePathWithPath("/p/a.txt", false, 3, std::nullopt), "/p/a restored 3.txt");
    EXPECT_EQ(restoredFilePathWithPath("/p/a.tar.gz", false, 1, std::nullopt), "/p/a.tar restored.gz");
    EXPECT_EQ(restoredFilePathWithPath("/p/.profile", false, 1, std::nullopt), "/p/.profile restored");
    EXPECT_EQ(restoredFilePathWithPath("/p/photos.2019", true, 2, std::nullopt), "/p/photos.2019 restored 2");
    EXPECT_EQ(restoredFilePathWithPath("/a.txt", false, 1, std::nullopt), "/a restored.txt");
    EXPECT_EQ(restoredFilePathWithPath("/p/a.txt", false, 0, std::string("/to")), "/to/a.txt");
    EXPECT_EQ(restoredFilePathWithPath("/p/a.txt", false, 2, std::string("/to")), "/to/a restored 2.txt");

    EXPECT_TRUE(RestoreHelper::isRestoredNameOf("a restored", "a"));
    EXPECT_TRUE(RestoreHelper::isRestoredNameOf("a restored 2", "a"));
    EXPECT_TRUE(RestoreHelper::isRestoredNameOf("a restored 17", "a"));
    EXPECT_FALSE(RestoreHelper::isRestoredNameOf("a restored x", "a"));
    EXPECT_FALSE(RestoreHelper::isRestoredNameOf("a restored 2x", "a"));
    EXPECT_FALSE(RestoreHelper::isRestoredNameOf("a restored ", "a"));
    EXPECT_FALSE(RestoreHelper::isRestoredNameOf("a restored2", "a"));
    EXPECT_FALSE(RestoreHelper::isRestoredNameOf("ab restored", "a"));
}

TEST(RestoreMatching, DatesTwoSecondsApartMatchOnlyBeforeTheRemovalAndFoldersMatchAnySize) {
    RestoreFolder f;
    const std::int64_t m = f.modifiedAt;
    QJsonObject folder = f.removed("/p/pics", 100);
    folder.insert(QStringLiteral("isDirectory"), QStringLiteral("1"));
    QJsonObject unknownSize = f.removed("/p/u.txt", 0);
    unknownSize.remove(QStringLiteral("size"));
    const auto controller = f.load({RestoreFolder::group({}, {f.removed("/p/a.txt", 5), folder, unknownSize}, {})});
    const auto items = controller->children();
    ASSERT_EQ(items.size(), 3u);
    const BaseRemovedItem& file = *items[0];
    using RestoreHelper::isFileWithModificationDate;
    EXPECT_FALSE(isFileWithModificationDate(std::nullopt, 5, false, file));
    EXPECT_TRUE(isFileWithModificationDate(m + 1, 5, false, file));
    EXPECT_TRUE(isFileWithModificationDate(m - 1, 5, false, file));
    EXPECT_FALSE(isFileWithModificationDate(m + 1, 6, false, file));
    EXPECT_TRUE(isFileWithModificationDate(m + 2, 5, false, file));  // two seconds apart, older than the removal
    EXPECT_TRUE(isFileWithModificationDate(f.removedAt - 1, 5, false, file));
    EXPECT_FALSE(isFileWithModificationDate(f.removedAt, 5, false, file));  // changed at or after the removal
    EXPECT_FALSE(isFileWithModificationDate(f.removedAt + 60, 5, false, file));
    EXPECT_TRUE(isFileWithModificationDate(m, 4096, true, *items[1]));
    EXPECT_TRUE(isFileWithModificationDate(m, 1, false, *items[1]));
    EXPECT_TRUE(isFileWithModificationDate(m, 123456, false, *items[2]));

    // A removal one second after the recorded date: a candidate two seconds off is newer than the removal.
    RestoreFolder late;
    late.removedAt = late.modifiedAt + 1;
    const auto lateGroup = late.load({RestoreFolder::group({}, {late.removed("/p/a.txt", 5)}, {})});
    const auto lateItems = lateGroup->children();  // items refer to their group: it must outlive them
    EXPECT_FALSE(isFileWithModificationDate(late.modifiedAt + 2, 5, false, *lateItems[0]));
    EXPECT_TRUE(isFileWithModificationDate(late.modifiedAt + 1, 5, false, *lateItems[0]));
    EXPECT_TRUE(isFileWithModificationDate(late.modifiedAt - 2, 5, false, *lateItems[0]));
}

TEST(RestoreRecognition, EarlierRestoresAreFoundByTheirNamesSizesAndDates) {
    RestoreFolder f;
    const std::string p = f.dir / "p";
    f.file("p/a restored 2.txt", "aaaa");
    f.file("p/b restored x.txt", "bbbb");
    f.file("p/b restored .txt", "bbbb");
    f.file("p/b restored2.txt", "bbbb");
    f.file("p/c restored 12.txt", "cccc");
    f.file("p/d.txt", "dddd");                                  // put back by the file manager
    f.file("p/e.txt", "a new file", f.removedAt + 100);         // a new file at the old place
    f.file("p/g restored.txt", "gggg", f.removedAt + 100);      // changed after the removal
    const auto trashGone = [&](const std::string& name) { return f.dir / ("Trash/files/" + name); };
    QJsonArray moved;
    for (const char* name : {"a", "b", "c", "d", "e", "g"})
        moved.append(f.inTrash(p + "/" + name + ".txt", trashGone(std::string(name) + ".txt"), 4));
    auto controller = f.load({RestoreFolder::group({}, {}, moved)});
    std::map<std::string, std::shared_ptr<BaseRemovedItem>> byName;
    for (const auto& item : controller->children()) byName[fs::path(item->originalPath()).stem().string()] = item;

    EXPECT_EQ(byName["a"]->pathToRestoredFile(), p + "/a restored 2.txt");
    EXPECT_EQ(byName["b"]->pathToRestoredFile(), std::nullopt);
    EXPECT_EQ(byName["c"]->pathToRestoredFile(), p + "/c restored 12.txt");
    EXPECT_EQ(byName["d"]->pathToRestoredFile(), p + "/d.txt");
    EXPECT_FALSE(byName["e"]->isRestored());
    EXPECT_FALSE(byName["g"]->isRestored());
    EXPECT_FALSE(byName["a"]->setIsSelected(true));  // restored copies cannot be ticked
    // "b" has nothing of its own, but the copies of one group are alike: another's restored file serves.
    ASSERT_TRUE(byName["b"]->isRestorable());
    EXPECT_EQ(byName["b"]->itemToRestoreFrom()->itemToRestoreSourcePath(), p + "/a restored 2.txt");
    EXPECT_FALSE(byName["b"]->itemToRestoreFrom()->itemToRestoreHasToBeRemovedAfterRestore());
    EXPECT_TRUE(byName["b"]->setIsSelected(true));

    // Items that restore from themselves or from each other still go with their log.
    std::vector<std::weak_ptr<BaseRemovedItem>> watched;
    for (auto& [name, item] : byName) {
        item->isRestorable();
        watched.push_back(item);
    }
    byName.clear();
    const std::weak_ptr<RestoreController> watchedController = controller;
    controller.reset();
    EXPECT_TRUE(watchedController.expired());
    for (const auto& item : watched) EXPECT_TRUE(item.expired());
}

TEST(RestoreOperation, TrashedFilesComeBackBesideOccupiedNamesAndTheirTrashRecordsGo) {
    RestoreFolder f;
    const std::string p = f.dir / "p";
    const std::string inTrash = f.trashed(p + "/a.txt", "a.txt", "from the trash");
    const std::string deepInTrash = f.trashed(p + "/new/deeper/b.txt", "b.txt", "bbb");
    // A Trash file whose record names another original was reused: it is not this copy.
    const std::string reused = f.trashed(p + "/other.txt", "c.txt", "ccc");
    f.file("p/a.txt", "someone else's file");
    f.file("p/a restored.txt", "a restored, but not the same size");
    const auto controller = f.load({RestoreFolder::group({}, {}, {f.inTrash(p + "/a.txt", inTrash, 14)}),
                                    RestoreFolder::group({}, {}, {f.inTrash(p + "/new/deeper/b.txt", deepInTrash, 3)}),
                                    RestoreFolder::group({}, {}, {f.inTrash(p + "/c.txt", reused, 3)})});
    const auto items = controller->children();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_TRUE(items[0]->isRestorable() && items[1]->isRestorable());
    EXPECT_FALSE(items[2]->isRestorable());
    controller->setSelectionState(RestoreController::AllSelected);
    EXPECT_EQ(controller->selectionState(), RestoreController::SomeSelected);

    const auto outcomes = restore({items[0], items[1], items[2]});
    EXPECT_EQ(outcomes.at(p + "/a.txt").destination, p + "/a restored 2.txt");
    EXPECT_EQ(outcomes.at(p + "/new/deeper/b.txt").destination, p + "/new/deeper/b.txt");
    EXPECT_NE(outcomes.at(p + "/c.txt").failure, "");
    EXPECT_EQ(readText(p + "/a restored 2.txt"), "from the trash");
    EXPECT_EQ(readText(p + "/a.txt"), "someone else's file");
    EXPECT_EQ(readText(p + "/a restored.txt"), "a restored, but not the same size");
    EXPECT_EQ(readText(p + "/new/deeper/b.txt"), "bbb");
    EXPECT_EQ(modificationTime(p + "/new/deeper/b.txt"), f.modifiedAt);
    EXPECT_FALSE(fs::exists(inTrash) || fs::exists(f.dir / "Trash/info/a.txt.trashinfo"));
    EXPECT_FALSE(fs::exists(deepInTrash) || fs::exists(f.dir / "Trash/info/b.txt.trashinfo"));
    EXPECT_TRUE(fs::exists(reused) && fs::exists(f.dir / "Trash/info/c.txt.trashinfo"));
    EXPECT_EQ(items[0]->pathToRestoredFile(), p + "/a restored 2.txt");
    EXPECT_FALSE(items[0]->isSelected());
    EXPECT_FALSE(items[0]->isRestoreFailed());
}

TEST(RestoreOperation, PermanentlyRemovedFilesComeBackFromAKeptCopyOrAChosenFile) {
    RestoreFolder f;
    const std::string p = f.dir / "p";
    const std::string keptPath = f.file("p/keep.txt", "same bytes");
    f.file("q/keep2.txt", "changed since the removal, longer");
    const auto controller = f.load({RestoreFolder::group({f.kept(keptPath, 10)}, {f.removed(p + "/gone.txt", 10)}, {}),
                                    RestoreFolder::group({f.kept(f.dir / "q/keep2.txt", 10)},
                                                         {f.removed(f.dir / "q/gone2.txt", 10)}, {})});
    const auto items = controller->children();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]->pathToKeptCopyItem(), keptPath);
    EXPECT_FALSE(items[1]->isRestorable());
    EXPECT_EQ(items[1]->pathToKeptCopyItemsArray().size(), 0u);
    EXPECT_EQ(items[1]->pathToKeptCopyItemsArrayEvenNotExisting().size(), 1u);

    // A file pointed out by the user must match size and date.
    EXPECT_FALSE(items[1]->setFileAsFakeOriginal(f.dir / "q/keep2.txt"));
    const std::string chosen = f.file("elsewhere/original.txt", "0123456789");
    EXPECT_TRUE(items[1]->setFileAsFakeOriginal(chosen));
    EXPECT_TRUE(items[1]->isRestorable());

    const auto outcomes = restore(items);
    EXPECT_EQ(outcomes.at(p + "/gone.txt").destination, p + "/gone.txt");
    EXPECT_EQ(outcomes.at(f.dir / "q/gone2.txt").destination, f.dir / "q/gone2.txt");
    EXPECT_EQ(readText(p + "/gone.txt"), "same bytes");
    EXPECT_EQ(readText(keptPath), "same bytes");  // the kept copy stays
    EXPECT_EQ(modificationTime(p + "/gone.txt"), f.modifiedAt);
    EXPECT_EQ(readText(f.dir / "q/gone2.txt"), "0123456789");
    EXPECT_TRUE(fs::exists(chosen));
    EXPECT_TRUE(items[0]->isRestored() && items[1]->isRestored());

    // Into a chosen folder: restored copies are copied again, beside whatever is there.
    f.dir.writeFile("to/gone.txt", "taken");
    const auto again = restore({items[0]}, f.dir / "to");
    EXPECT_EQ(again.at(p + "/gone.txt").destination, f.dir / "to/gone restored.txt");
    EXPECT_EQ(readText(f.dir / "to/gone restored.txt"), "same bytes");
    EXPECT_EQ(readText(f.dir / "to/gone.txt"), "taken");
}

namespace {
// Fails every move; copies and folders pass through.
class FailingMoves : public LinuxFileTransfer {
public:
    Status moveNoReplace(const std::string&, const std::string& to) override { return Status::fromErrno(EIO, to); }
};
}  // namespace

TEST(RestoreOperation, AMoveThatFailsLeavesTheTrashAsItWasAndMarksTheCopy) {
    RestoreFolder f;
    const std::string p = f.dir / "p";
    const std::string inTrash = f.trashed(p + "/a.txt", "a.txt", "aaa");
    const auto controller = f.load({RestoreFolder::group({}, {}, {f.inTrash(p + "/a.txt", inTrash, 3)})});
    FileTransfer::setStandard(std::make_shared<FailingMoves>());
    const auto outcomes = restore(controller->children());
    FileTransfer::setStandard(nullptr);
    EXPECT_NE(outcomes.at(p + "/a.txt").failure.find("Input/output error"), std::string::npos);
    EXPECT_TRUE(fs::exists(inTrash) && fs::exists(f.dir / "Trash/info/a.txt.trashinfo"));
    EXPECT_FALSE(fs::exists(p + "/a.txt"));
    const auto item = controller->children().front();
    EXPECT_TRUE(item->isRestoreFailed());
    ASSERT_TRUE(item->restoreError().has_value());
    EXPECT_EQ(item->restoreError()->code(), StatusCode::IoError);
    EXPECT_EQ(controller->firstItemFailedToRestore(), item);
    // Still restorable from the Trash; a second try succeeds.
    EXPECT_TRUE(item->isRestorable());
    EXPECT_EQ(restore(controller->children()).at(p + "/a.txt").destination, p + "/a.txt");
    EXPECT_FALSE(item->isRestoreFailed());
}
