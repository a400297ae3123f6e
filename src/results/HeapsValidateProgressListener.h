// Progress and cancellation of a heaps validation. Every call arrives on the validating queue (the
// model's queue); a listener that shows the values hops to the main thread itself.
#pragma once

#include <cstdint>

class HeapsValidateProgressListener {
public:
    virtual ~HeapsValidateProgressListener() = default;

    virtual bool isHeapsValidationCanceled() = 0;
    virtual void onHeapsCheckedFolders(std::uint64_t count) = 0;
    virtual void onHeapsSizeChanged(std::uint64_t size, float progress) = 0;
};
