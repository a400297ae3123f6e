// The results screen: a sidebar of categories with their sizes, the groups of the chosen category in a
// sortable, filterable tree, and a details pane for the current member (preview, size, dates, full
// path, Open, Show in Folder). Main thread only.
#pragma once

#include <QWidget>

#include <memory>
#include <vector>

#include "gui/PreviewLoader.h"

class DuplicatesContainer;
class GroupsModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeView;
class WindowController;

class ResultsView : public QWidget {
public:
    ResultsView(WindowController& controller, QWidget* parent = nullptr);

    // Shows the controller's current container, the biggest category first chosen.
    void showResults();
    // Drops every link into the container (before it goes away).
    void clear();
    GroupsModel* model() const { return m_pModel; }
    QTreeView* tree() const { return m_pTree; }
    QListWidget* categories() const { return m_pCategories; }
    QLineEdit* filter() const { return m_pFilter; }
    // The category types in sidebar order.
    static const std::vector<int>& categoryOrder();

private:
    void chooseCategory(int row);
    void showDetails();

    WindowController& m_controller;
    std::shared_ptr<DuplicatesContainer> m_pContainer;
    GroupsModel* m_pModel;
    QListWidget* m_pCategories;
    QLineEdit* m_pFilter;
    QTreeView* m_pTree;
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
    PreviewLoader m_previews;
};
