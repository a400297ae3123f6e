// What the window's removal flow asks of the window: questions answered later through a callback, a
// progress sheet that polls the flow, the final not-removed report, short messages, and the results to
// be shown again after copies left them. Implemented by the window and by fakes in tests. Main thread
// only; every callback is called at most once, on the main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class RemovalFlow;

// A confirmation or a failure group's question: the first button confirms, the last one cancels;
// "Read More" is not among them, the view adds it when helpSection is set.
struct RemovalQuestion {
    std::string title;
    std::string text;
    std::vector<std::string> buttons;
    std::string helpSection;      // the documentation's section behind "Read More"; empty: none
    std::string suppressionText;  // empty: no check box
    std::vector<std::string> paths;  // the copies concerned, shown as a list
    bool asksConfirmation = true;    // false: the question only explains (one button closes it)
};

struct RemovalAnswer {
    bool confirmed = false;
    bool suppress = false;  // the check box was ticked
};

// What a finished run could not remove, each copy with its reason.
struct NotRemovedReport {
    struct Entry {
        std::string path;
        std::string reason;
    };
    std::string title;    // "Some files could not be removed."
    std::string summary;  // "Removed 3 of 5 copies (4.1 MiB) to the Trash."
    std::vector<Entry> entries;
};

class RemovalFlowView {
public:
    virtual ~RemovalFlowView() = default;
    virtual void askRemoval(const RemovalQuestion& question, std::function<void(RemovalAnswer)> answer) = 0;
    // The progress sheet: the view polls flow.progress() and its Stop calls flow.stop(), until
    // hideRemovalProgress.
    virtual void showRemovalProgress(RemovalFlow& flow) = 0;
    virtual void hideRemovalProgress() = 0;
    virtual void showNotRemoved(const NotRemovedReport& report, std::function<void()> closed) = 0;
    // A message that needs no answer (the run could not start, a helper was not allowed).
    virtual void showRemovalAlert(const std::string& title, const std::string& text) = 0;
    // The run ended with every copy removed: a short line, e.g. in the status bar.
    virtual void showRemovalFinished(const std::string& summary) = 0;
    // Copies left the results: the groups, the sidebar and the totals are to be read again.
    virtual void removalChangedResults() = 0;
};
