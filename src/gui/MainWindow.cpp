#include "gui/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolBar>
#include <QTreeView>

#include "gui/GroupsModel.h"
#include "app/RemovalFlow.h"
#include "gui/HistoryWindow.h"
#include "gui/MessageScreen.h"
#include "gui/PreferencesDialog.h"
#include "gui/RemovalDialogs.h"
#include "gui/ResultsView.h"
#include "gui/ScanView.h"
#include "gui/SelectionBar.h"
#include "gui/WelcomeView.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesManager.h"

MainWindow::MainWindow()
    : m_pRemovalDialogs(std::make_unique<RemovalDialogs>(*this, [this] { m_pResults->refreshAfterRemoval(); })),
      m_pController(std::make_unique<WindowController>(*this)) {
    m_pController->attachRemovalView(*m_pRemovalDialogs, commandLineProgram());
    setWindowTitle(QStringLiteral("Dorvane"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("dorvane")));
    m_pStack = new QStackedWidget;
    m_pWelcome = new WelcomeView(*m_pController);
    m_pScan = new ScanView(*m_pController);
    m_pResults = new ResultsView(*m_pController);
    m_pNoDuplicates = new MessageScreen(QStringLiteral("Rescan"), QStringLiteral("New Scan"));
    m_pNoDuplicates->setTexts(QStringLiteral("No duplicates found"),
                              QStringLiteral("The chosen folders hold no duplicate files or folders."));
    m_pInterim = new MessageScreen(QStringLiteral("New Scan"), QStringLiteral("Show Results"));
    for (QWidget* w : {static_cast<QWidget*>(m_pWelcome), static_cast<QWidget*>(m_pScan),
                       static_cast<QWidget*>(m_pResults), static_cast<QWidget*>(m_pNoDuplicates),
                       static_cast<QWidget*>(m_pInterim)})
        m_pStack->addWidget(w);
    setCentralWidget(m_pStack);

    connect(m_pNoDuplicates->firstButton(), &QPushButton::clicked, this, [this] { m_pController->restartScan(""); });
    connect(m_pNoDuplicates->secondButton(), &QPushButton::clicked, this,
            [this] { m_pController->newScanFromNoDuplicates(); });
    connect(m_pInterim->firstButton(), &QPushButton::clicked, this, [this] { m_pController->newScan(); });
    connect(m_pInterim->secondButton(), &QPushButton::clicked, this,
            [this] { m_pController->showResultsFromInterim(); });

    buildMenus();
    // "Review & Remove" of Auto Select's message goes on to Remove Selected.
    m_pResults->selectionBar()->controller().setReviewAndRemove([this] { m_pController->removeSelected(); });
    // Auto Select's "nothing changed because of the Never Select list" message offers to show that list.
    m_pResults->selectionBar()->controller().setShowNeverSelectList([this] {
        preferences()->showTab(PreferencesDialog::SelectionTab);
        preferences()->show();
        preferences()->raise();
    });
    qApp->installEventFilter(this);
    resize(1200, 713);
    showScreen(WindowScreen::Welcome);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    m_pController.reset();  // a removal still running stops before the screens go
    m_pResults->clear();
}

std::string MainWindow::commandLineProgram() {
    const QString here = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {here + QStringLiteral("/dorvane"), here + QStringLiteral("/../cli/dorvane")})
        if (QFileInfo(candidate).isExecutable()) return QFileInfo(candidate).canonicalFilePath().toStdString();
    return "dorvane";
}

void MainWindow::buildMenus() {
    QMenu* scan = menuBar()->addMenu(QStringLiteral("&Scan"));
    m_pScanAction = scan->addAction(QString::fromUtf8(WindowController::kScanTitle));
    m_pScanAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_pFullScanAction = scan->addAction(QString::fromUtf8(WindowController::kFullScaleScanTitle));
    m_pFullScanAction->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R));
    scan->addSeparator();
    m_pRescanAction = scan->addAction(QString::fromUtf8(WindowController::kRescanTitle));
    m_pRescanAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    m_pFullRescanAction = scan->addAction(QString::fromUtf8(WindowController::kFullScaleRescanTitle));
    m_pFullRescanAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::ALT | Qt::Key_R));
    scan->addSeparator();
    m_pNewScanAction = scan->addAction(QStringLiteral("New Scan"));
    m_pNewScanAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    QAction* add = scan->addAction(QStringLiteral("Add Folder…"));
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    scan->addSeparator();
    QAction* historyAction = scan->addAction(QStringLiteral("History…"));
    historyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(historyAction, &QAction::triggered, this, [this] {
        history()->show();
        history()->raise();
        history()->activateWindow();
    });
    scan->addSeparator();
    QAction* quit = scan->addAction(QStringLiteral("Quit"));
    quit->setShortcut(QKeySequence::Quit);

    connect(m_pScanAction, &QAction::triggered, this, [this] { m_pController->scanFromMenu(WindowController::kScanTitle); });
    connect(m_pFullScanAction, &QAction::triggered, this,
            [this] { m_pController->scanFromMenu(WindowController::kFullScaleScanTitle); });
    connect(m_pRescanAction, &QAction::triggered, this,
            [this] { m_pController->restartScan(WindowController::kRescanTitle); });
    connect(m_pFullRescanAction, &QAction::triggered, this,
            [this] { m_pController->restartScan(WindowController::kFullScaleRescanTitle); });
    connect(m_pNewScanAction, &QAction::triggered, this, [this] { m_pController->newScan(); });
    connect(add, &QAction::triggered, this, [this] {
        if (m_pController->screen() == WindowScreen::Welcome) m_pWelcome->chooseFolderToAdd();
    });
    connect(quit, &QAction::triggered, this, [this] { m_pController->requestQuit(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* preferencesAction = edit->addAction(QStringLiteral("Preferences…"));
    preferencesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferencesAction->setMenuRole(QAction::PreferencesRole);
    connect(preferencesAction, &QAction::triggered, this, [this] {
        preferences()->show();
        preferences()->raise();
        preferences()->activateWindow();
    });

    QToolBar* bar = addToolBar(QStringLiteral("Results"));
    bar->setMovable(false);
    m_pBackAction = bar->addAction(QStringLiteral("‹ Summary"));
    QAction* newScan = bar->addAction(QStringLiteral("New Scan"));
    bar->addSeparator();
    m_pRemoveAction = bar->addAction(QIcon::fromTheme(QStringLiteral("edit-delete")), QStringLiteral("Remove Selected…"));
    m_pRemoveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    m_pRemoveAction->setToolTip(QStringLiteral("Remove the selected copies (Ctrl+Delete)"));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(m_pRemoveAction, &QAction::triggered, this, [this] { m_pResults->removeSelected(); });
    connect(m_pBackAction, &QAction::triggered, this, [this] { m_pController->backToInterim(); });
    connect(newScan, &QAction::triggered, this, [this] { m_pController->newScan(); });
}

void MainWindow::updateActions() {
    const WindowScreen screen = m_pController->screen();
    const bool welcome = screen == WindowScreen::Welcome;
    const bool canStart = welcome && !m_pController->welcomeFolders().empty();
    m_pScanAction->setEnabled(canStart);
    m_pFullScanAction->setEnabled(canStart);
    const bool canRescan = !welcome && screen != WindowScreen::Scanning && !m_pController->lastSearchFolders().empty();
    m_pRescanAction->setEnabled(canRescan);
    m_pFullRescanAction->setEnabled(canRescan);
    m_pNewScanAction->setEnabled(screen == WindowScreen::Results || screen == WindowScreen::Interim);
    m_pRemoveAction->setEnabled(screen == WindowScreen::Results && !m_pController->resultsHeld());
    if (QToolBar* bar = findChild<QToolBar*>()) bar->setVisible(screen == WindowScreen::Results);
}

PreferencesDialog* MainWindow::preferences() {
    if (!m_pPreferences) m_pPreferences = new PreferencesDialog(this);
    return m_pPreferences;
}

HistoryWindow* MainWindow::history() {
    if (!m_pHistory) m_pHistory = new HistoryWindow(this);
    return m_pHistory;
}

QString MainWindow::interimSummary() const {
    const DuplicatesManager& manager = DuplicatesManager::sharedManager();
    const auto& folders = m_pController->lastSearchFolders();
    QString when;
    if (manager.scanFinishDate)
        when = QLocale::system().toString(QDateTime::fromSecsSinceEpoch(*manager.scanFinishDate), QLocale::ShortFormat);
    const auto& container = m_pController->container();
    QString text = QStringLiteral("%1 folder(s) scanned, finished %2.\nDuplicates found: %3.")
                       .arg(folders.size())
                       .arg(when.isEmpty() ? QStringLiteral("recently") : when)
                       .arg(GroupsModel::formatSize(container ? container->getAllFilesSize() : 0));
    if (const std::uint64_t cleaned = m_pController->cleanedSize(); cleaned > 0)
        text += QStringLiteral("\nSpace cleaned: %1.").arg(GroupsModel::formatSize(static_cast<std::int64_t>(cleaned)));
    return text;
}

void MainWindow::showScreen(WindowScreen screen) {
    static const char* const titles[] = {"Dorvane", "Dorvane — Scanning", "Dorvane — Results", "Dorvane — No Duplicates",
                                         "Dorvane — Last Scan"};
    setWindowTitle(QString::fromUtf8(titles[static_cast<int>(screen)]));
    m_pScan->setActive(screen == WindowScreen::Scanning);
    switch (screen) {
        case WindowScreen::Welcome:
            m_pResults->clear();
            m_pWelcome->refresh();
            m_pStack->setCurrentWidget(m_pWelcome);
            break;
        case WindowScreen::Scanning:
            m_pResults->clear();
            m_pStack->setCurrentWidget(m_pScan);
            break;
        case WindowScreen::Results:
            if (m_pStack->currentWidget() != m_pInterim) m_pResults->showResults();
            m_pStack->setCurrentWidget(m_pResults);
            m_pResults->tree()->setFocus();
            break;
        case WindowScreen::NoDuplicates:
            m_pStack->setCurrentWidget(m_pNoDuplicates);
            break;
        case WindowScreen::Interim:
            m_pInterim->setTexts(QStringLiteral("Last scan"), interimSummary());
            m_pStack->setCurrentWidget(m_pInterim);
            break;
    }
    updateActions();
}

WindowAnswer MainWindow::ask(const WindowQuestion& question) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Dorvane"), QString::fromStdString(question.message),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.setInformativeText(QString::fromStdString(question.informativeText));
    QCheckBox* check = nullptr;
    if (!question.suppressionText.empty()) {
        check = new QCheckBox(QString::fromStdString(question.suppressionText));
        box.setCheckBox(check);
    }
    const bool ok = box.exec() == QMessageBox::Ok;
    return {ok, check && check->isChecked()};
}

void MainWindow::showAlert(const std::string& message, const std::string& informativeText) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Dorvane"), QString::fromStdString(message), QMessageBox::Ok,
                    this);
    box.setInformativeText(QString::fromStdString(informativeText));
    box.exec();
}

void MainWindow::foldersChanged() {
    m_pWelcome->refresh();
    updateActions();
}

std::optional<std::string> MainWindow::chooseFolder(const std::string& folder, const std::string& title) {
    QString chosen = QFileDialog::getExistingDirectory(this, QString::fromStdString(title), QString::fromStdString(folder));
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
}

void MainWindow::quitApplication() {
    m_bQuitting = true;
    close();
    qApp->quit();
}

void MainWindow::removalHoldChanged() {
    // Remove Selected waits while the Auto Select preview or the heaps still read the results, and no
    // such reader starts again until the removal is over.
    m_pResults->holdReaders(m_pController->resultsHeld());
    const bool waiting = m_pController->removalWaiting();
    m_pRemoveAction->setText(waiting ? QStringLiteral("Waiting to Remove…") : QStringLiteral("Remove Selected…"));
    m_pRemoveAction->setToolTip(waiting ? QStringLiteral("The removal starts when the Auto Select preview and the "
                                                         "folder heaps are ready")
                                        : QStringLiteral("Remove the selected copies (Ctrl+Delete)"));
    updateActions();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_bQuitting) {
        event->accept();
        return;
    }
    // Closing the window is a quit: it asks the same question while results are shown.
    event->ignore();
    m_pController->requestQuit();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Alt) m_pWelcome->setAlternateHeld(event->type() == QEvent::KeyPress);
    } else if (event->type() == QEvent::ApplicationDeactivate) {
        m_pWelcome->setAlternateHeld(false);
    }
    return QMainWindow::eventFilter(watched, event);
}
