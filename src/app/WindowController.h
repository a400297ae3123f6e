// The flow of the one window: Welcome -> Scanning -> Results or No duplicates, the Interim summary, and
// back; starting, stopping, repeating and finishing scans; the welcome folder list and the recent
// folders. Talks to the window through WindowControllerView. Main thread only.
#pragma once

#include <QObject>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/WindowControllerView.h"

class DuplicatesContainer;
class FoldersScanner;
class QTimer;
class RemovalFlow;
class RemovalFlowView;
class ScanSession;
class Settings;

class WindowController {
public:
    static constexpr const char* kScanTitle = "Scan";
    static constexpr const char* kFullScaleScanTitle = "Full-scale Scan";
    static constexpr const char* kRescanTitle = "Rescan Current Folders";
    static constexpr const char* kFullScaleRescanTitle = "Full-scale Rescan Current Folders";
    static constexpr const char* kFullScaleButtonCaption = "Full-scale duplicates scan. It will be slower scan.";
    static constexpr std::size_t kRecentFoldersCount = 10;

    explicit WindowController(WindowControllerView& view);
    ~WindowController();
    WindowController(const WindowController&) = delete;
    WindowController& operator=(const WindowController&) = delete;

    // Tests shorten the pauses before the results (1.5 s) and before a rescan starts (0.6 s).
    void setDelays(std::chrono::milliseconds beforeResults, std::chrono::milliseconds beforeRescan);

    WindowScreen screen() const { return m_screen; }

    // Welcome list. addFolder admits the folder (alerting on a refusal) and puts it first in the recent list.
    bool addFolder(const std::string& path);
    void removeFolderAt(std::size_t index);
    const std::vector<std::string>& welcomeFolders() const { return m_welcomeFolders; }
    std::vector<std::string> recentFolders() const;
    // A recent folder chosen from the menu.
    void openRecentFolder(const std::string& path);

    // The Scan button of the welcome screen; Alt held flips the stored full-hash choice for this run.
    void scanFromWelcome(bool alternateHeld);
    // The Scan menu items: full hashing exactly for "Full-scale Scan".
    void scanFromMenu(const std::string& title);
    // Another application of the family asked to scan: on the welcome screen, the home folder is
    // added and scanned; anywhere else nothing happens.
    void scanHomeFolder();
    bool runIsFullScale() const;
    void startScanFolders(const std::vector<std::string>& folders);

    // Scan screen. The scanner is there to be polled by the view; null when no scan runs.
    const FoldersScanner* scanner() const;
    bool isWaitingForResult() const { return m_bWaitingForResult; }
    void stopFromScanScreen();
    void showResultsFromScanScreen();

    // Results.
    const std::shared_ptr<DuplicatesContainer>& container() const { return m_pContainer; }
    const std::vector<std::string>& lastSearchFolders() const { return m_lastSearchFolders; }
    void backToInterim();
    void showResultsFromInterim();

    // Removal of the selected copies (RemovalFlow), once the window has attached its removal view;
    // `commandLineProgram` is the `dorvane` program the Trash helper runs.
    void attachRemovalView(RemovalFlowView& view, std::string commandLineProgram);
    // The one way the window removes: Remove Selected, and Auto Select's Review & Remove. Only on the
    // results screen. A removal takes copies out of the results on the main thread, so it waits, polled
    // by a timer, until no background work reads them (the Auto Select preview, the heaps); from this
    // call until the flow is idle again the results are held, and the view starts no such reader.
    void removeSelected();
    bool removalWaiting() const { return m_removalHold == RemovalHold::Waiting; }
    bool resultsHeld() const { return m_removalHold != RemovalHold::None; }
    // Whether background work still reads the results.
    static bool resultsBeingRead();
    RemovalFlow* removal() const { return m_pRemoval.get(); }
    // Freed by removals since these results arrived (the interim screen's space cleaned).
    std::uint64_t cleanedSize() const;

    // Menu and screen actions.
    void newScan();
    void newScanFromNoDuplicates();
    void backToWelcome();
    // From the menu (title decides the full hash) or, with an empty title, the no-duplicates view.
    void restartScan(const std::string& menuTitle);
    void requestQuit();

private:
    enum class RemovalHold { None, Waiting, Started };

    void pollRemoval();
    void setRemovalHold(RemovalHold hold);
    void onScanComplete(std::uint64_t generation, std::shared_ptr<DuplicatesContainer> container);
    void performRestartScan();
    void clearScanner();
    void show(WindowScreen screen);
    void rememberRecent(const std::string& path);
    bool resultsShown() const { return m_screen == WindowScreen::Results || m_screen == WindowScreen::Interim; }

    WindowControllerView& m_view;
    WindowScreen m_screen = WindowScreen::Welcome;
    std::vector<std::string> m_welcomeFolders;
    std::vector<std::string> m_searchFolders;      // cleared by a new scan
    std::vector<std::string> m_lastSearchFolders;  // used by rescan
    std::shared_ptr<ScanSession> m_pSession;       // the running scan; null after clearScanner
    std::shared_ptr<ScanSession> m_pLastSession;   // kept for the final counts on the scan screen
    std::shared_ptr<DuplicatesContainer> m_pContainer;
    std::uint64_t m_nGeneration = 0;  // a result or a timer of an older scan is ignored
    bool m_bWaitingForResult = false;
    std::chrono::milliseconds m_beforeResults{1500};
    std::chrono::milliseconds m_beforeRescan{600};
    std::unique_ptr<QObject> m_pTimerContext;  // pending timers die with it
    std::unique_ptr<RemovalFlow> m_pRemoval;    // stops its run first when the controller goes
    RemovalHold m_removalHold = RemovalHold::None;
    QTimer* m_pRemovalPoll = nullptr;  // a child of m_pTimerContext, made on first use
};
