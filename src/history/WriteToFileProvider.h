// Writes a log into a file named by the delegate, creating the folder first; this base streams each
// piece into the file as it comes. Failures only leave the file missing. Called on the log's queue.
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

    void provideWriteCommandForObject(const std::shared_ptr<JValue>& object, const Log& log,
                                      const std::function<void(const WriteCommand&)>& completion) override;

protected:
    virtual void provideWriteCommandToFileAtPath(const std::string& path,
                                                 const std::function<void(const WriteCommand&)>& completion);

private:
    const std::weak_ptr<WriteToFileProviderDelegate> m_pDelegate;
};
