// What the heap search asks of and reports to the scan driver. Called on the queue
// "folderseparator.working"; a delegate that needs the main thread hops there itself.
#pragma once

#include <cstdint>
#include <memory>

class HeapsValidateProgressListener;

class HeapsItemsFilterDelegate {
public:
    virtual ~HeapsItemsFilterDelegate() = default;

    virtual bool isHeapsItemsFilterCanceled() = 0;
    virtual std::shared_ptr<HeapsValidateProgressListener> getHeapsValidateProgressListener() = 0;
    virtual void onHeapsItemsFilterStartSeparateItems() = 0;
    virtual void onHeapsItemsFilterFinishedWork() = 0;
    virtual void onHeapsItemsFilterFoundDuplicatesCount(std::int64_t count) = 0;

protected:
    HeapsItemsFilterDelegate() = default;
    HeapsItemsFilterDelegate(const HeapsItemsFilterDelegate&) = default;
    HeapsItemsFilterDelegate& operator=(const HeapsItemsFilterDelegate&) = default;
};
