#include "gui/WelcomeView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "app/WindowController.h"

WelcomeView::WelcomeView(WindowController& controller, QWidget* parent)
    : QWidget(parent), m_controller(controller) {
    setAcceptDrops(true);
    auto* title = new QLabel(QStringLiteral("Find duplicate files and folders"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);
    auto* hint = new QLabel(QStringLiteral("Add the folders to scan, or drop them here from the file manager."));
    hint->setWordWrap(true);

    m_pList = new QListWidget;
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setAlternatingRowColors(true);
    m_pList->installEventFilter(this);

    auto* add = new QPushButton(QStringLiteral("Add…"));
    m_pRemove = new QPushButton(QStringLiteral("Remove"));
    auto* recent = new QToolButton;
    recent->setText(QStringLiteral("Recent Folders"));
    recent->setPopupMode(QToolButton::InstantPopup);
    m_pRecentMenu = new QMenu(recent);
    recent->setMenu(m_pRecentMenu);
    m_pScan = new QPushButton(QString::fromUtf8(WindowController::kScanTitle));
    m_pScan->setDefault(true);
    m_pScan->setMinimumHeight(36);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(m_pRemove);
    buttons->addWidget(recent);
    buttons->addStretch(1);
    buttons->addWidget(m_pScan);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->addWidget(title);
    layout->addWidget(hint);
    layout->addWidget(m_pList, 1);
    layout->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, &WelcomeView::chooseFolderToAdd);
    connect(m_pRemove, &QPushButton::clicked, this, &WelcomeView::removeSelected);
    connect(m_pScan, &QPushButton::clicked, this, [this] {
        m_controller.scanFromWelcome(QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier));
    });
    connect(m_pRecentMenu, &QMenu::aboutToShow, this, &WelcomeView::rebuildRecentMenu);
    connect(m_pList, &QListWidget::itemSelectionChanged, this, [this] {
        m_pRemove->setEnabled(!m_pList->selectedItems().isEmpty());
    });
    refresh();
}

void WelcomeView::refresh() {
    m_pList->clear();
    for (const auto& folder : m_controller.welcomeFolders()) m_pList->addItem(QString::fromStdString(folder));
    m_pScan->setEnabled(!m_controller.welcomeFolders().empty());
    m_pRemove->setEnabled(!m_pList->selectedItems().isEmpty());
}

void WelcomeView::setAlternateHeld(bool held) {
    m_bAlternateHeld = held;
    m_pScan->setText(QString::fromUtf8(held ? WindowController::kFullScaleButtonCaption : WindowController::kScanTitle));
}

void WelcomeView::chooseFolderToAdd() {
    QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Add Folder to Scan"));
    if (!folder.isEmpty()) m_controller.addFolder(folder.toStdString());
}

void WelcomeView::removeSelected() {
    std::vector<int> rows;
    for (auto* item : m_pList->selectedItems()) rows.push_back(m_pList->row(item));
    std::sort(rows.rbegin(), rows.rend());
    for (int row : rows) m_controller.removeFolderAt(static_cast<std::size_t>(row));
}

void WelcomeView::rebuildRecentMenu() {
    m_pRecentMenu->clear();
    const auto recent = m_controller.recentFolders();
    if (recent.empty()) m_pRecentMenu->addAction(QStringLiteral("No Recent Folders"))->setEnabled(false);
    for (const auto& path : recent) {
        QAction* action = m_pRecentMenu->addAction(QString::fromStdString(path));
        connect(action, &QAction::triggered, this, [this, path] { m_controller.openRecentFolder(path); });
    }
}

bool WelcomeView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pList && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace) {
            removeSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void WelcomeView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void WelcomeView::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) m_controller.addFolder(url.toLocalFile().toStdString());
    event->acceptProposedAction();
}
