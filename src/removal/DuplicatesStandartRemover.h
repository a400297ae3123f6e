// What every remover does for one removal session: start, stop, progress and the failures left once
// it has finished. Called on the main thread; the remover reports to its listener on the main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class RemoveErrorInfo;

class DuplicatesStandartRemover {
public:
    virtual ~DuplicatesStandartRemover() = default;

    // False when nothing was started: the session is then over at once.
    virtual bool startRemove() = 0;
    virtual void stopRemove() = 0;
    // Processed ÷ total, from 0 to 1.
    virtual float progress() const = 0;
    virtual std::int64_t countOfProcessedItems() const = 0;
    // Meaningful once the remover has finished.
    virtual std::vector<std::shared_ptr<RemoveErrorInfo>> removeErrors() const = 0;
};
