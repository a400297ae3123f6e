// Runs a merge plan once: one move or copy (with the plan's label) per planned item, performed as one
// complex operation on the queue "merge operation queue"; then, when the source folder's removal was
// asked, every step succeeded and the destination is not the source or inside it, the source folder
// goes to the Trash. The listener hears progress and the end on the main thread; the plan's items
// get their results there too. Create, start and destroy on the main thread; cancel from any thread.
#pragma once

#include <atomic>
#include <memory>

#include "operations/MergeOperationData.h"
#include "operations/MergeOperationListener.h"
#include "operations/MergeOperationResult.h"

class SerialQueue;

class MergeOperation {
public:
    explicit MergeOperation(std::shared_ptr<MergeOperationData> data);
    ~MergeOperation();
    MergeOperation(const MergeOperation&) = delete;
    MergeOperation& operator=(const MergeOperation&) = delete;

    const std::shared_ptr<MergeOperationData>& data() const { return m_pData; }
    // A second call does nothing; `listener` must outlive the operation or the finish call, whichever
    // comes first.
    void start(MergeOperationListener* listener);
    bool isStarted() const { return m_bIsStarted; }
    // Items not yet begun are left as they are.
    void cancel();

    struct State;

private:
    std::shared_ptr<MergeOperationData> m_pData;
    std::shared_ptr<State> m_pState;
    std::shared_ptr<SerialQueue> m_pWorkQueue;
    bool m_bIsStarted = false;
};
