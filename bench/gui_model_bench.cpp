// Builds 100 000 duplicate groups of two copies in memory (no files on disk) and times the window's groups
// model over them: showing the category (sorted by size), sorting by name, filtering, clearing the filter,
// and reading the rows of one screen. Prints "gui_model groups=N show_s=… sort_name_s=… filter_s=…
// unfilter_s=… screen_ms=…".
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <string>
#include <vector>

#include "gui/GroupsModel.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "scan/FolderSystemItem.h"
#include "scan/VolumeSystemItem.h"
#include "settings/Settings.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int groupCount = argc > 1 ? std::stoi(argv[1]) : 100000;
    Settings::setStandard(std::make_shared<Settings>(std::string()));

    auto root = VolumeSystemItem::createRoot("/bench/home", 0, 0);
    std::vector<FolderSystemItem*> folders;
    for (int i = 0; i < 400; ++i)
        folders.push_back(FolderSystemItem::createFolder("set " + std::to_string(i), root.get(), 0, false, 0, false, 0));
    auto container = std::make_shared<DuplicatesContainer>(false, nullptr);
    for (int g = 0; g < groupCount; ++g) {
        const std::string name = "photo " + std::to_string(g) + ".jpg";
        std::vector<FileSystemItem*> nodes;
        for (std::size_t k = 0; k < 2; ++k) {
            FolderSystemItem* parent = folders[(static_cast<std::size_t>(g) * 7 + k * 131) % folders.size()];
            nodes.push_back(FileSystemItem::createFile(name, parent, 1000 + (g * 7919) % 100000, 0, false, 1000));
        }
        container->addGroupWithItems(nodes);
    }
    std::vector<std::unique_ptr<VolumeSystemItem>> roots;
    roots.push_back(std::move(root));
    container->saveRoots(std::move(roots));

    GroupsModel model;
    QElapsedTimer t;
    t.start();
    model.setCategory(container->getCategoryWithType(0));
    const double show = t.nsecsElapsed() / 1e9;
    t.restart();
    model.sort(GroupsModel::NameColumn, Qt::AscendingOrder);
    const double sortName = t.nsecsElapsed() / 1e9;
    t.restart();
    model.setFilterText(QStringLiteral("set 13"));
    const double filter = t.nsecsElapsed() / 1e9;
    const int filtered = model.rowCount();
    t.restart();
    model.setFilterText(QString());
    const double unfilter = t.nsecsElapsed() / 1e9;
    t.restart();
    int cells = 0;
    for (int row = 0; row < 40; ++row)
        for (int c = 0; c < GroupsModel::ColumnCount; ++c) cells += model.index(row, c).data().isValid() ? 1 : 0;
    const double screen = t.nsecsElapsed() / 1e6;
    std::printf("gui_model groups=%d shown=%d filtered=%d show_s=%.3f sort_name_s=%.3f filter_s=%.3f unfilter_s=%.3f "
                "screen_ms=%.2f cells=%d\n",
                groupCount, model.rowCount(), filtered, show, sortName, filter, unfilter, screen, cells);
    return 0;
}
