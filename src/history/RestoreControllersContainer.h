// The removal logs of one calendar day (keyed by the day's local noon), newest first, with the counts
// of removed and restorable copies summed over them. Built and changed by RestoreKenelManager on one
// thread; read from that thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class RestoreController;

class RestoreControllersContainer {
public:
    explicit RestoreControllersContainer(std::int64_t noonOfTheDay) : m_nNoonOfTheDay(noonOfTheDay) {}

    // The start of the date's local day plus 12 hours.
    static std::int64_t noonOfTheDay(std::int64_t date);

    std::int64_t noon() const { return m_nNoonOfTheDay; }
    const std::vector<std::shared_ptr<RestoreController>>& controllers() const { return m_controllers; }
    // At its place by date, newest first.
    void insertController(std::shared_ptr<RestoreController> controller);
    void removeController(const RestoreController* controller);

    std::int64_t calculateNumberOfRemovedItems() const;
    std::int64_t calculateNumberOfRestorableItems() const;
    void loadOnlyIfHasNoLoadedData(bool onlyIfHasNoLoadedData);
    // Loading if some log is loading, else NotLoaded if some is not loaded, else Loaded.
    int loadingState() const;

private:
    std::int64_t m_nNoonOfTheDay;
    std::vector<std::shared_ptr<RestoreController>> m_controllers;
};
