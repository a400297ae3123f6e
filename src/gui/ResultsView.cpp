#include "gui/ResultsView.h"

#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

#include "app/CategorySummary.h"
#include "app/FoldersOverview.h"
#include "app/WindowController.h"
#include "gui/CategoryDelegate.h"
#include "gui/DesktopActions.h"
#include "gui/FoldersModel.h"
#include "gui/GroupsModel.h"
#include "gui/MergeLauncher.h"
#include "gui/SelectionBar.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"

namespace {
constexpr QSize kPreviewSize(280, 220);

constexpr int kFolderType = 6;

QString dateText(const QDateTime& date) {
    return date.isValid() ? QLocale::system().toString(date, QLocale::ShortFormat) : QStringLiteral("—");
}
}  // namespace

const std::vector<int>& ResultsView::categoryOrder() { return CategorySummary::order(); }

ResultsView::ResultsView(WindowController& controller, QWidget* parent)
    : QWidget(parent), m_controller(controller), m_pModel(new GroupsModel(this)), m_pFoldersModel(new FoldersModel(this)) {
    m_pCategories = new QListWidget;
    m_pCategories->setMinimumWidth(190);
    m_pCategories->setSpacing(2);
    m_pCategories->setItemDelegate(new CategoryDelegate(m_pCategories));
    m_pCategories->setUniformItemSizes(true);

    m_pSummary = new QLabel;
    m_pFilter = new QLineEdit;
    m_pFilter->setPlaceholderText(QStringLiteral("Filter by name or path"));
    m_pFilter->setClearButtonEnabled(true);
    m_pFilter->setMinimumWidth(280);
    m_pTree = new QTreeView;
    m_pTree->setModel(m_pModel);
    m_pTree->setUniformRowHeights(true);
    m_pTree->setSortingEnabled(true);
    m_pTree->sortByColumn(GroupsModel::SizeColumn, Qt::DescendingOrder);
    m_pTree->setAlternatingRowColors(true);
    m_pTree->setTextElideMode(Qt::ElideLeft);  // paths differ at their ends
    m_pTree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pSelectionBar = new SelectionBar([this] {
        m_pModel->selectionChanged();
        refreshCategories();
    }, [this] { reloadAfterResultsChanged(); });
    m_pModel->setSelectionController(&m_pSelectionBar->controller());
    // A refused check box is the current row's, clicked or toggled with Space.
    m_pSelectionBar->setTipAnchor([this] {
        const QRect row = m_pTree->visualRect(m_pTree->currentIndex());
        return m_pTree->viewport()->mapToGlobal(row.isValid() ? row.bottomLeft() + QPoint(40, 0) : QPoint());
    });
    m_pTree->header()->setStretchLastSection(false);
    m_pTree->header()->setSectionResizeMode(GroupsModel::NameColumn, QHeaderView::Stretch);
    for (int c = GroupsModel::CopiesColumn; c < GroupsModel::ColumnCount; ++c)
        m_pTree->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);

    auto* top = new QHBoxLayout;
    top->addWidget(m_pSummary, 1);
    top->addWidget(m_pFilter);
    auto* groupsPage = new QWidget;
    auto* groupsLayout = new QVBoxLayout(groupsPage);
    groupsLayout->setContentsMargins(0, 0, 0, 0);
    groupsLayout->addLayout(top);
    groupsLayout->addWidget(m_pTree, 1);

    // The Folders category: duplicate folders and heaps, one ranking at a time.
    m_pRankings = new QComboBox;
    for (int r = 0; r < FoldersOverview::kRankingCount; ++r)
        m_pRankings->addItem(QString::fromUtf8(FoldersOverview::title(static_cast<FolderRanking>(r))));
    m_pFoldersNote = new QLabel;
    m_pFoldersNote->setWordWrap(true);
    m_pFoldersTree = new QTreeView;
    m_pFoldersTree->setModel(m_pFoldersModel);
    m_pFoldersTree->setUniformRowHeights(true);
    m_pFoldersTree->setSortingEnabled(true);
    m_pFoldersTree->sortByColumn(FoldersModel::SizeColumn, Qt::DescendingOrder);
    m_pFoldersTree->setAlternatingRowColors(true);
    m_pFoldersTree->setTextElideMode(Qt::ElideLeft);
    m_pFoldersTree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pFoldersTree->header()->setStretchLastSection(false);
    m_pFoldersTree->header()->setSectionResizeMode(FoldersModel::NameColumn, QHeaderView::Stretch);
    for (int c = FoldersModel::CountColumn; c < FoldersModel::ColumnCount; ++c)
        m_pFoldersTree->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    auto* rankingRow = new QHBoxLayout;
    rankingRow->addWidget(new QLabel(QStringLiteral("Show:")));
    rankingRow->addWidget(m_pRankings);
    rankingRow->addWidget(m_pFoldersNote, 1);
    merge_launcher::install(m_pFoldersTree, m_pFoldersModel, rankingRow, m_controller);
    auto* foldersPage = new QWidget;
    auto* foldersLayout = new QVBoxLayout(foldersPage);
    foldersLayout->setContentsMargins(0, 0, 0, 0);
    foldersLayout->addLayout(rankingRow);
    foldersLayout->addWidget(m_pFoldersTree, 1);

    m_pCenter = new QStackedWidget;
    m_pCenter->addWidget(groupsPage);
    m_pCenter->addWidget(foldersPage);
    QWidget* center = m_pCenter;

    m_pPreview = new QLabel;
    m_pPreview->setAlignment(Qt::AlignCenter);
    m_pPreview->setMinimumSize(kPreviewSize);
    m_pPreview->setFrameShape(QFrame::StyledPanel);
    m_pName = new QLabel;
    m_pName->setWordWrap(true);
    QFont bold = m_pName->font();
    bold.setBold(true);
    m_pName->setFont(bold);
    m_pSize = new QLabel;
    m_pModified = new QLabel;
    m_pCreated = new QLabel;
    m_pPath = new QLabel;
    m_pPath->setWordWrap(true);
    m_pPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pOpen = new QPushButton(QStringLiteral("Open"));
    m_pShowInFolder = new QPushButton(QStringLiteral("Show in Folder"));
    auto* form = new QFormLayout;
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    form->addRow(QStringLiteral("Size:"), m_pSize);
    form->addRow(QStringLiteral("Modified:"), m_pModified);
    form->addRow(QStringLiteral("Created:"), m_pCreated);
    form->addRow(QStringLiteral("Path:"), m_pPath);
    auto* actions = new QHBoxLayout;
    actions->addWidget(m_pOpen);
    actions->addWidget(m_pShowInFolder);
    auto* details = new QWidget;
    details->setMinimumWidth(300);
    auto* detailsLayout = new QVBoxLayout(details);
    detailsLayout->setContentsMargins(0, 0, 0, 0);
    detailsLayout->addWidget(m_pPreview);
    detailsLayout->addWidget(m_pName);
    detailsLayout->addLayout(form);
    detailsLayout->addLayout(actions);
    detailsLayout->addStretch(1);

    auto* splitter = new QSplitter;
    splitter->addWidget(m_pCategories);
    splitter->addWidget(center);
    splitter->addWidget(details);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({200, 660, 300});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(m_pSelectionBar);
    layout->addWidget(splitter, 1);

    connect(m_pCategories, &QListWidget::currentRowChanged, this, &ResultsView::chooseCategory);
    connect(m_pFilter, &QLineEdit::textChanged, m_pModel, &GroupsModel::setFilterText);
    connect(m_pTree->selectionModel(), &QItemSelectionModel::currentChanged, this, &ResultsView::showDetails);
    connect(m_pModel, &QAbstractItemModel::modelReset, this, &ResultsView::showDetails);
    connect(m_pRankings, &QComboBox::currentIndexChanged, this, &ResultsView::chooseRanking);
    connect(m_pFoldersTree->selectionModel(), &QItemSelectionModel::currentChanged, this, &ResultsView::showDetails);
    connect(m_pFoldersModel, &QAbstractItemModel::modelReset, this, &ResultsView::showDetails);
    connect(m_pFoldersTree, &QTreeView::activated, this, [this](const QModelIndex& index) {
        if (index.parent().isValid())
            desktop_actions::open(QString::fromStdString(m_pFoldersModel->folderPathAt(index)));
    });
    // Enter or a double click on a member opens it; on a group row they open or close the group.
    connect(m_pTree, &QTreeView::activated, this, [this](const QModelIndex& index) {
        if (auto member = m_pModel->memberAt(index)) desktop_actions::open(QString::fromStdString(member->getFileItemPath()));
    });
    connect(m_pTree, &QTreeView::customContextMenuRequested, this, &ResultsView::showGroupsMenu);
    connect(m_pFoldersTree, &QTreeView::customContextMenuRequested, this, &ResultsView::showFoldersMenu);
    connect(m_pSelectionBar->autoSelectButton(), &QPushButton::clicked, this,
            [this] { m_pSelectionBar->autoSelectListed(m_pFilter->text()); });
    connect(m_pOpen, &QPushButton::clicked, this, [this] { desktop_actions::open(m_currentPath); });
    connect(m_pShowInFolder, &QPushButton::clicked, this, [this] { desktop_actions::showInFolder(m_currentPath); });
    showDetails();
}

ResultsView::~ResultsView() { clear(); }

void ResultsView::clear() {
    m_previews.cancel();
    m_pModel->setCategory(nullptr);
    m_pFoldersModel->setOverview(nullptr);
    m_pOverview.reset();
    m_pCategories->clear();
    m_pSelectionBar->setContainer(nullptr);
    m_pContainer.reset();
}

void ResultsView::showResults() {
    clear();
    m_pContainer = m_controller.container();
    if (!m_pContainer) return;
    m_pSelectionBar->setContainer(m_pContainer);
    int biggest = 0;
    std::int64_t biggestSize = -1;
    for (const CategorySummary& row : CategorySummary::of(m_pContainer.get())) {
        m_pCategories->addItem(new QListWidgetItem);
        if (row.size > biggestSize) {
            biggestSize = row.size;
            biggest = m_pCategories->count() - 1;
        }
    }
    refreshCategories();
    m_pSummary->setText(QStringLiteral("Duplicates: %1").arg(GroupsModel::formatSize(m_pContainer->getAllFilesSize())));
    m_pCategories->setCurrentRow(biggest);
    if (m_nFirstCategoryType >= 0) chooseCategoryType(m_nFirstCategoryType);
}

void ResultsView::refreshCategories() {
    const std::vector<CategorySummary> rows = CategorySummary::of(m_pContainer.get());
    for (std::size_t i = 0; i < rows.size() && static_cast<int>(i) < m_pCategories->count(); ++i) {
        const CategorySummary& row = rows[i];
        QListWidgetItem* item = m_pCategories->item(static_cast<int>(i));
        item->setText(QStringLiteral("%1\n%2").arg(QString::fromStdString(row.name), QString::fromStdString(row.detailText())));
        item->setData(CategoryDelegate::DetailRole, QString::fromStdString(row.detailText()));
        item->setData(CategoryDelegate::SelectionRole, QString::fromStdString(row.selection.shortText()));
        item->setData(CategoryDelegate::SelectedShareRole, row.selectedShare);
        item->setData(CategoryDelegate::AllCopiesShareRole, row.selectedAllCopiesShare);
        item->setData(CategoryDelegate::KeptShareRole, row.keptShare);
        item->setData(CategoryDelegate::EmptyRole, row.groups == 0);
        item->setToolTip(QStringLiteral("%1: %2 in duplicates; selected to remove: %3 %")
                             .arg(QString::fromStdString(row.name), GroupsModel::formatSize(row.size))
                             .arg(QString::number(100.0 * (row.selectedShare + row.selectedAllCopiesShare), 'f', 0)));
    }
}

void ResultsView::reloadAfterResultsChanged() {
    if (!m_pContainer) return;
    m_pModel->reload();
    // The folder lists are made again when the Folders category is shown next (now, if it is).
    m_pFoldersModel->setOverview(nullptr);
    m_pOverview.reset();
    if (m_pCenter->currentIndex() == 1) chooseCategory(m_pCategories->currentRow());
    refreshCategories();
    m_pSummary->setText(QStringLiteral("Duplicates: %1").arg(GroupsModel::formatSize(m_pContainer->getAllFilesSize())));
}

bool ResultsView::resultsMayChange() const {
    return !m_bReadersHeld && m_pSelectionBar->controller().canChangeResults();
}

void ResultsView::holdReaders(bool hold) {
    if (hold == m_bReadersHeld) return;
    m_bReadersHeld = hold;
    m_pSelectionBar->controller().holdPreviews(hold);
    if (!hold && m_pOverview && !m_pOverview->heapsRequested()) computeHeaps();
}

void ResultsView::computeHeaps() {
    if (m_bReadersHeld) return;
    m_pOverview->computeHeaps([this] { heapsArrived(); });
    updateFoldersNote();
}

void ResultsView::showGroupsMenu(const QPoint& at) {
    const QModelIndex index = m_pTree->indexAt(at);
    if (!index.isValid()) return;
    QMenu menu(this);
    if (auto member = m_pModel->memberAt(index))
        m_pSelectionBar->addMemberCommands(menu, member, resultsMayChange());
    else if (DuplicatesGroup* group = m_pModel->groupAt(index))
        m_pSelectionBar->addGroupCommands(menu, group->shared_from_this(), resultsMayChange());
    if (!menu.isEmpty()) menu.exec(m_pTree->viewport()->mapToGlobal(at));
}

void ResultsView::showFoldersMenu(const QPoint& at) {
    const QModelIndex index = m_pFoldersTree->indexAt(at);
    if (!index.isValid()) return;
    // The row clicked becomes the current one, so that the tree's own actions (Merge…) are about it.
    m_pFoldersTree->setCurrentIndex(index);
    QMenu menu(this);
    const FolderEntry* entry = m_pFoldersModel->entryAt(index);
    if (index.parent().isValid())
        m_pSelectionBar->addFolderCommands(menu, m_pFoldersModel->folderPathAt(index), resultsMayChange());
    else if (entry && entry->group)
        m_pSelectionBar->addGroupCommands(menu, entry->group, resultsMayChange());
    const auto treeActions = m_pFoldersTree->actions();
    if (!treeActions.isEmpty()) {
        if (!menu.isEmpty()) menu.addSeparator();
        menu.addActions(treeActions);
    }
    if (!menu.isEmpty()) menu.exec(m_pFoldersTree->viewport()->mapToGlobal(at));
}

void ResultsView::refreshAfterRemoval() {
    if (!m_pContainer) return;
    const auto rows = CategorySummary::of(m_pContainer.get());
    for (std::size_t i = 0; i < rows.size() && static_cast<int>(i) < m_pCategories->count(); ++i)
        describeCategory(m_pCategories->item(static_cast<int>(i)), rows[i]);
    m_pSummary->setText(QStringLiteral("Duplicates: %1").arg(GroupsModel::formatSize(m_pContainer->getAllFilesSize())));
    const int row = m_pCategories->currentRow();
    if (row >= 0 && static_cast<std::size_t>(row) < categoryOrder().size() && categoryOrder()[row] == kFolderType) {
        // Folder groups and heaps are computed again from what is left.
        m_pFoldersModel->setOverview(nullptr);
        m_pOverview.reset();
        chooseCategory(row);
        return;
    }
    // The current group stays current when it is still shown.
    DuplicatesGroup* current = m_pModel->groupAt(m_pTree->currentIndex());
    m_pModel->setCategory(row >= 0 && static_cast<std::size_t>(row) < categoryOrder().size()
                              ? m_pContainer->getCategoryWithType(categoryOrder()[row])
                              : nullptr);
    for (int r = 0; current && r < m_pModel->rowCount(); ++r) {
        const QModelIndex index = m_pModel->index(r, 0);
        if (m_pModel->groupAt(index) != current) continue;
        m_pTree->expand(index);
        m_pTree->setCurrentIndex(index);
        break;
    }
}

void ResultsView::describeCategory(QListWidgetItem* item, const CategorySummary& row) {
    item->setText(QStringLiteral("%1\n%2").arg(QString::fromStdString(row.name), QString::fromStdString(row.detailText())));
    item->setData(CategoryDelegate::DetailRole, QString::fromStdString(row.detailText()));
    item->setData(CategoryDelegate::SelectedShareRole, row.selectedShare);
    item->setData(CategoryDelegate::AllCopiesShareRole, row.selectedAllCopiesShare);
    item->setData(CategoryDelegate::KeptShareRole, row.keptShare);
    item->setData(CategoryDelegate::EmptyRole, row.groups == 0);
}

void ResultsView::removeSelected() { m_controller.removeSelected(); }

void ResultsView::chooseCategoryType(int type) {
    const auto& order = categoryOrder();
    auto at = std::find(order.begin(), order.end(), type);
    if (at != order.end()) m_pCategories->setCurrentRow(static_cast<int>(at - order.begin()));
}

void ResultsView::chooseCategory(int row) {
    if (!m_pContainer || row < 0 || static_cast<std::size_t>(row) >= categoryOrder().size()) {
        m_pModel->setCategory(nullptr);
        return;
    }
    const int type = categoryOrder()[row];
    if (type == kFolderType) {
        m_pModel->setCategory(nullptr);
        if (!m_pOverview) {
            m_pOverview = std::make_unique<FoldersOverview>(m_pContainer);
            m_pFoldersModel->setOverview(m_pOverview.get());
            computeHeaps();
        }
        m_pCenter->setCurrentIndex(1);
        chooseRanking(m_pRankings->currentIndex());
        return;
    }
    m_pCenter->setCurrentIndex(0);
    m_pModel->setCategory(m_pContainer->getCategoryWithType(type));
    // The biggest group opens with its first copy current, so the details show something at once.
    if (m_pModel->rowCount() > 0) {
        const QModelIndex first = m_pModel->index(0, 0);
        m_pTree->expand(first);
        m_pTree->setCurrentIndex(m_pModel->rowCount(first) > 0 ? m_pModel->index(0, 0, first) : first);
    }
}

void ResultsView::setFolderRanking(FolderRanking ranking) { m_pRankings->setCurrentIndex(static_cast<int>(ranking)); }

void ResultsView::chooseRanking(int index) {
    if (!m_pOverview || index < 0) return;
    m_pFoldersModel->setRanking(static_cast<FolderRanking>(index));
    updateFoldersNote();
    if (m_pFoldersModel->rowCount() > 0) {
        const QModelIndex first = m_pFoldersModel->index(0, 0);
        m_pFoldersTree->expand(first);
        m_pFoldersTree->setCurrentIndex(first);
    }
}

void ResultsView::heapsArrived() {
    if (m_pFoldersModel->ranking() != FolderRanking::DuplicateFolders) chooseRanking(m_pRankings->currentIndex());
    updateFoldersNote();
}

void ResultsView::updateFoldersNote() {
    const FolderRanking ranking = m_pFoldersModel->ranking();
    QString note;
    if (ranking != FolderRanking::DuplicateFolders && m_pOverview && !m_pOverview->heapsReady())
        note = QStringLiteral("Looking for heaps…");
    else if (ranking == FolderRanking::DuplicateFolders)
        note = QStringLiteral("%1 groups of identical folders").arg(m_pFoldersModel->entryCount());
    else if (ranking == FolderRanking::AllHeaps)
        note = QStringLiteral("%1 pairs of folders that share duplicates").arg(m_pFoldersModel->entryCount());
    else if (ranking == FolderRanking::BiggestHeaps)
        note = QStringLiteral("The pairs that hold the most duplicates");
    else
        note = QStringLiteral("Folders that share duplicates with one other folder only");
    m_pFoldersNote->setText(note);
}

void ResultsView::showFolderDetails(const std::string& path, std::int64_t size) {
    m_previews.cancel();
    m_pPreview->clear();
    m_currentPath = QString::fromStdString(path);
    const QFileInfo info(m_currentPath);
    m_pName->setText(info.fileName().isEmpty() ? m_currentPath : info.fileName());
    m_pSize->setText(size >= 0 ? QStringLiteral("%1 (%2 bytes)")
                                     .arg(GroupsModel::formatSize(size), QLocale::system().toString(static_cast<qlonglong>(size)))
                               : QStringLiteral("—"));
    m_pModified->setText(dateText(info.lastModified()));
    m_pCreated->setText(dateText(info.birthTime()));
    m_pPath->setText(m_currentPath);
    m_pOpen->setEnabled(true);
    m_pShowInFolder->setEnabled(true);
    m_pPreview->setText(QStringLiteral("Folder"));
}

void ResultsView::showDetails() {
    if (m_pCenter->currentIndex() == 1) {
        const QModelIndex current = m_pFoldersTree->currentIndex();
        const std::string path = m_pFoldersModel->folderPathAt(current);
        const FolderEntry* entry = m_pFoldersModel->entryAt(current);
        if (!path.empty() && entry) {
            // A group's folders are copies of one size; a heap's two folders have sizes of their own.
            showFolderDetails(path, entry->group ? static_cast<std::int64_t>(entry->group->oneItemDiskSize()) : -1);
            return;
        }
    }
    const QModelIndex current = m_pCenter->currentIndex() == 0 ? m_pTree->currentIndex() : QModelIndex();
    std::shared_ptr<DuplicateItem> member = m_pModel->memberAt(current);
    DuplicatesGroup* group = m_pModel->groupAt(current);
    if (!member && group) {
        auto members = group->getItems();
        if (!members.empty()) member = members.front();
    }
    m_previews.cancel();
    m_pPreview->clear();
    if (!member) {
        m_currentPath.clear();
        m_pName->setText(QStringLiteral("Choose a file to see its details."));
        for (QLabel* l : {m_pSize, m_pModified, m_pCreated, m_pPath}) l->clear();
        m_pOpen->setEnabled(false);
        m_pShowInFolder->setEnabled(false);
        return;
    }
    m_currentPath = QString::fromStdString(member->getFileItemPath());
    const QFileInfo info(m_currentPath);
    m_pName->setText(QString::fromStdString(member->getDisplayName()));
    m_pSize->setText(QStringLiteral("%1 (%2 bytes)")
                         .arg(GroupsModel::formatSize(member->getFileItemSize()),
                              QLocale::system().toString(static_cast<qlonglong>(member->getFileItemSize()))));
    const std::int64_t modified = member->getLastModificationDate();
    m_pModified->setText(dateText(modified > 0 ? QDateTime::fromSecsSinceEpoch(modified) : QDateTime()));
    m_pCreated->setText(dateText(info.birthTime()));
    m_pPath->setText(m_currentPath);
    m_pOpen->setEnabled(true);
    m_pShowInFolder->setEnabled(true);
    if (member->isDirectory()) {
        m_pPreview->setText(QStringLiteral("Folder"));
        return;
    }
    m_pPreview->setText(QStringLiteral("No preview"));
    m_previews.request(m_currentPath, kPreviewSize, [this](const QImage& image) {
        if (!image.isNull()) m_pPreview->setPixmap(QPixmap::fromImage(image));
    });
}
