// Makes and places the removal logs: a RemoveLog written as JSON, atomically, into
// $XDG_DATA_HOME/Dorvane/Removed under a name made of its creation date. Stateless; any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "history/WritableLogDelegate.h"
#include "history/WritableLogFactory.h"
#include "history/WriteToFileProviderDelegate.h"

class VXLogFactory : public WritableLogFactory,
                     public WritableLogDelegate,
                     public WriteToFileProviderDelegate,
                     public std::enable_shared_from_this<VXLogFactory> {
public:
    VXLogFactory() = default;
    VXLogFactory(const VXLogFactory&) = delete;
    VXLogFactory& operator=(const VXLogFactory&) = delete;

    static std::optional<std::string> systemLogFolderPath();  // the user's data folder
    static std::optional<std::string> logFolderPath();        // …/Dorvane/Removed
    // "yyyy-MM-dd HH.mm.ss z.log"
    static std::string fileNameOfLogCreatedOnDate(std::int64_t secondsSince1970);

    std::shared_ptr<WritableLog> createEmptyLog() override;

    std::shared_ptr<WriteProvider> generateWriteProviderForLog(const Log& log) override;
    std::shared_ptr<JWriter> generateWriterForLog(const Log& log) override;
    // The root with its groups renumbered, or null (no file) when nothing changed.
    std::shared_ptr<JValue> prepareForWriteRootObject(const std::shared_ptr<JObject>& root, const Log& log) override;

    std::optional<std::string> logFolderPathForWriteProvider(const WriteProvider& provider) override;
    std::optional<std::string> logFileNameForObject(const std::shared_ptr<JValue>& object, const Log& log,
                                                    const JWriter* writer) override;
};
