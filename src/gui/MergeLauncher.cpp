#include "gui/MergeLauncher.h"

#include <QAction>
#include <QBoxLayout>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTreeView>

#include "app/WindowController.h"
#include "gui/FoldersModel.h"
#include "gui/MergeDialog.h"

namespace merge_launcher {
namespace {
bool isPair(const FolderEntry* entry) { return entry && (entry->heap || entry->folderPaths().size() >= 2); }
}  // namespace

void install(QTreeView* foldersTree, FoldersModel* model, QBoxLayout* buttonRow, WindowController& controller) {
    auto* button = new QPushButton(QStringLiteral("Merge…"));
    button->setToolTip(QStringLiteral("Move or copy what one folder lacks from the other"));
    button->setEnabled(false);
    buttonRow->addWidget(button);
    auto* action = new QAction(QStringLiteral("Merge…"), foldersTree);
    action->setEnabled(false);
    foldersTree->addAction(action);  // the folders' context menu ends with the tree's actions

    auto open = [foldersTree, model, &controller] {
        const FolderEntry* entry = model->entryAt(foldersTree->currentIndex());
        if (!isPair(entry)) return;
        MergeDialog* dialog = MergeDialog::create(controller.container(), *entry, foldersTree->window());
        if (!dialog) return;
        // After a merge the two folders are scanned again, for one of them to be chosen for removal.
        dialog->session().setReviewHandler(
            [&controller](const std::vector<std::string>& folders) { controller.startScanFolders(folders); });
        dialog->open();
    };
    QObject::connect(button, &QPushButton::clicked, foldersTree, open);
    QObject::connect(action, &QAction::triggered, foldersTree, open);
    auto update = [foldersTree, model, button, action] {
        const bool pair = isPair(model->entryAt(foldersTree->currentIndex()));
        button->setEnabled(pair);
        action->setEnabled(pair);
    };
    QObject::connect(foldersTree->selectionModel(), &QItemSelectionModel::currentChanged, foldersTree, update);
    QObject::connect(model, &QAbstractItemModel::modelReset, foldersTree, update);
}
}  // namespace merge_launcher
