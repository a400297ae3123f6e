// Tells a file provider where a log goes: the folder and the file name (null: write nothing).
// Called on the log's queue.
#pragma once

#include <memory>
#include <optional>
#include <string>

class JValue;
class JWriter;
class Log;
class WriteProvider;

class WriteToFileProviderDelegate {
public:
    virtual ~WriteToFileProviderDelegate() = default;
    virtual std::optional<std::string> logFolderPathForWriteProvider(const WriteProvider& provider) = 0;
    // `writer` may be null: the provider does not know the format.
    virtual std::optional<std::string> logFileNameForObject(const std::shared_ptr<JValue>& object, const Log& log,
                                                            const JWriter* writer) = 0;
};
