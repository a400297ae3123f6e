// LeftOut::collect over a tree of many folders, whose files are asked about in stretches on two
// threads: the parts must add up to what one walk in folder order gives.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

// LeftOut is part of the `dorvane` executable, not of the core library: compile it in here.
#include "cli/LeftOut.cpp"
#include "scan/FileSystemItem.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"
#include "support/TestSupport.h"

TEST(LeftOut, StretchesOfFoldersAddUpToOneWalkInFolderOrder) {
    // 700 folders, each with one file the disk does not hold (so it cannot be read); the extensions are
    // first met in folder 10 (.bbb) and folder 500 (.aaa, met again in folder 600), in different
    // stretches; a hidden folder near the end holds two files.
    TempDir dir;
    auto root = VolumeSystemItem::createRoot(dir.path(), 0, 0);
    char name[16];
    for (int i = 0; i < 700; ++i) {
        std::snprintf(name, sizeof name, "d%03d", i);
        auto* folder = FolderSystemItem::createFolder(name, root.get(), 0, false, 0, false, 0);
        FileSystemItem::createFile("gone.txt", folder, 4096, 0, false, 10);
        if (i == 10) FileSystemItem::createFile("x.bbb", folder, 4096, 0, false, 10);
        if (i == 500) FileSystemItem::createFile("y.aaa", folder, 4096, 0, false, 10);
        if (i == 600) FileSystemItem::createFile("z.AAA", folder, 4096, 0, false, 10);
    }
    auto* hidden = FolderSystemItem::createFolder(".h", root.get(), 0, false, 0, true, 0);
    FileSystemItem::createFile("a", hidden, 4096, 0, false, 10);
    FileSystemItem::createFile("b", hidden, 4096, 0, false, 10);

    const LeftOut out = LeftOut::collect({root.get()}, false, {".aaa", ".BBB"});
    EXPECT_EQ(out.excludedExtensionsSeen, (std::vector<std::string>{".bbb", ".aaa"}));
    EXPECT_EQ(out.filesWithExcludedExtension, 3u);
    EXPECT_EQ(out.filesInHiddenFolders, 2u);
    ASSERT_EQ(out.unreadable.size(), 700u);
    EXPECT_EQ(out.unreadableFiles(), 700u);
    for (std::size_t i = 0; i < out.unreadable.size(); ++i) {
        std::snprintf(name, sizeof name, "d%03d", static_cast<int>(i));
        EXPECT_EQ(out.unreadable[i].path, dir / (std::string(name) + "/gone.txt"));
        EXPECT_FALSE(out.unreadable[i].reason.empty());
    }
}

// The report is collected while the heap search may still read small files: a file that search fails
// to read afterwards is added, in path order, and one listed already is not listed twice.
TEST(LeftOut, AFileALaterPhaseFailsToReadIsAddedOnce) {
    TempDir dir;
    dir.writeFile("b.txt", "bbbb");
    dir.writeFile("m.txt", "mmmm");
    auto root = VolumeSystemItem::createRoot(dir.path(), 0, 0);
    auto* failedEarlier = FileSystemItem::createFile("b.txt", root.get(), 4, 0, false, 10);
    FileSystemItem::createFile("gone.txt", root.get(), 4, 0, false, 10);  // not on the disk
    auto* failedLater = FileSystemItem::createFile("m.txt", root.get(), 4, 0, false, 10);
    failedEarlier->setContentReadFailed(true);

    LeftOut out = LeftOut::collect({root.get()}, false, {});
    ASSERT_EQ(out.unreadable.size(), 2u);
    failedLater->setContentReadFailed(true);
    out.addLaterReadFailures({root.get()});
    out.addLaterReadFailures({root.get()});
    ASSERT_EQ(out.unreadable.size(), 3u);
    EXPECT_EQ(out.unreadable[0].path, dir / "b.txt");
    EXPECT_EQ(out.unreadable[1].path, dir / "gone.txt");
    EXPECT_EQ(out.unreadable[2].path, dir / "m.txt");
    // It reads well now: its read failed for a moment only, and it is named all the same.
    EXPECT_EQ(out.unreadable[2].reason, "could not be read while it was compared");
    EXPECT_EQ(out.unreadableFiles(), 3u);
}
