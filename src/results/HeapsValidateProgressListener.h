// Progress and cancellation of a heaps validation. isHeapsValidationCanceled and
// onHeapsCheckedFolders are called on the validating queue; onHeapsSizeChanged on the main thread.
#pragma once

#include <cstdint>

class HeapsValidateProgressListener {
public:
    virtual ~HeapsValidateProgressListener() = default;

    virtual bool isHeapsValidationCanceled() = 0;
    virtual void onHeapsCheckedFolders(std::uint64_t count) = 0;
    virtual void onHeapsSizeChanged(std::uint64_t size, float progress) = 0;
};
