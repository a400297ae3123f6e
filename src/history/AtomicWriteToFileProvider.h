// Collects the whole text in memory and then replaces the file atomically, so a reader sees the
// previous file or the complete new one. Called on the log's queue.
#pragma once

#include "history/WriteToFileProvider.h"

class AtomicWriteToFileProvider : public WriteToFileProvider {
public:
    using WriteToFileProvider::WriteToFileProvider;

protected:
    void provideWriteCommandToFileAtPath(const std::string& path,
                                         const std::function<void(const WriteCommand&)>& completion) override;
};
