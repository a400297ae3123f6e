// The results screen: a sidebar of categories with their sizes and progress bars, the groups of the
// chosen category in a sortable, filterable tree (for Folders: the duplicate folders and heaps by
// ranking), and a details pane for the current member or folder (preview, size, dates, full path,
// Open, Show in Folder), with the selection strip above (Auto Select, its preview, the totals) and the
// selection commands in the context menus of members, groups and folders. Main thread only.
#pragma once

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "app/FoldersOverview.h"
#include "gui/PreviewLoader.h"

class DuplicatesContainer;
class FoldersModel;
class GroupsModel;
class QComboBox;
class QStackedWidget;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
struct CategorySummary;
class QPushButton;
class QTreeView;
class SelectionBar;
class WindowController;

class ResultsView : public QWidget {
public:
    ResultsView(WindowController& controller, QWidget* parent = nullptr);
    ~ResultsView() override;

    // Shows the controller's current container, the biggest category first chosen.
    void showResults();
    // Drops every link into the container (before it goes away).
    void clear();
    // Reads the container again after copies left it: the sidebar, the totals and the chosen category's
    // groups (a group left with one copy is no longer shown).
    void refreshAfterRemoval();
    // Remove Selected: the entry point of every removal from the results (Auto Select's Review & Remove too).
    void removeSelected();
    // While a removal waits for the background readers of the results or runs, none starts: the Auto
    // Select preview and the heaps of the Folders view are made once, when the hold ends.
    void holdReaders(bool hold);
    GroupsModel* model() const { return m_pModel; }
    QTreeView* tree() const { return m_pTree; }
    QListWidget* categories() const { return m_pCategories; }
    QLineEdit* filter() const { return m_pFilter; }
    FoldersModel* foldersModel() const { return m_pFoldersModel; }
    QTreeView* foldersTree() const { return m_pFoldersTree; }
    QComboBox* rankings() const { return m_pRankings; }
    SelectionBar* selectionBar() const { return m_pSelectionBar; }
    // The category types in sidebar order.
    static const std::vector<int>& categoryOrder();
    // Chooses the sidebar row of this category type.
    void chooseCategoryType(int type);
    // The category shown first with new results, instead of the biggest (-1: the biggest).
    void setFirstCategoryType(int type) { m_nFirstCategoryType = type; }
    // The ranking the Folders view starts on.
    void setFolderRanking(FolderRanking ranking);

private:
    // Sets a sidebar row's texts and bar shares from its summary.
    static void describeCategory(QListWidgetItem* item, const CategorySummary& row);
    void chooseCategory(int row);
    void chooseRanking(int index);
    void heapsArrived();
    void updateFoldersNote();
    void showDetails();
    void showFolderDetails(const std::string& path, std::int64_t size);
    // The sidebar's texts, shares and selection totals, read again.
    void refreshCategories();
    void reloadAfterResultsChanged();
    // False while background work reads the results (the Auto Select preview, the heaps) or a removal
    // holds them.
    bool resultsMayChange() const;
    void computeHeaps();
    void showGroupsMenu(const QPoint& at);
    void showFoldersMenu(const QPoint& at);

    WindowController& m_controller;
    std::shared_ptr<DuplicatesContainer> m_pContainer;
    GroupsModel* m_pModel;
    FoldersModel* m_pFoldersModel;
    std::unique_ptr<FoldersOverview> m_pOverview;  // made when Folders is first chosen
    QListWidget* m_pCategories;
    QStackedWidget* m_pCenter;
    QComboBox* m_pRankings;
    QTreeView* m_pFoldersTree;
    QLabel* m_pFoldersNote;
    QLineEdit* m_pFilter;
    QTreeView* m_pTree;
    SelectionBar* m_pSelectionBar;
    QLabel* m_pSummary;
    QLabel* m_pPreview;
    QLabel* m_pName;
    QLabel* m_pSize;
    QLabel* m_pModified;
    QLabel* m_pCreated;
    QLabel* m_pPath;
    QPushButton* m_pOpen;
    QPushButton* m_pShowInFolder;
    QString m_currentPath;
    int m_nFirstCategoryType = -1;
    bool m_bReadersHeld = false;
    PreviewLoader m_previews;
};
