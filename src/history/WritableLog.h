// A log that can be saved through its delegate: the save runs on the log's queue after every change
// queued before it, and its outcome is kept for saveOutcome(). Any thread may call save();
// saveOutcome() waits for the log's queue, so never from that queue.
#pragma once

#include <memory>
#include <mutex>

#include "history/Log.h"
#include "history/LogWriteOutcome.h"

class WritableLogDelegate;

class WritableLog : public Log {
public:
    explicit WritableLog(std::shared_ptr<WritableLogDelegate> delegate) : m_pDelegate(std::move(delegate)) {}

    void save();
    // The outcome of the last save queued before this call, once it has run (NothingToWrite before any
    // save, or when the delegate had nothing to write).
    LogWriteOutcome saveOutcome();
    const std::shared_ptr<WritableLogDelegate>& delegate() const { return m_pDelegate; }

private:
    void setOutcome(LogWriteOutcome outcome);

    const std::shared_ptr<WritableLogDelegate> m_pDelegate;
    std::mutex m_outcomeMutex;
    LogWriteOutcome m_outcome;  // guarded by m_outcomeMutex
};
