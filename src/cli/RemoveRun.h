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
    bool wait = false;         // another run holds the removal lock: wait for it (else exit 1)
    // Polled on the main thread while the run goes on; non-zero stops it after the copies in flight
    // (Ctrl-C, SIGTERM) and is the status the run then answers. May be empty.
    std::function<int()> stopStatus;
};

// Answers the exit status: 0 every selected copy removed (or nothing selected, or a dry run),
// 1 some copies were not removed, another run holds the removal lock, or the history could not be
// written (before the run: nothing touched; after it: said on stderr), 3 the permanent removal was not
// confirmed (nothing touched), stopStatus's value when stopped through it.
int runRemoval(std::shared_ptr<DuplicatesContainer> container, const RemoveOptions& options);
