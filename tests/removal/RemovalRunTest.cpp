#include <sys/stat.h>
#include <utime.h>

#include <thread>

#include "RemovalFixture.h"
#include "history/LogManager.h"
#include "history/VXLog.h"
#include "platform/UserPaths.h"
#include "removal/DuplicatesDefaultRemover.h"

namespace {

std::string trashFiles() { return user_paths::dataHome() + "/Trash/files"; }

TEST_F(RemovalFixture, RemovesToTheTrashRecordsHistoryAndDropsEmptiedGroups) {
    auto a = file("a/photo.jpg", "same bytes");
    auto b = file("b/photo.jpg", "same bytes");
    auto c = file("c/photo.jpg", "same bytes");
    group({a, b, c}, {1, 2});
    auto x = file("x/doc.txt", "other bytes");
    auto y = file("y/doc.txt", "other bytes");
    group({x, y}, {1});

    auto r = run(true);
    EXPECT_TRUE(r->removeErrors().empty());
    EXPECT_EQ(r->totalRemovedCount(), 3);
    EXPECT_EQ(r->totalRemovedSize(), 2 * 10 + 11);
    EXPECT_TRUE(exists(dir / "a/photo.jpg"));
    EXPECT_FALSE(exists(dir / "b/photo.jpg"));
    EXPECT_FALSE(exists(dir / "c/photo.jpg"));
    EXPECT_FALSE(exists(dir / "y/doc.txt"));
    std::vector<std::string> trashed;
    FileSystem::standard().listFolder(trashFiles(), trashed);
    EXPECT_GE(trashed.size(), 3u);
    EXPECT_TRUE(alerts->types.empty());
    // Groups left with one copy are gone from the results.
    EXPECT_TRUE(container->getAllFilesGroups().empty());
    EXPECT_EQ(container->buildRemoveListAsArray().size(), 0u);

    LogManager::shared().waitUntilSaved();
    std::vector<std::string> logs;
    ASSERT_TRUE(FileSystem::standard().listFolder(*VXLog::shared().logFolderPath(), logs));
    EXPECT_FALSE(logs.empty());
}

TEST_F(RemovalFixture, RemovesPermanentlyAndCountsCopiesDeletedByAnotherProgram) {
    auto a = file("a/song.mp3", "music");
    auto b = file("b/song.mp3", "music");
    auto c = file("c/song.mp3", "music");
    group({a, b, c}, {1, 2});
    saveRoots();
    std::remove((dir / "c/song.mp3").c_str());  // gone before its turn

    std::vector<std::string> before;
    FileSystem::standard().listFolder(trashFiles(), before);
    auto r = run(false);
    EXPECT_TRUE(r->removeErrors().empty());
    EXPECT_EQ(r->totalRemovedCount(), 2);
    EXPECT_FALSE(exists(dir / "b/song.mp3"));
    EXPECT_TRUE(exists(dir / "a/song.mp3"));
    std::vector<std::string> after;
    FileSystem::standard().listFolder(trashFiles(), after);
    EXPECT_EQ(before.size(), after.size());
}

TEST_F(RemovalFixture, ACopyChangedAfterTheScanIsKeptAndReported) {
    auto a = file("a/data.bin", "0123456789");
    auto b = file("b/data.bin", "0123456789");
    auto c = file("c/data.bin", "0123456789");
    group({a, b, c}, {1, 2});
    auto x = file("x/log.txt", "aaaa");
    auto y = file("y/log.txt", "aaaa");
    group({x, y}, {1});
    saveRoots();
    // Same size and the same modification time: only the whole-content comparison sees it.
    struct stat st {};
    stat((dir / "b/data.bin").c_str(), &st);
    dir.writeFile("b/data.bin", "0123456780");
    struct utimbuf times {st.st_atime, st.st_mtime};
    utime((dir / "b/data.bin").c_str(), &times);
    // A different size.
    dir.writeFile("y/log.txt", "aaaaa");

    auto r = run(true);
    ASSERT_EQ(r->removeErrors().size(), 2u);
    std::map<std::string, std::string> reasons;
    for (const auto& e : r->removeErrors()) reasons[e->path()] = e->reasonText();
    EXPECT_NE(reasons[dir / "b/data.bin"].find("content"), std::string::npos) << reasons[dir / "b/data.bin"];
    EXPECT_NE(reasons[dir / "y/log.txt"].find("size"), std::string::npos) << reasons[dir / "y/log.txt"];
    EXPECT_TRUE(exists(dir / "b/data.bin"));
    EXPECT_TRUE(exists(dir / "y/log.txt"));
    EXPECT_FALSE(exists(dir / "c/data.bin"));
    // Never offered to a helper, reported at the end.
    EXPECT_TRUE(alerts->types.empty());
    EXPECT_EQ(alerts->notRemovedCount, 2u);
}

TEST_F(RemovalFixture, TheStoredSettingNeverSwitchesTheCheckOff) {
    auto a = file("a/data.bin", "0123456789");
    auto b = file("b/data.bin", "0123456789");
    group({a, b}, {1});
    saveRoots();
    dir.writeFile("b/data.bin", "changed, and longer");
    auto r = run(true, /*verify=*/false);
    ASSERT_EQ(r->removeErrors().size(), 1u);
    EXPECT_TRUE(exists(dir / "b/data.bin"));
}

TEST_F(RemovalFixture, ALockedFileLandsInLockedFilesWithItsQuestion) {
    auto fs = std::make_shared<FakeFileSystem>();
    auto remover = std::make_shared<FakeFileRemover>();
    auto a = file("a/report.pdf", "pdf");
    auto b = file("b/report.pdf", "pdf");
    group({a, b}, {1});
    fs->locked.insert(dir / "b/report.pdf");
    remover->failing.insert(dir / "b/report.pdf");
    FileSystem::setStandard(fs);
    FileRemover::setStandard(remover);

    alerts->confirm = true;  // this run has no helper factory: confirmed or not, the copy stays
    auto r = run(false);
    ASSERT_EQ(alerts->types.size(), 1u);
    EXPECT_EQ(alerts->types[0], DefaultRemoverErrorGroupType::LockedFiles);
    EXPECT_EQ(alerts->alerts[0].title, "The file \"report.pdf\" was not removed due to being locked");
    EXPECT_EQ(alerts->alerts[0].text,
              "This file is immutable or append-only (chattr +i, +a); removing it needs that flag cleared first.\n"
              "Do you confirm removal?");
    ASSERT_EQ(r->removeErrors().size(), 1u);
    EXPECT_EQ(r->removeErrors()[0]->error()->sysErrno(), EPERM);
    EXPECT_TRUE(exists(dir / "b/report.pdf"));
}

TEST_F(RemovalFixture, ACopyInAReadOnlyParentLandsInReadOnlyAccess) {
    auto fs = std::make_shared<FakeFileSystem>();
    auto trash = std::make_shared<FakeTrash>();
    auto a = file("a/one.txt", "1");
    auto b = file("b/one.txt", "1");
    auto c = file("c/one.txt", "1");
    group({a, b, c}, {1, 2});
    for (const char* p : {"b", "c"}) {
        fs->notWritable.insert(dir / p);
        trash->failing.insert(dir / (std::string(p) + "/one.txt"));
    }
    FileSystem::setStandard(fs);
    Trash::setStandard(trash);

    auto r = run(true);
    ASSERT_EQ(alerts->types.size(), 1u);
    EXPECT_EQ(alerts->types[0], DefaultRemoverErrorGroupType::ReadOnlyAccess);
    EXPECT_EQ(alerts->alerts[0].title, "2 files were not removed due to lack of permission");
    EXPECT_EQ(alerts->alerts[0].buttons, (std::vector<std::string>{"Confirm", "Cancel", "Read More"}));
    EXPECT_EQ(r->removeErrors().size(), 2u);
    // A cancelled question with a helper switches the final message off.
    EXPECT_EQ(alerts->notRemovedCount, 0u);
}

TEST_F(RemovalFixture, FoldersLeftWithOnlyBookkeepingFilesGoWhenAsked) {
    auto a = file("keep/pic.png", "png");
    auto b = file("gone/pic.png", "png");
    auto c = file("stays/pic.png", "png");
    group({a, b, c}, {1, 2});
    dir.writeFile("gone/.DS_Store", "x");
    dir.writeFile("stays/notes.txt", "mine");
    auto r = run(false, true, /*emptyFolders=*/true);
    EXPECT_TRUE(r->removeErrors().empty());
    EXPECT_FALSE(exists(dir / "gone"));
    EXPECT_TRUE(exists(dir / "stays/notes.txt"));
    EXPECT_FALSE(exists(dir / "stays/pic.png"));
    EXPECT_TRUE(exists(dir / "keep/pic.png"));
}

TEST_F(RemovalFixture, StopEndsAfterTheCopiesInFlight) {
    auto remover = std::make_shared<FakeFileRemover>();
    remover->hold = true;
    FileRemover::setStandard(remover);
    std::vector<FileSystemItem*> nodes;
    for (int i = 0; i < 20; ++i) nodes.push_back(file("f" + std::to_string(i) + "/same.txt", "identical"));
    std::set<std::size_t> selected;
    for (std::size_t i = 1; i < nodes.size(); ++i) selected.insert(i);
    group(nodes, selected);
    saveRoots();
    Settings::standard().setVerifyBeforeRemove(true);
    auto r = DuplicateItemsRemover::create(delegate, alerts, container, false);
    r->removeItemsInRemoveList();
    ASSERT_TRUE(runMainLoopUntil([&] { return remover->started.load() == 4; }));
    r->stop();
    r->removeItemsInRemoveList();  // a second start does nothing
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    remover->release();
    ASSERT_TRUE(runMainLoopUntil([&] { return delegate->finished; }));
    EXPECT_EQ(remover->removed.load(), 4);
    EXPECT_EQ(r->totalRemovedCount(), 4);
    EXPECT_TRUE(alerts->types.empty());
    EXPECT_TRUE(r->isStopped());
}

TEST_F(RemovalFixture, AnEmptyRemoveListFinishesWithOneEmptyReport) {
    auto a = file("a/x.txt", "x");
    auto b = file("b/x.txt", "x");
    group({a, b}, {});
    auto r = run(true);
    EXPECT_EQ(delegate->reports, 1);
    EXPECT_TRUE(delegate->removedPaths.empty());
    EXPECT_FLOAT_EQ(r->progress(), 1.0f);
}

}  // namespace
