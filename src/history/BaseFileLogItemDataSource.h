// What a log item learns from the group holding it: the date of the removal run, and the one lock that
// guards the restore caches of all items of the group. Any thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

class BaseFileLogItemDataSource {
public:
    virtual ~BaseFileLogItemDataSource() = default;
    virtual std::optional<std::int64_t> removeDateOfItems() const = 0;
    virtual std::recursive_mutex& restoreCacheMutex() const = 0;
};
