#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"

namespace {
struct Shape {
    std::int64_t logical;
    std::int64_t allocated;
};
}  // namespace

// Allocated bytes that follow from the logical size are not stored; all others are, after the name.
// Each must come back exactly, next to names of every length, and add up in the folder.
TEST(FileSystemItem, EveryFilesAllocatedBytesComeBackExactlyAndAddUpInItsFolder) {
    const std::vector<Shape> shapes = {
        {1, 4096},                // rounded up to a block
        {4096, 4096},             // exactly a block
        {4097, 8192},             //
        {0, 0},                   // empty
        {300, 0},                 // kept in the inode
        {0, 4096},                // empty but preallocated
        {10'000'000, 8192},       // sparse
        {5000, 1 << 20},          // preallocated
        {4096, 512},              // compressed
        {(std::int64_t{1} << 50), (std::int64_t{1} << 50) + 4096},  // past every 32-bit block count
    };
    std::unique_ptr<FolderSystemItem> folder(FolderSystemItem::createFolder("/tmp/f", nullptr, 0, false, 0, false, 0));
    std::int64_t total = 0;
    std::vector<FileSystemItem*> files;
    for (std::size_t nameLength : {1u, 6u, 7u, 8u, 9u, 255u})
        for (const Shape& shape : shapes) {
            const std::string name(nameLength, static_cast<char>('a' + files.size() % 26));
            files.push_back(FileSystemItem::createFile(name, folder.get(), shape.allocated, 0, nameLength == 7,
                                                       shape.logical));
            total += shape.allocated;
        }
    std::size_t i = 0;
    for (std::size_t nameLength : {1u, 6u, 7u, 8u, 9u, 255u})
        for (const Shape& shape : shapes) {
            const FileSystemItem* file = files[i++];
            EXPECT_EQ(file->gettotalsize(), shape.allocated) << shape.logical << " bytes, name of " << nameLength;
            EXPECT_EQ(file->logicalSize(), shape.logical);
            EXPECT_EQ(file->name().size(), nameLength);
            EXPECT_EQ(file->isHiddenFlag(), nameLength == 7);
        }
    EXPECT_EQ(folder->calctotalsize(), total);
    EXPECT_EQ(folder->gettotalsize(), total);
}

// Package content is left out of the comparison at every depth below the package, and only there: a
// folder chosen for the scan is never a package itself, whatever its path ends with.
TEST(FileSystemItem, PackageContentIsKnownAtEveryDepthAndARootIsNeverAPackage) {
    std::unique_ptr<VolumeSystemItem> root = VolumeSystemItem::createRoot("/home/me/Tools.app", 0, 0);
    EXPECT_FALSE(root->isPackage());
    FileSystemItem* top = FileSystemItem::createFile("a.txt", root.get(), 4096, 0, false, 10);
    EXPECT_FALSE(top->isInPackage());

    FolderSystemItem* app = FolderSystemItem::createFolder("Viewer.app", root.get(), 0, false, 0, false, 0);
    FolderSystemItem* framework = FolderSystemItem::createFolder("Kit.framework", root.get(), 0, false, 0, false, 0);
    FolderSystemItem* plain = FolderSystemItem::createFolder("photos", root.get(), 0, false, 0, false, 0);
    FolderSystemItem* named = FolderSystemItem::createFolder("my", root.get(), 0, /*package*/ true, 0, false, 0);
    EXPECT_TRUE(app->isPackage());
    EXPECT_TRUE(framework->isPackage());
    EXPECT_TRUE(named->isPackage());
    EXPECT_FALSE(plain->isPackage());
    EXPECT_FALSE(app->isInPackage());  // a package is not inside itself

    FolderSystemItem* deep = FolderSystemItem::createFolder(
        "Resources", FolderSystemItem::createFolder("Contents", framework, 0, false, 0, false, 0), 0, false, 0, false, 0);
    EXPECT_TRUE(deep->isInPackage());
    EXPECT_TRUE(FileSystemItem::createFile("icon.png", deep, 4096, 0, false, 10)->isInPackage());
    EXPECT_TRUE(FileSystemItem::createFile("run", app, 4096, 0, false, 10)->isInPackage());
    EXPECT_FALSE(FileSystemItem::createFile("b.jpg", plain, 4096, 0, false, 10)->isInPackage());
}
