// Performs a complex operation once, on the thread that calls perform() (a queue of the caller's),
// in order: first every sub-operation's implementability is asked (nothing touched yet; an impossible
// one fails without being tried, and when the bytes bound for a disk exceed its free space every
// operation to that disk fails), then the rest run one by one. The delegate hears of the start,
// of progress (at most once per progressUpdateTime unless forced, with the records collected since)
// and of the end, on the performing thread. cancel() may come from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <vector>

#include "operations/ComplexOperation.h"
#include "operations/ComplexOperationPerformerDelegate.h"
#include "operations/FileOperationProgressInfo.h"
#include "operations/SubOperationsStatistics.h"

class ComplexOperationPerformer {
public:
    using Clock = std::chrono::steady_clock;

    ComplexOperationPerformer(ComplexOperation operation, ComplexOperationPerformerDelegate* delegate,
                              std::chrono::milliseconds progressUpdateTime = std::chrono::milliseconds(250));

    // A second call does nothing.
    void perform();
    // The operations not yet started are left out (counted as not performed).
    void cancel() { m_bIsCanceled = true; }
    bool isCanceled() const { return m_bIsCanceled || (m_pCancelFlag && m_pCancelFlag->load()); }
    // A flag owned by the caller that cancels as well, for a caller that may cancel from another thread
    // while this performer comes and goes; it must outlive perform().
    void setCancelFlag(const std::atomic<bool>* flag) { m_pCancelFlag = flag; }

    const ComplexOperation& operation() const { return m_operation; }
    const SubOperationsStatistics& statistics() const { return m_statistics; }
    bool hasErrors() const { return m_bHasErrors; }
    // Logical bytes of every source, known once the implementability was asked.
    std::uint64_t totalBytes() const { return m_nTotalBytes; }

    // Seam for tests: the clock the throttling reads.
    void setClockForTesting(std::function<Clock::time_point()> now) { m_now = std::move(now); }

private:
    void finishOne(std::size_t index, bool performed, std::uint64_t bytes);
    void reportProgress(bool forced);

    ComplexOperation m_operation;
    ComplexOperationPerformerDelegate* m_pDelegate;
    std::chrono::milliseconds m_progressUpdateTime;
    std::function<Clock::time_point()> m_now;
    Clock::time_point m_startDate;
    Clock::time_point m_progressLastUpdateDate;
    std::vector<FileOperationProgressInfo> m_operationsProgressInfoForUpdate;
    SubOperationsStatistics m_statistics;
    std::uint64_t m_nTotalBytes = 0;
    std::uint64_t m_nBytesDone = 0;
    bool m_bIsUsed = false;
    bool m_bHasErrors = false;
    std::atomic<bool> m_bIsCanceled {false};
    const std::atomic<bool>* m_pCancelFlag = nullptr;
};
