// Removes 10 000 small selected copies (one of each pair of identical files) to the Trash with one
// removal run, in a temporary HOME/XDG_DATA_HOME it sets itself, and prints
// "remove copies=N seconds=S verify=1". An argument gives another count of copies.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>

#include "platform/FileRemover.h"
#include "removal/DuplicateItemsRemover.h"
#include "removal/DuplicateItemsRemoverDelegate.h"
#include "removal/RemoveErrorInfo.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "scan/FileSystemItem.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"

namespace {
class Delegate : public DuplicateItemsRemoverDelegate {
public:
    bool isRemoverCanStart(DuplicateItemsRemover&) override { return true; }
    void onRemoverFinishWork(DuplicateItemsRemover&) override { QCoreApplication::quit(); }
};
}  // namespace

int main(int argc, char** argv) {
    const int copies = argc > 1 ? std::atoi(argv[1]) : 10000;
    char base[] = "/tmp/dorvane-remove-bench-XXXXXX";
    if (!mkdtemp(base)) return 1;
    const std::string home = base;
    // Never the real home, Trash or settings.
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    QCoreApplication app(argc, argv);

    const std::string data = home + "/data";
    mkdir(data.c_str(), 0755);
    auto container = std::make_shared<DuplicatesContainer>(false, nullptr);
    auto root = VolumeSystemItem::createRoot(data, 0, 0);
    std::vector<std::pair<FileSystemItem*, FileSystemItem*>> pairs;
    for (int f = 0; f * 100 < copies; ++f) {
        const std::string folderName = "f" + std::to_string(f);
        mkdir((data + "/" + folderName).c_str(), 0755);
        auto* folder = FolderSystemItem::createFolder(folderName, root.get(), 0, false, 0, false, 0);
        for (int i = 0; i < 100 && f * 100 + i < copies; ++i) {
            const std::string content = "small file " + std::to_string(f * 100 + i) + "\n";
            FileSystemItem* pair[2];
            for (int k = 0; k < 2; ++k) {
                const std::string name = "n" + std::to_string(i) + (k ? "-copy.txt" : ".txt");
                std::ofstream(data + "/" + folderName + "/" + name) << content;
                const auto size = static_cast<std::int64_t>(content.size());
                pair[k] = FileSystemItem::createFile(name, folder, size, 0, false, size);
            }
            pairs.emplace_back(pair[0], pair[1]);
        }
    }
    for (auto& [kept, copy] : pairs) {
        auto group = container->addGroupWithItems({kept, copy});
        for (const auto& item : group->getItems())
            if (item->getFileSystemItem() == copy) item->selectItemForced(false);
    }
    std::vector<std::unique_ptr<VolumeSystemItem>> roots;
    roots.push_back(std::move(root));
    container->saveRoots(std::move(roots));

    auto delegate = std::make_shared<Delegate>();
    auto run = DuplicateItemsRemover::create(delegate, nullptr, container, true);
    QElapsedTimer timer;
    timer.start();
    run->removeItemsInRemoveList();
    if (!run->isFinished()) app.exec();
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("remove copies=%lld seconds=%.3f verify=%d errors=%zu\n", static_cast<long long>(run->totalRemovedCount()),
                seconds, run->verifyBeforeRemove() ? 1 : 0, run->removeErrors().size());
    FileRemover::standard().removeItem(home);
    return run->totalRemovedCount() == copies ? 0 : 1;
}
