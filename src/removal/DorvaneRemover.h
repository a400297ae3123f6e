// The base of the helper removers, which retry the copies of one confirmed error group through a shell
// script: right before the script starts, each copy passes the run's safety check again (a copy that
// fails is left out and kept with its reason); the script runs as the user, or through pkexec when
// administrator rights are needed; afterwards each copy is examined on disk and the removed ones are
// recorded in the removal history. Configure and start on the main thread; the work runs on a queue of
// its own; the listener hears one report and the end, on the main thread. Used once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "removal/DuplicatesStandartRemover.h"
#include "removal/HelperScript.h"

class DuplicateItem;
class DuplicatesStandartRemoverListener;
class RemovalSafetyCheck;
class SerialQueue;

class DorvaneRemover : public DuplicatesStandartRemover, public std::enable_shared_from_this<DorvaneRemover> {
public:
    // The exit statuses of pkexec when the user refused, or no authorization agent could ask.
    static constexpr int kPkexecNotAuthorized = 126;
    static constexpr int kPkexecDismissed = 127;

    DorvaneRemover(std::vector<std::shared_ptr<RemoveErrorInfo>> sourceErrorsInfo,
                   std::shared_ptr<RemovalSafetyCheck> check, std::weak_ptr<DuplicatesStandartRemoverListener> listener);
    ~DorvaneRemover() override;
    DorvaneRemover(const DorvaneRemover&) = delete;
    DorvaneRemover& operator=(const DorvaneRemover&) = delete;

    // True once; the session then ends with the listener's onRemoverFinished.
    bool startRemove() override;
    // Does nothing: a started script runs to its end.
    void stopRemove() override {}
    float progress() const override { return m_bFinished ? 1.0f : 0.0f; }
    std::int64_t countOfProcessedItems() const override { return m_bFinished ? static_cast<std::int64_t>(m_entries.size()) : 0; }
    std::vector<std::shared_ptr<RemoveErrorInfo>> removeErrors() const override { return m_arrRemoveErrors; }

    // Once finished.
    const std::vector<std::shared_ptr<DuplicateItem>>& removedItems() const { return m_arrRemovedItems; }
    // The paths of the removed copies that left their place without going where the helper meant them
    // to go (for the Trash helper: gone, and not reported in the Trash). Once finished.
    const std::vector<std::string>& goneElsewherePaths() const { return m_arrGoneElsewherePaths; }
    // The script could not be written or run, or pkexec was refused: nothing was run.
    bool wasNotAllowed() const { return m_bNotAllowed; }
    bool usedAdministratorRights() const { return m_bUsedAdministratorRights; }

protected:
    // One copy of the group as read on the main thread.
    struct Entry {
        std::shared_ptr<RemoveErrorInfo> error;
        std::shared_ptr<DuplicateItem> item;
        std::string path, parentPath, name;
        bool isDirectory = false;
        std::vector<std::string> childNames;  // a folder copy's entries as scanned
    };
    // The script for the copies that passed the check; `administrator`: it runs through pkexec.
    // `resultsFile`: a file the script may append its report to (empty when none was asked for).
    virtual HelperScript makeScript(bool administrator, const std::string& resultsFile) const = 0;
    virtual bool wantsResultsFile() const { return false; }
    enum class Outcome {
        Stayed,         // still in its place
        Removed,        // gone as the helper meant it to be
        GoneElsewhere,  // gone from its place, but not where the helper meant it to go
    };
    // After the script, on the work queue: where the copy is now; records a copy that left its place in
    // the history.
    virtual Outcome confirmRemoved(const Entry& entry, const std::string& results) const = 0;
    // A folder copy that no longer holds what the scan saw counts as removed.
    static bool isGoneOrChanged(const Entry& entry);

private:
    void work();  // the work queue
    bool runScript(HelperScript& script, bool administrator);  // the work queue; false: not allowed

    std::vector<Entry> m_entries;  // read-only once started
    std::shared_ptr<RemovalSafetyCheck> m_pSafetyCheck;
    std::weak_ptr<DuplicatesStandartRemoverListener> m_pListener;
    std::shared_ptr<SerialQueue> m_pWorkQueue;
    bool m_bIsUsed = false;

    // Main thread, set when the work is done.
    bool m_bFinished = false;
    bool m_bNotAllowed = false;
    bool m_bUsedAdministratorRights = false;
    std::vector<std::shared_ptr<RemoveErrorInfo>> m_arrRemoveErrors;
    std::vector<std::shared_ptr<DuplicateItem>> m_arrRemovedItems;
    std::vector<std::string> m_arrGoneElsewherePaths;
};
