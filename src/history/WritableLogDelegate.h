// What a writable log asks of its owner when saved: where (a provider), in which format (a writer), and
// what (the prepared root, or null to write nothing). The last is asked on the log's queue.
#pragma once

#include <memory>

class JObject;
class JValue;
class JWriter;
class Log;
class WriteProvider;

class WritableLogDelegate {
public:
    virtual ~WritableLogDelegate() = default;
    virtual std::shared_ptr<WriteProvider> generateWriteProviderForLog(const Log& log) = 0;
    virtual std::shared_ptr<JWriter> generateWriterForLog(const Log& log) = 0;
    virtual std::shared_ptr<JValue> prepareForWriteRootObject(const std::shared_ptr<JObject>& root, const Log& log) = 0;
};
