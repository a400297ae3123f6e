#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "scan/FolderSystemItem.h"
#include "scan/ItemArena.h"

namespace {
// Work done on a thread of its own, so that the chunk the thread carves from is let go when it ends.
template <class Work>
void onOwnThread(Work work) {
    std::thread(work).join();
}

std::string nameOf(int thread, int i) {
    // Lengths from 1 to 200 bytes: items of many sizes share each chunk.
    return std::to_string(thread) + "-" + std::string(static_cast<std::size_t>(i % 197), 'n') + std::to_string(i);
}
}  // namespace

TEST(ItemArena, ATreeBuiltOnTwoThreadsKeepsEveryNameAndGivesEveryChunkBackWhenLetGo) {
    if (!item_arena::carves()) GTEST_SKIP() << "items are allocations of their own under AddressSanitizer";
    const std::uint64_t before = item_arena::chunksHeld();
    constexpr int kFiles = 6000;
    std::unique_ptr<FolderSystemItem> root;
    FolderSystemItem* halves[2] = {};
    onOwnThread([&] {
        root.reset(FolderSystemItem::createFolder("/tmp/root", nullptr, 0, false, 0, false, 0));
        for (FolderSystemItem*& half : halves)
            half = FolderSystemItem::createFolder("half", root.get(), 0, false, 0, false, 0);
    });
    std::vector<std::thread> walkers;
    for (int t = 0; t < 2; ++t)
        walkers.emplace_back([&, t] {
            for (int i = 0; i < kFiles; ++i) FileSystemItem::createFile(nameOf(t, i), halves[t], 4096, 0, false, i);
        });
    for (auto& w : walkers) w.join();
    EXPECT_GT(item_arena::chunksHeld(), before + 2);

    for (int t = 0; t < 2; ++t) {
        ASSERT_EQ(halves[t]->numberOfChildren(), static_cast<std::size_t>(kFiles));
        for (int i = 0; i < kFiles; ++i) {
            const FileSystemItem* file = halves[t]->childAtIndex(static_cast<std::size_t>(i));
            ASSERT_EQ(file->name(), nameOf(t, i));
            ASSERT_EQ(file->logicalSize(), i);
            ASSERT_EQ(file->parent(), halves[t]);
        }
    }
    root.reset();  // on this thread, which made none of the items
    EXPECT_EQ(item_arena::chunksHeld(), before);
}

TEST(ItemArena, AChunkStaysWhileAnyOfItsItemsDoesAndALongNameHasAChunkOfItsOwn) {
    if (!item_arena::carves()) GTEST_SKIP() << "items are allocations of their own under AddressSanitizer";
    const std::uint64_t before = item_arena::chunksHeld();
    void* first = nullptr;
    void* second = nullptr;
    std::unique_ptr<FolderSystemItem> longRoot;
    onOwnThread([&] {
        first = item_arena::allocate(40);
        second = item_arena::allocate(40);
        longRoot.reset(FolderSystemItem::createFolder("/" + std::string(20000, 'l'), nullptr, 0, false, 0, false, 0));
    });
    EXPECT_EQ(item_arena::chunksHeld(), before + 2);
    EXPECT_EQ(longRoot->relativePath().size(), 20001u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first) % 8, 0u);

    item_arena::release(first);
    EXPECT_EQ(item_arena::chunksHeld(), before + 2);  // the second item still lives in it
    item_arena::release(second);
    EXPECT_EQ(item_arena::chunksHeld(), before + 1);
    longRoot.reset();
    EXPECT_EQ(item_arena::chunksHeld(), before);
}
