// One removal log read for restoring: its date, its groups and all their removed copies. Loading reads
// the file on the calling thread (the window calls it from a background queue); the state and the
// children are guarded by the controller's lock, so any thread may ask afterwards.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "history/RestoreGroupDataSource.h"

class BaseRemovedItem;
class RestoreGroup;

class RestoreController : public RestoreGroupDataSource {
public:
    enum LoadingState { NotLoaded = 0, Loading = 1, Loaded = 2 };
    enum SelectionState { AllSelected = 0, NoneSelected = 1, SomeSelected = 2 };

    explicit RestoreController(const std::string& path);
    RestoreController(const RestoreController&) = delete;
    RestoreController& operator=(const RestoreController&) = delete;

    const std::string& name() const { return m_sName; }
    const std::string& path() const { return m_sPath; }
    // N of a name "<date> N.log" (the Nth log of its second), 1 otherwise.
    int sequence() const { return m_nSequence; }
    std::optional<std::int64_t> date() const;
    std::vector<std::shared_ptr<RestoreGroup>> groups() const;
    std::vector<std::shared_ptr<BaseRemovedItem>> children() const;
    LoadingState loadingState() const;
    // The reason the log could not be read at the last load (it then has no groups); empty otherwise.
    std::string loadProblem() const;

    // Reads the log unless `onlyIfHasNoLoadedData` and it was loaded already. A log that cannot be
    // read or holds no removed copy loads empty.
    void loadOnlyIfHasNoLoadedData(bool onlyIfHasNoLoadedData);

    std::int64_t calculateNumberOfRemovedItems() const;
    std::int64_t calculateNumberOfRestorableItems() const;
    std::shared_ptr<BaseRemovedItem> firstItemFailedToRestore() const;
    SelectionState selectionState() const;
    // AllSelected selects every child that is restorable and not restored; NoneSelected deselects all.
    void setSelectionState(SelectionState state);
    bool haveSelectableItems() const;

    std::optional<std::int64_t> restoreGroupRestoreDate() const override { return date(); }

private:
    std::string m_sName;
    std::string m_sPath;
    int m_nSequence = 1;
    mutable std::mutex m_mutex;
    std::optional<std::int64_t> m_date;                       // guarded by m_mutex
    std::vector<std::shared_ptr<RestoreGroup>> m_groups;      // guarded by m_mutex
    std::vector<std::shared_ptr<BaseRemovedItem>> m_children; // guarded by m_mutex
    LoadingState m_eLoadingState = NotLoaded;                 // guarded by m_mutex
    std::string m_sLoadProblem;                               // guarded by m_mutex
};
