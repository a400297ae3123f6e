// The window's removal of the selected copies: a confirmation that says how many copies, how much
// space and where they go (a permanent removal asks twice), then one removal run through the core
// exactly as the command line makes it (history prepared, the per-user run lock, DuplicateItemsRemover
// with its check before each removal and the helper removers), progress for the view to poll, each
// failure group's question, and the report of what was not removed. Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/RemovalFlowView.h"

class DuplicatesContainer;
class DuplicateItemsRemover;
class RunLock;

struct RemovalProgress {
    std::uint64_t copiesDone = 0;
    std::uint64_t copiesTotal = 0;
    std::uint64_t bytesFreed = 0;
    bool toTrash = true;
    bool stopping = false;
    bool helperRunning = false;  // a helper remover works on a confirmed group

    // "12 of 40 copies done · 3.1 MiB freed"
    std::string text() const;
};

class RemovalFlow {
public:
    // `commandLineProgram`: the `dorvane` program whose `trash` command the Trash helper's script runs.
    RemovalFlow(RemovalFlowView& view, std::string commandLineProgram);
    ~RemovalFlow();
    RemovalFlow(const RemovalFlow&) = delete;
    RemovalFlow& operator=(const RemovalFlow&) = delete;

    // Asks for the confirmation and runs. Nothing while a removal is asked for or runs; with nothing
    // selected the view is told so.
    void removeSelected(std::shared_ptr<DuplicatesContainer> container);
    // The copies in flight finish, no further one starts and no further question is asked.
    void stop();
    bool isBusy() const { return m_state != State::Idle; }
    bool isRunning() const { return m_state == State::Running; }
    RemovalProgress progress() const;

    // Bytes freed by the runs since the last reset (the interim screen's space cleaned).
    std::uint64_t cleanedSize() const { return m_nCleanedSize; }
    void resetCleaned() { m_nCleanedSize = 0; }

    // The `dorvane` program for the runs to come (tests run the one they were built with).
    void setCommandLineProgram(std::string program) { m_commandLineProgram = std::move(program); }
    // Copies removed at once (1: one after another); 0 keeps the remover's own number. Tests.
    void setCountOfRemoveQueues(int count) { m_nRemoveQueues = count; }

    // The documentation's section ("removal-questions.md#locked-files") for a RemoveAlert's help topic.
    static std::string helpSectionFor(const std::string& topic);

private:
    class Link;
    enum class State { Idle, Confirming, Running };

    void confirmPermanently(std::shared_ptr<DuplicatesContainer> container, std::size_t count);
    void start(std::shared_ptr<DuplicatesContainer> container);
    void onRemoved(std::uint64_t bytes);
    void onFinished();

    RemovalFlowView& m_view;
    std::string m_commandLineProgram;
    std::shared_ptr<Link> m_pLink;  // the run's delegate and alerts; outlives nothing of this object
    std::shared_ptr<DuplicateItemsRemover> m_pRun;
    std::unique_ptr<RunLock> m_pLock;  // held from the start of a run until its history is written
    State m_state = State::Idle;
    bool m_bToTrash = true;
    std::uint64_t m_nCleanedSize = 0;
    int m_nRemoveQueues = 0;
};
