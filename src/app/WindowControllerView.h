// What the window controller asks of the window: show a screen, ask a question, tell something, choose
// a folder, quit. Implemented by the window and by fakes in tests. Main thread only.
#pragma once

#include <optional>
#include <string>

// A confirmation the view answers: OK or Cancel, and whether its check box was ticked.
struct WindowQuestion {
    std::string message;
    std::string informativeText;
    std::string suppressionText;  // empty: no check box
};

struct WindowAnswer {
    bool ok = false;
    bool suppress = false;
};

enum class WindowScreen { Welcome, Scanning, Results, NoDuplicates, Interim };

class WindowControllerView {
public:
    virtual ~WindowControllerView() = default;
    virtual void showScreen(WindowScreen screen) = 0;
    virtual WindowAnswer ask(const WindowQuestion& question) = 0;
    virtual void showAlert(const std::string& message, const std::string& informativeText) = 0;
    // The welcome list or the recent list changed.
    virtual void foldersChanged() = 0;
    // A folder dialog opened on `folder` with the given title; nothing when cancelled.
    virtual std::optional<std::string> chooseFolder(const std::string& folder, const std::string& title) = 0;
    virtual void quitApplication() = 0;
    // Remove Selected began or stopped waiting for the background readers of the results, or the
    // results stopped being held for a removal (WindowController::removalWaiting, resultsHeld).
    virtual void removalHoldChanged() {}
};
