// Writes a log into a new file of the folder the delegate names, creating the folder first: the whole
// text is collected, then written with file_contents::writeNewFile, so a reader sees no file or the
// complete one and no earlier log is ever replaced (a taken name gets " 2", " 3" … before its
// extension). Every failure is answered. Called on the log's queue.
#pragma once

#include <memory>
#include <string>

#include "history/WriteProvider.h"

class WriteToFileProviderDelegate;

class WriteToFileProvider : public WriteProvider {
public:
    // The delegate is held weakly: a delegate that has gone writes nothing.
    explicit WriteToFileProvider(std::weak_ptr<WriteToFileProviderDelegate> delegate)
        : m_pDelegate(std::move(delegate)) {}
    WriteToFileProvider(const WriteToFileProvider&) = delete;
    WriteToFileProvider& operator=(const WriteToFileProvider&) = delete;

    LogWriteOutcome provideWriteCommandForObject(const std::shared_ptr<JValue>& object, const Log& log,
                                                 const std::function<void(const WriteCommand&)>& completion) override;

private:
    const std::weak_ptr<WriteToFileProviderDelegate> m_pDelegate;
};
