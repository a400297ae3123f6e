#include "gui/ResultsView.h"

#include <QDateTime>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPixmap>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/WindowController.h"
#include "gui/DesktopActions.h"
#include "gui/GroupsModel.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"

namespace {
constexpr QSize kPreviewSize(280, 220);

QString categoryName(int type) {
    switch (type) {
        case 0: return QStringLiteral("Images");
        case 1: return QStringLiteral("Videos");
        case 2: return QStringLiteral("Music");
        case 3: return QStringLiteral("Documents");
        case 4: return QStringLiteral("Archives");
        case 5: return QStringLiteral("Other");
        case 6: return QStringLiteral("Folders");
        default: return {};
    }
}

QString dateText(const QDateTime& date) {
    return date.isValid() ? QLocale::system().toString(date, QLocale::ShortFormat) : QStringLiteral("—");
}
}  // namespace

const std::vector<int>& ResultsView::categoryOrder() {
    static const std::vector<int> order{0, 1, 2, 3, 4, 5, 6};
    return order;
}

ResultsView::ResultsView(WindowController& controller, QWidget* parent)
    : QWidget(parent), m_controller(controller), m_pModel(new GroupsModel(this)) {
    m_pCategories = new QListWidget;
    m_pCategories->setMinimumWidth(190);
    m_pCategories->setSpacing(2);

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
    m_pTree->setTextElideMode(Qt::ElideMiddle);  // a path differs at its end
    m_pTree->header()->setStretchLastSection(false);
    m_pTree->header()->setSectionResizeMode(GroupsModel::NameColumn, QHeaderView::Stretch);
    for (int c = GroupsModel::CopiesColumn; c < GroupsModel::ColumnCount; ++c)
        m_pTree->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);

    auto* top = new QHBoxLayout;
    top->addWidget(m_pSummary, 1);
    top->addWidget(m_pFilter);
    auto* center = new QWidget;
    auto* centerLayout = new QVBoxLayout(center);
    centerLayout->setContentsMargins(0, 0, 0, 0);
    centerLayout->addLayout(top);
    centerLayout->addWidget(m_pTree, 1);

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
    layout->addWidget(splitter);

    connect(m_pCategories, &QListWidget::currentRowChanged, this, &ResultsView::chooseCategory);
    connect(m_pFilter, &QLineEdit::textChanged, m_pModel, &GroupsModel::setFilterText);
    connect(m_pTree->selectionModel(), &QItemSelectionModel::currentChanged, this, &ResultsView::showDetails);
    connect(m_pModel, &QAbstractItemModel::modelReset, this, &ResultsView::showDetails);
    // Enter or a double click on a member opens it; on a group row they open or close the group.
    connect(m_pTree, &QTreeView::activated, this, [this](const QModelIndex& index) {
        if (auto member = m_pModel->memberAt(index)) desktop_actions::open(QString::fromStdString(member->getFileItemPath()));
    });
    connect(m_pOpen, &QPushButton::clicked, this, [this] { desktop_actions::open(m_currentPath); });
    connect(m_pShowInFolder, &QPushButton::clicked, this, [this] { desktop_actions::showInFolder(m_currentPath); });
    showDetails();
}

void ResultsView::clear() {
    m_previews.cancel();
    m_pModel->setCategory(nullptr);
    m_pCategories->clear();
    m_pContainer.reset();
}

void ResultsView::showResults() {
    clear();
    m_pContainer = m_controller.container();
    if (!m_pContainer) return;
    int biggest = 0;
    std::int64_t biggestSize = -1;
    for (int type : categoryOrder()) {
        DuplicatesCategory* category = m_pContainer->getCategoryWithType(type);
        const std::int64_t size = category ? category->getTotalSize() : 0;
        const std::size_t groups = category ? category->getGroupsCount() : 0;
        auto* item = new QListWidgetItem(QStringLiteral("%1\n%2 · %3 groups")
                                             .arg(categoryName(type), GroupsModel::formatSize(size))
                                             .arg(groups));
        if (groups == 0) item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
        m_pCategories->addItem(item);
        if (size > biggestSize) {
            biggestSize = size;
            biggest = m_pCategories->count() - 1;
        }
    }
    m_pSummary->setText(QStringLiteral("Duplicates: %1").arg(GroupsModel::formatSize(m_pContainer->getAllFilesSize())));
    m_pCategories->setCurrentRow(biggest);
}

void ResultsView::chooseCategory(int row) {
    if (!m_pContainer || row < 0 || static_cast<std::size_t>(row) >= categoryOrder().size()) {
        m_pModel->setCategory(nullptr);
        return;
    }
    m_pModel->setCategory(m_pContainer->getCategoryWithType(categoryOrder()[row]));
    // The biggest group opens with its first copy current, so the details show something at once.
    if (m_pModel->rowCount() > 0) {
        const QModelIndex first = m_pModel->index(0, 0);
        m_pTree->expand(first);
        m_pTree->setCurrentIndex(m_pModel->rowCount(first) > 0 ? m_pModel->index(0, 0, first) : first);
    }
}

void ResultsView::showDetails() {
    const QModelIndex current = m_pTree->currentIndex();
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
