// Sets of identical files become groups of the container's category of their kind.
#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "detection/FileSeparator.h"
#include "detection/FileSeparatorForContainer.h"
#include "detection/FileType.h"
#include "platform/SerialQueue.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "scan/FileSystemItem.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"
#include "support/TestSupport.h"

using namespace std::chrono_literals;

namespace {

class ContainerListener : public FileSeparatorForContainerListener {
public:
    void onFinishFileSeparator(FileSeparatorForContainer* separator, FileItemsByHash result,
                               const std::shared_ptr<DuplicatesContainer>& container) override {
        std::lock_guard lock(m_mutex);
        ++calls;
        onWorkingQueue = FileSeparator::workingQueue()->isCurrent();
        this->separator = separator;
        this->result = std::move(result);
        this->container = container;
        m_changed.notify_all();
    }
    bool waitForCall() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 20s, [&] { return calls > 0; });
    }

    // Read after waitForCall and a drain of the working queue.
    int calls = 0;
    bool onWorkingQueue = false;
    FileSeparatorForContainer* separator = nullptr;
    FileItemsByHash result;
    std::shared_ptr<DuplicatesContainer> container;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

}  // namespace

TEST(FileSeparatorForContainer, SetsOfTwoOrMoreBecomeGroupsOfTheirKind) {
    TempDir dir;
    auto root = VolumeSystemItem::createRoot(dir.path(), 0, 0);
    std::vector<FileSystemItem*> items;
    auto add = [&](const std::string& folder, const std::string& name, const std::string& content) {
        auto* parent = static_cast<FolderSystemItem*>(root->childWithName(folder));
        if (!parent) parent = FolderSystemItem::createFolder(folder, root.get(), 0, false, 0, false, 0);
        dir.writeFile(folder + "/" + name, content);
        auto size = static_cast<std::int64_t>(content.size());
        items.push_back(FileSystemItem::createFile(name, parent, size, 0, false, size));
    };
    add("a", "photo.jpg", std::string(3000, 'p'));
    add("b", "photo.jpg", std::string(3000, 'p'));
    add("c", "copy.jpg", std::string(3000, 'p'));
    add("a", "notes.txt", std::string(3000, 'n'));
    add("b", "notes.txt", std::string(3000, 'n'));
    add("c", "single.jpg", std::string(3000, 's'));

    auto container = std::make_shared<DuplicatesContainer>(false, nullptr);
    auto listener = std::make_shared<ContainerListener>();
    auto separator = FileSeparatorForContainer::create();
    separator->separateItems(items, container, listener);
    ASSERT_TRUE(listener->waitForCall());
    FileSeparator::workingQueue()->sync([] {});

    EXPECT_EQ(listener->calls, 1);
    EXPECT_TRUE(listener->onWorkingQueue);
    EXPECT_EQ(listener->separator, separator.get());
    EXPECT_EQ(listener->container, container);
    EXPECT_EQ(listener->result.size(), 3u);  // sets of one file are reported too

    ASSERT_EQ(container->getCategoryWithType(FileTypeImage)->getGroupsCount(), 1u);
    EXPECT_EQ(container->getCategoryWithType(FileTypeImage)->getGroups().front()->getFileSystemItems().size(), 3u);
    EXPECT_EQ(container->getCategoryWithType(typeOfFileAtPath("notes.txt"))->getGroupsCount(), 1u);
    listener->container.reset();
}

TEST(FileSeparatorForContainer, StopReportsEmptyAndAddsNothing) {
    TempDir dir;
    auto root = VolumeSystemItem::createRoot(dir.path(), 0, 0);
    std::vector<FileSystemItem*> items;
    for (int i = 0; i < 40; ++i) {
        std::string name = "f" + std::to_string(i) + ".jpg";
        dir.writeFile(name, std::string(50000, 'x'));
        items.push_back(FileSystemItem::createFile(name, root.get(), 50000, 0, false, 50000));
    }
    auto container = std::make_shared<DuplicatesContainer>(false, nullptr);
    auto listener = std::make_shared<ContainerListener>();
    auto separator = FileSeparatorForContainer::create();

    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    FileSeparator::workingQueue()->async([released] { released.wait(); });
    separator->separateItems(items, container, listener);
    separator->stop();
    release.set_value();

    ASSERT_TRUE(listener->waitForCall());
    std::this_thread::sleep_for(100ms);
    FileSeparator::workingQueue()->sync([] {});
    EXPECT_EQ(listener->calls, 1);
    EXPECT_TRUE(listener->result.empty());
    EXPECT_EQ(container->getCategoryWithType(FileTypeImage)->getGroupsCount(), 0u);
    listener->container.reset();
}
