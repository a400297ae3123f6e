// The one window: a stack of the welcome, scan, results, no-duplicates and interim screens, the Scan
// menu, and the answers to the window controller's questions as message boxes. Main thread only.
#pragma once

#include <QMainWindow>

#include <memory>
#include <string>

#include "app/WindowController.h"
#include "app/WindowControllerView.h"

class MessageScreen;
class PreferencesDialog;
class HistoryWindow;
class QAction;
class RemovalDialogs;
class QStackedWidget;
class ResultsView;
class ScanView;
class WelcomeView;

class MainWindow : public QMainWindow, public WindowControllerView {
public:
    MainWindow();
    ~MainWindow() override;

    WindowController& controller() { return *m_pController; }
    WelcomeView* welcomeView() const { return m_pWelcome; }
    ResultsView* resultsView() const { return m_pResults; }
    // Created on first use; Edit › Preferences… shows it.
    PreferencesDialog* preferences();
    // Created on first use; Scan › History… shows it.
    HistoryWindow* history();
    RemovalDialogs& removalDialogs() { return *m_pRemovalDialogs; }
    QAction* removeSelectedAction() const { return m_pRemoveAction; }
    // The `dorvane` program beside this one (installed side by side, or in the build tree).
    static std::string commandLineProgram();

    // WindowControllerView
    void showScreen(WindowScreen screen) override;
    WindowAnswer ask(const WindowQuestion& question) override;
    void showAlert(const std::string& message, const std::string& informativeText) override;
    void foldersChanged() override;
    std::optional<std::string> chooseFolder(const std::string& folder, const std::string& title) override;
    void quitApplication() override;
    void removalHoldChanged() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void updateActions();
    QString interimSummary() const;

    std::unique_ptr<RemovalDialogs> m_pRemovalDialogs;  // outlives the controller's removal flow
    std::unique_ptr<WindowController> m_pController;
    QStackedWidget* m_pStack;
    WelcomeView* m_pWelcome;
    ScanView* m_pScan;
    ResultsView* m_pResults;
    MessageScreen* m_pNoDuplicates;
    MessageScreen* m_pInterim;
    QAction* m_pScanAction = nullptr;
    QAction* m_pFullScanAction = nullptr;
    QAction* m_pRescanAction = nullptr;
    QAction* m_pFullRescanAction = nullptr;
    QAction* m_pNewScanAction = nullptr;
    QAction* m_pBackAction = nullptr;
    PreferencesDialog* m_pPreferences = nullptr;
    HistoryWindow* m_pHistory = nullptr;
    QAction* m_pRemoveAction = nullptr;
    bool m_bQuitting = false;
};
