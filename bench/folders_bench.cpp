// Times the duplicate-folder search over a tree built in memory (no files on disk) where thousands of
// folders look alike by size and file count but hold unique files, as camera and capture folders of
// fixed-size files do, beside a few pairs of true duplicate folders. A folder holding a file already
// found unique can be no copy: such folders must never become candidates, or the search compares them
// all with each other. Prints "folders lookalikes=N pairs=P candidates=C duplicate_folders=D seconds=S".
#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "detection/DuplicatesFolderFilter.h"
#include "detection/FileType.h"
#include "detection/SimpleFolderInfo.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"

namespace {
class Listener : public DuplicatesFolderFilterListener {
public:
    void onFoundDuplicatesFoldersWithTotalSize(std::uint64_t, float, std::uint64_t) override {}
    void onUpdateSizesUsingContainer(const std::shared_ptr<DuplicatesContainer>&) override {}
    void onDuplicatedFolderFilteringCompleteWithContainer(std::shared_ptr<DuplicatesContainer>) override { done = true; }
    std::atomic<bool> done{false};
};


struct Scene {
    std::shared_ptr<DuplicatesContainer> container = std::make_shared<DuplicatesContainer>(false, nullptr);
    FolderSystemItem* top = nullptr;
};

Scene makeScene(int lookalikes, int pairs) {
    constexpr int kFilesPerFolder = 8;
    constexpr std::int64_t kFileSize = 25'000'000;
    auto root = VolumeSystemItem::createRoot("/bench/home", 0, 0);
    FolderSystemItem* captures = FolderSystemItem::createFolder("Captures", root.get(), 0, false, 0, false, 0);
    for (int i = 0; i < lookalikes; ++i) {
        FolderSystemItem* f = FolderSystemItem::createFolder("take " + std::to_string(i), captures, 0, false, 0, false, 0);
        for (int k = 0; k < kFilesPerFolder; ++k)
            FileSystemItem::createFile("frame" + std::to_string(k) + ".raw", f, kFileSize, 0, false, kFileSize)
                ->setIsCheckedForDuplicates(true);  // compared with every file of its size and found unique
    }
    std::vector<std::vector<FileSystemItem*>> groups;
    FolderSystemItem* backup = FolderSystemItem::createFolder("Backup", root.get(), 0, false, 0, false, 0);
    for (int p = 0; p < pairs; ++p) {
        const std::string name = "album " + std::to_string(p);
        FolderSystemItem* original = FolderSystemItem::createFolder(name, root.get(), 0, false, 0, false, 0);
        FolderSystemItem* copy = FolderSystemItem::createFolder(name, backup, 0, false, 0, false, 0);
        for (int k = 0; k < 3; ++k) {
            const std::string file = "photo" + std::to_string(k) + ".jpg";
            const std::int64_t size = 100000 + p * 10 + k;
            groups.push_back({FileSystemItem::createFile(file, original, size, 0, false, size),
                              FileSystemItem::createFile(file, copy, size, 0, false, size)});
        }
    }
    root->calctotalsizeex();
    root->recalculateCountOfDeepChildren();
    Scene scene;
    for (auto& g : groups) {
        for (FileSystemItem* f : g) f->setIsCheckedForDuplicates(true);
        scene.container->addGroupWithItems(g);
    }
    scene.top = root.get();
    std::vector<std::unique_ptr<VolumeSystemItem>> roots;
    roots.push_back(std::move(root));
    scene.container->saveRoots(std::move(roots));
    return scene;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int lookalikes = argc > 1 ? std::stoi(argv[1]) : 20000;
    const int pairs = 50;
    // Picking the candidates marks the folders it rules out, so the timed search gets a fresh tree.
    Scene counted = makeScene(lookalikes, pairs);
    const std::size_t candidates =
        DuplicatesFolderFilter::create(counted.container, 0)->setWithFoldersTreeInfoOfFolders({counted.top}, false).size();

    Scene scene = makeScene(lookalikes, pairs);
    auto filter = DuplicatesFolderFilter::create(scene.container, 0);
    auto listener = std::make_shared<Listener>();
    filter->setListener(listener);
    QElapsedTimer timer;
    timer.start();
    filter->findFoldersDuplicatesInRoots({scene.top}, false);
    while (!listener->done) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::yield();
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("folders lookalikes=%d pairs=%d candidates=%zu duplicate_folders=%llu seconds=%.3f\n", lookalikes, pairs,
                candidates,
                static_cast<unsigned long long>(scene.container->getCategoryWithType(FileTypeFolder)->getGroupsCount()),
                seconds);
    return 0;
}
