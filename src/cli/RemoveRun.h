// The removal step of `dorvane scan … --remove`: removes the selected copies of a finished scan's
// results with one removal run, on the main thread with the Qt event loop (a QCoreApplication must
// exist): progress on stderr, the permanent-removal confirmation, each failure group's question on
// the terminal, and a final report of what was not removed and where the history was written.
#pragma once

#include <functional>
#include <memory>

class DuplicatesContainer;

struct RemoveOptions {
    bool permanent = false;    // remove without the Trash (else the Trash, whatever the settings say)
    bool yes = false;          // answer every question with OK/Confirm, the confirmation included
    bool dryRun = false;       // print what would be removed; touch nothing
    bool interactive = false;  // stdin is a terminal: ask the questions there; otherwise they answer Cancel
    bool showProgress = false; // a progress line on stderr, refreshed from the run's one-second reports
    // Polled on the main thread while the run goes on; true stops it after the copies in flight
    // (for Ctrl-C). May be empty.
    std::function<bool()> stopRequested;
};

// Answers the exit status: 0 every selected copy removed (or nothing selected, or a dry run),
// 1 some copies were not removed, or the history could not be written (before the run: nothing
// touched; after it: said on stderr), 3 the permanent removal was not confirmed (nothing touched),
// 130 stopped through stopRequested.
int runRemoval(std::shared_ptr<DuplicatesContainer> container, const RemoveOptions& options);
