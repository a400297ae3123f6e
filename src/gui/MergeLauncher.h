// Puts "Merge…" into the Folders view: a button beside the ranking and an item of the folder list's
// context menu, both opening the merge dialog for the current heap or group of identical folders.
// Main thread only.
#pragma once

class FoldersModel;
class QBoxLayout;
class QTreeView;
class WindowController;

namespace merge_launcher {
void install(QTreeView* foldersTree, FoldersModel* model, QBoxLayout* buttonRow, WindowController& controller);
}  // namespace merge_launcher
