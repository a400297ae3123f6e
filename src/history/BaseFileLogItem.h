// One file object read back from a removal log: its original path, size, kind and modification date.
// Made on a loading thread; the date is parsed once under the item's own mutex, so any thread may ask.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "history/BaseFileLogItemDataSource.h"

class QJsonValue;

class BaseFileLogItem {
public:
    static constexpr std::int64_t kUnknownSize = -1;

    virtual ~BaseFileLogItem() = default;
    BaseFileLogItem(const BaseFileLogItem&) = delete;
    BaseFileLogItem& operator=(const BaseFileLogItem&) = delete;

    const std::string& originalPath() const { return m_sOriginalPath; }
    std::int64_t fileSize() const { return m_nFileSize; }
    bool isDirectory() const { return m_bIsDirectory; }
    const std::optional<std::string>& originalFileModificationDateString() const {
        return m_sOriginalFileModificationDateString;
    }
    // Parsed from the stored text on first use ("yyyy-MM-dd HH:mm:ss z"); null when absent or unparsable.
    std::optional<std::int64_t> originalFileModificationDate() const;
    // The path with the home folder written as "~".
    std::string originalPathDisplayString() const;

    static std::string sizeKey() { return "size"; }
    static std::string modificationDateKey() { return "date_mod"; }
    static std::string isDirectoryKey() { return "isDirectory"; }

    // Reads a file object (or an older log's plain path string) with the given path key; false when
    // the value holds no path. Called once, before the item is shared.
    bool initWithJsonObject(const QJsonValue& value, const std::string& originalPathKey);
    // Describes a file that exists now (its kind, size and modification date); false when its
    // attributes cannot be read. Called once, before the item is shared.
    bool initWithFileURL(const std::string& path);

    // Set by the group before the item is shared; the group outlives its items' use.
    void setRemoveInfoDataSource(const BaseFileLogItemDataSource* dataSource) { m_pDataSource = dataSource; }
    // The date of the removal run that recorded the item, when known.
    std::optional<std::int64_t> removeDate() const;
    // The lock of the restore caches: the group's, or the item's own while it has no group.
    std::recursive_mutex& restoreCacheMutex() const;

protected:
    BaseFileLogItem() = default;

private:
    std::string m_sOriginalPath;
    std::int64_t m_nFileSize = kUnknownSize;
    bool m_bIsDirectory = false;
    std::optional<std::string> m_sOriginalFileModificationDateString;
    const BaseFileLogItemDataSource* m_pDataSource = nullptr;
    mutable std::recursive_mutex m_ownCacheMutex;
    mutable std::mutex m_dateMutex;
    mutable bool m_bHasModificationDateBeenCalculated = false;            // guarded by m_dateMutex
    mutable std::optional<std::int64_t> m_originalFileModificationDate;  // guarded by m_dateMutex
};
