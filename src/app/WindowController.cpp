#include "app/WindowController.h"

#include <QTimer>

#include <algorithm>

#include "app/FolderAdmission.h"
#include "app/FoldersOverview.h"
#include "app/RemovalFlow.h"
#include "app/ScanSession.h"
#include "platform/FileSystem.h"
#include "results/DuplicatesContainer.h"
#include "scan/FoldersScanner.h"
#include "selection/AutoSelectPreview.h"
#include "settings/Settings.h"

namespace {
const char* const kResultsLost = "Current scan results will be lost.";
constexpr std::chrono::milliseconds kRemovalPollInterval{25};

std::string nameOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.empty() ? path : name;
}
}  // namespace

WindowController::WindowController(WindowControllerView& view)
    : m_view(view), m_pTimerContext(std::make_unique<QObject>()) {}

WindowController::~WindowController() {
    m_pRemoval.reset();
    m_pTimerContext.reset();
    if (m_pSession) m_pSession->stop(true);
}

void WindowController::setDelays(std::chrono::milliseconds beforeResults, std::chrono::milliseconds beforeRescan) {
    m_beforeResults = beforeResults;
    m_beforeRescan = beforeRescan;
}

void WindowController::show(WindowScreen screen) {
    m_screen = screen;
    m_view.showScreen(screen);
}

// ---- Folders

bool WindowController::addFolder(const std::string& path) {
    FolderAdmission admission = FolderAdmission::check(path, FolderAdmission::Checks::Window);
    if (!admission.admitted()) {
        m_view.showAlert(admission.alertMessage(), admission.alertInformativeText());
        return false;
    }
    if (std::find(m_welcomeFolders.begin(), m_welcomeFolders.end(), admission.path) == m_welcomeFolders.end())
        m_welcomeFolders.push_back(admission.path);
    rememberRecent(admission.path);
    m_view.foldersChanged();
    return true;
}

void WindowController::removeFolderAt(std::size_t index) {
    if (index >= m_welcomeFolders.size()) return;
    m_welcomeFolders.erase(m_welcomeFolders.begin() + static_cast<std::ptrdiff_t>(index));
    m_view.foldersChanged();
}

std::vector<std::string> WindowController::recentFolders() const { return Settings::standard().lastTenFolders(); }

void WindowController::rememberRecent(const std::string& path) {
    std::vector<std::string> recent = Settings::standard().lastTenFolders();
    recent.erase(std::remove(recent.begin(), recent.end(), path), recent.end());
    recent.insert(recent.begin(), path);
    if (recent.size() > kRecentFoldersCount) recent.resize(kRecentFoldersCount);
    Settings::standard().setLastTenFolders(recent);
}

void WindowController::openRecentFolder(const std::string& path) {
    FileSystem& fs = FileSystem::standard();
    if (fs.isFolder(path) && fs.canListFolder(path)) {
        addFolder(path);
        return;
    }
    // Without a sandbox the only lost grant is a permission: offer the folder dialog on it.
    if (fs.exists(path)) {
        if (auto chosen = m_view.chooseFolder(path, "Grant access to folder " + nameOf(path))) addFolder(*chosen);
        return;
    }
    m_view.showAlert("Cannot add folder \"" + nameOf(path) + "\" to scan", "The folder was deleted or moved.");
    std::vector<std::string> recent = Settings::standard().lastTenFolders();
    recent.erase(std::remove(recent.begin(), recent.end(), path), recent.end());
    Settings::standard().setLastTenFolders(recent);
    m_view.foldersChanged();
}

// ---- Starting and finishing

void WindowController::scanFromWelcome(bool alternateHeld) {
    Settings::setUserRevertedForceFullHashCalculation(alternateHeld);
    if (!m_welcomeFolders.empty()) startScanFolders(m_welcomeFolders);
}

void WindowController::scanFromMenu(const std::string& title) {
    Settings::standard().setActualStateOfFullHashCalculation(title == kFullScaleScanTitle);
    if (!m_welcomeFolders.empty()) startScanFolders(m_welcomeFolders);
}

void WindowController::scanHomeFolder() {
    if (m_screen != WindowScreen::Welcome) return;
    const std::string home = FileSystem::standard().homeFolder();
    if (!addFolder(home)) return;
    startScanFolders({home});
}

bool WindowController::runIsFullScale() const { return Settings::standard().actualStateOfFullHashCalculation(); }

void WindowController::startScanFolders(const std::vector<std::string>& folders) {
    if (folders.empty()) return;
    m_searchFolders = folders;
    m_lastSearchFolders = folders;
    m_bWaitingForResult = false;
    if (m_pSession) m_pSession->stop(true);
    m_pSession.reset();
    m_pContainer.reset();
    show(WindowScreen::Scanning);
    const std::uint64_t generation = ++m_nGeneration;
    m_pSession = ScanSession::create(folders, ScanChoices{}, [this, generation](std::shared_ptr<DuplicatesContainer> c) {
        onScanComplete(generation, std::move(c));
    });
    m_pLastSession = m_pSession;
    m_pSession->start();
}

const FoldersScanner* WindowController::scanner() const {
    return m_pLastSession ? m_pLastSession->scanner() : nullptr;
}

void WindowController::clearScanner() {
    m_pSession.reset();
    m_bWaitingForResult = false;
}

void WindowController::onScanComplete(std::uint64_t generation, std::shared_ptr<DuplicatesContainer> container) {
    // A result that arrives after the user left the scan screen is ignored.
    if (!m_pSession || generation != m_nGeneration) return;
    clearScanner();
    m_pContainer = std::move(container);
    if (m_pRemoval) m_pRemoval->resetCleaned();
    if (!m_pContainer || m_pContainer->getAllFilesSize() == 0) {
        show(WindowScreen::NoDuplicates);
        return;
    }
    QTimer::singleShot(m_beforeResults, m_pTimerContext.get(), [this, generation] {
        if (generation == m_nGeneration && m_screen == WindowScreen::Scanning) show(WindowScreen::Results);
    });
}

// ---- Scan screen

void WindowController::stopFromScanScreen() {
    if (m_pSession) m_pSession->stop(true);
    clearScanner();
    ++m_nGeneration;
    m_pLastSession.reset();
    show(WindowScreen::Welcome);
}

void WindowController::showResultsFromScanScreen() {
    if (!m_pSession || !m_pSession->scanner()) return;
    const FoldersScannerState state = m_pSession->scanner()->getCurrentState();
    if (state <= FoldersScannerStateScanningFolders) {
        // A search stopped during the walk is abandoned.
        stopFromScanScreen();
        return;
    }
    m_bWaitingForResult = true;
    m_pSession->stop(false);
}

// ---- Results and interim

void WindowController::backToInterim() {
    if (m_screen == WindowScreen::Results) show(WindowScreen::Interim);
}

void WindowController::showResultsFromInterim() {
    if (m_screen == WindowScreen::Interim && m_pContainer) show(WindowScreen::Results);
}

void WindowController::attachRemovalView(RemovalFlowView& view, std::string commandLineProgram) {
    m_pRemoval = std::make_unique<RemovalFlow>(view, std::move(commandLineProgram));
}

void WindowController::removeSelected() {
    if (!m_pRemoval || m_screen != WindowScreen::Results || !m_pContainer) return;
    if (m_removalHold != RemovalHold::None || m_pRemoval->isBusy()) return;
    setRemovalHold(RemovalHold::Waiting);
    pollRemoval();
}

bool WindowController::resultsBeingRead() {
    return AutoSelectPreview::countInFlight() > 0 || FoldersOverview::heapsInFlight() > 0;
}

void WindowController::pollRemoval() {
    if (m_removalHold == RemovalHold::Waiting) {
        // The results screen was left while the removal waited (a new scan, the summary): nothing is removed.
        if (m_screen != WindowScreen::Results || !m_pContainer) return setRemovalHold(RemovalHold::None);
        if (!resultsBeingRead()) {
            setRemovalHold(RemovalHold::Started);
            m_pRemoval->removeSelected(m_pContainer);
        }
    }
    if (m_removalHold == RemovalHold::Started && !m_pRemoval->isBusy()) return setRemovalHold(RemovalHold::None);
    if (!m_pRemovalPoll) {
        m_pRemovalPoll = new QTimer(m_pTimerContext.get());
        m_pRemovalPoll->setInterval(kRemovalPollInterval);
        QObject::connect(m_pRemovalPoll, &QTimer::timeout, m_pTimerContext.get(), [this] { pollRemoval(); });
    }
    if (!m_pRemovalPoll->isActive()) m_pRemovalPoll->start();
}

void WindowController::setRemovalHold(RemovalHold hold) {
    if (hold == RemovalHold::None && m_pRemovalPoll) m_pRemovalPoll->stop();
    if (hold == m_removalHold) return;
    m_removalHold = hold;
    m_view.removalHoldChanged();
}

std::uint64_t WindowController::cleanedSize() const { return m_pRemoval ? m_pRemoval->cleanedSize() : 0; }

void WindowController::backToWelcome() {
    if (m_pSession) m_pSession->stop(true);
    clearScanner();
    ++m_nGeneration;
    show(WindowScreen::Welcome);
}

void WindowController::newScan() {
    m_searchFolders.clear();
    if (!resultsShown()) return;
    Settings& settings = Settings::standard();
    if (settings.showNewScanMessage()) {
        WindowAnswer answer = m_view.ask(
            {"Are you sure you want to run a new scan?", kResultsLost, "Do not show this message again"});
        if (!answer.ok) return;
        if (answer.suppress) settings.setShowNewScanMessage(false);
    }
    backToWelcome();
}

void WindowController::newScanFromNoDuplicates() {
    m_searchFolders.clear();
    backToWelcome();
}

void WindowController::restartScan(const std::string& menuTitle) {
    if (m_lastSearchFolders.empty()) return;
    if (!menuTitle.empty())
        Settings::standard().setActualStateOfFullHashCalculation(menuTitle == kFullScaleRescanTitle);
    Settings& settings = Settings::standard();
    if (settings.showRestartScanMessage()) {
        WindowAnswer answer = m_view.ask(
            {"Are you sure you want to run a rescan?", kResultsLost, "Don't show this message again"});
        if (!answer.ok) return;
        if (answer.suppress) settings.setShowRestartScanMessage(false);
    }
    performRestartScan();
}

void WindowController::performRestartScan() {
    if (m_screen == WindowScreen::Welcome) return;
    const bool fullScale = runIsFullScale();
    if (m_pSession) m_pSession->stop(true);
    clearScanner();
    const std::uint64_t generation = ++m_nGeneration;
    m_welcomeFolders = m_lastSearchFolders;
    show(WindowScreen::Welcome);
    m_view.foldersChanged();
    QTimer::singleShot(m_beforeRescan, m_pTimerContext.get(), [this, generation, fullScale] {
        if (generation != m_nGeneration || m_screen != WindowScreen::Welcome) return;
        Settings::standard().setActualStateOfFullHashCalculation(fullScale);
        startScanFolders(m_lastSearchFolders);
    });
}

void WindowController::requestQuit() {
    if (m_pRemoval && m_pRemoval->isRunning()) {
        m_view.showAlert("A removal is running.",
                         "Stop it first: the copies in flight finish and its history is written.");
        return;
    }
    if (resultsShown() && m_pContainer && m_pContainer->getAllFilesSize() > 0) {
        WindowAnswer answer = m_view.ask({"Are you sure you want to quit the application?", kResultsLost, ""});
        if (!answer.ok) return;
    }
    if (m_pSession) m_pSession->stop(true);
    clearScanner();
    m_view.quitApplication();
}
