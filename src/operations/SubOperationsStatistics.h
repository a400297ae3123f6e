// The counts of one complex operation's sub-operations. Plain value; any thread.
#pragma once

#include <cstdint>

struct SubOperationsStatistics {
    std::int64_t totalCount = 0;
    std::int64_t countOfSuccessfullyPerformed = 0;
    std::int64_t countOfFailed = 0;
    std::int64_t countOfNotPerformed = 0;

    // At least one was performed and every one succeeded.
    bool allSucceeded() const { return totalCount > 0 && countOfSuccessfullyPerformed == totalCount; }
};
