// A log that can be saved through its delegate: the save runs on the log's queue after every change
// queued before it. Any thread may call save().
#pragma once

#include <memory>

#include "history/Log.h"

class WritableLogDelegate;

class WritableLog : public Log {
public:
    explicit WritableLog(std::shared_ptr<WritableLogDelegate> delegate) : m_pDelegate(std::move(delegate)) {}

    void save();
    const std::shared_ptr<WritableLogDelegate>& delegate() const { return m_pDelegate; }

private:
    const std::shared_ptr<WritableLogDelegate> m_pDelegate;
};
