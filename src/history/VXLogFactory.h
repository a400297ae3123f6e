// Makes and places the removal logs: a RemoveLog written as JSON into a new file of
// $XDG_DATA_HOME/Dorvane/Removed named by its creation date ("yyyy-MM-dd HH.mm.ss z.log", with " 2",
// " 3" … before ".log" when runs share a second). Stateless; any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "history/WritableLogDelegate.h"
#include "history/WritableLogFactory.h"
#include "history/WriteToFileProviderDelegate.h"
#include "platform/Status.h"

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
    // The date of a log file's name: a date in one of remove_date's formats, optionally followed by
    // " N" (N from 2, the Nth log of that second, answered in `sequence`; 1 without it), then ".log"
    // (every ".log" in the name is ignored). Null for names that are not logs.
    static std::optional<std::int64_t> dateOfLogFileName(const std::string& name, int& sequence);
    // Creates the log folder when missing and proves that it takes new files.
    static Status ensureLogFolderWritable();

    std::shared_ptr<WritableLog> createEmptyLog() override;

    std::shared_ptr<WriteProvider> generateWriteProviderForLog(const Log& log) override;
    std::shared_ptr<JWriter> generateWriterForLog(const Log& log) override;
    // The root with its groups renumbered, or null (no file) when nothing changed.
    std::shared_ptr<JValue> prepareForWriteRootObject(const std::shared_ptr<JObject>& root, const Log& log) override;

    std::optional<std::string> logFolderPathForWriteProvider(const WriteProvider& provider) override;
    std::optional<std::string> logFileNameForObject(const std::shared_ptr<JValue>& object, const Log& log,
                                                    const JWriter* writer) override;
};
