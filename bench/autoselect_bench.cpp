// Builds 100 000 duplicate groups of three copies in memory (no files on disk) and times Auto Select over
// them: the whole command (cascade and selection) and the preview's contests. Prints
// "autoselect groups=N copies=C seconds=S selected=K preview_seconds=P".
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <string>
#include <vector>

#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"
#include "selection/AutoSelectPreview.h"
#include "selection/OperationsManager.h"
#include "settings/Settings.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int groupCount = argc > 1 ? std::stoi(argv[1]) : 100000;
    // Memory-only settings with one Always and one Never folder, so the folder decisions run too.
    auto settings = std::make_shared<Settings>(std::string());
    Settings::setStandard(settings);
    settings->setAutoAlwaysSelectFolders(std::vector<std::string>{"/bench/home/Downloads"});
    settings->setAutoNeverSelectFolders(std::vector<std::string>{"/bench/home/Archive/keep"});

    auto root = VolumeSystemItem::createRoot("/bench/home", 0, 0);
    const char* tops[] = {"Pictures", "Documents", "Downloads", "Music", "Archive"};
    std::vector<FolderSystemItem*> folders;
    for (const char* top : tops) {
        FolderSystemItem* t = FolderSystemItem::createFolder(top, root.get(), 0, false, 0, false, 0);
        for (int i = 0; i < 200; ++i) {
            FolderSystemItem* f =
                FolderSystemItem::createFolder((i % 10 == 0 ? "album " : "set ") + std::to_string(i) + (i % 7 == 0 ? " copy" : ""),
                                               t, 0, false, 0, false, 0);
            folders.push_back(f);
        }
        if (std::string(top) == "Archive") folders.push_back(FolderSystemItem::createFolder("keep", t, 0, false, 0, false, 0));
    }
    auto container = std::make_shared<DuplicatesContainer>(false, nullptr);
    std::vector<std::shared_ptr<DuplicatesGroup>> groups;
    groups.reserve(static_cast<std::size_t>(groupCount));
    std::uint64_t copies = 0;
    for (int g = 0; g < groupCount; ++g) {
        const std::string stem = "photo " + std::to_string(g);
        std::vector<std::string> names;
        switch (g % 5) {
            case 0: names = {stem + ".jpg", stem + " copy.jpg", "Copy of " + stem + ".jpg"}; break;
            case 1: names = {stem + " (1).jpg", stem + ".jpg", stem + " copy 2.jpg"}; break;
            case 2: names = {stem + ".jpg", stem + ".jpg", stem + ".jpg"}; break;  // parents and fallbacks decide
            case 3: names = {"IMG_" + std::to_string(g) + ".jpg", stem + ".jpg", stem + " kopie.jpg"}; break;
            default: names = {stem + " копия.jpg", stem + ".jpg", stem + " のコピー.jpg"}; break;
        }
        std::vector<FileSystemItem*> nodes;
        for (std::size_t k = 0; k < names.size(); ++k) {
            FolderSystemItem* parent = folders[(static_cast<std::size_t>(g) * 7 + k * 131) % folders.size()];
            nodes.push_back(FileSystemItem::createFile(names[k], parent, 1000 + g, 0, false, 1000 + g));
        }
        copies += nodes.size();
        if (auto group = container->addGroupWithItems(nodes)) groups.push_back(std::move(group));
    }
    std::vector<std::unique_ptr<VolumeSystemItem>> roots;
    roots.push_back(std::move(root));
    container->saveRoots(std::move(roots));

    std::vector<std::pair<std::shared_ptr<DuplicatesGroup>, std::vector<std::shared_ptr<DuplicateItem>>>> snapshot;
    for (const auto& group : groups) snapshot.emplace_back(group, group->getItems());
    QElapsedTimer previewTimer;
    previewTimer.start();
    const auto records = AutoSelectPreview::calculateNow(snapshot);
    const double previewSeconds = previewTimer.nsecsElapsed() / 1e9;

    OperationsManager operations;
    QElapsedTimer timer;
    timer.start();
    operations.performForceSelectForGroups(groups);
    const double seconds = timer.nsecsElapsed() / 1e9;

    std::int64_t selected = 0;
    for (const auto& group : groups) selected += group->getSelectedCountWithDuplicatesFolderContent();
    std::printf("autoselect groups=%zu copies=%llu seconds=%.3f selected=%lld preview_seconds=%.3f preview_groups=%zu\n",
                groups.size(), static_cast<unsigned long long>(copies), seconds, static_cast<long long>(selected),
                previewSeconds, records.size());
    return 0;
}
