// The removal step of `dorvane scan … --remove`: removes the selected copies of a finished scan's
// results with one removal run, on the main thread with the Qt event loop (a QCoreApplication must
// exist): progress on stderr, the permanent-removal confirmation, each failure group's question on
// the terminal, and a final report of what was not removed and where the history was written.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class DuplicatesContainer;

// What one run did, for the JSON reports; paths in the order the run met them.
struct RemovalOutcome {
    struct Failure {
        std::string path;
        std::string reason;
    };
    bool dryRun = false;
    bool permanent = false;
    std::vector<std::string> removed;   // removed now; on a dry run, those that would be
    std::vector<std::string> kept;      // the unselected copies of the groups that had selected ones
    std::vector<Failure> failed;        // selected copies that were not removed, with the reason
    std::uint64_t removedSize = 0;      // bytes on disk
    bool stopped = false;
    std::uint64_t notProcessed = 0;     // selected copies a stop left untouched
    std::optional<std::string> history; // the log this run wrote
};

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
    bool textSummary = true;            // print the summary on stdout (off when it goes into a JSON report)
    RemovalOutcome* outcome = nullptr;  // filled when given
};

// Answers the exit status: 0 every selected copy removed (or nothing selected, or a dry run),
// 1 some copies were not removed, another run holds the removal lock, or the history could not be
// written (before the run: nothing touched; after it: said on stderr), 3 the permanent removal was not
// confirmed (nothing touched), stopStatus's value when stopped through it.
int runRemoval(std::shared_ptr<DuplicatesContainer> container, const RemoveOptions& options);
