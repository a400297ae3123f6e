// What a restore group asks of the log holding it: the date of the removal run. Any thread.
#pragma once

#include <cstdint>
#include <optional>

class RestoreGroupDataSource {
public:
    virtual ~RestoreGroupDataSource() = default;
    virtual std::optional<std::int64_t> restoreGroupRestoreDate() const = 0;
};
