// A copy that stayed on disk in a removal run (the "kept" array of a log group), or a file the user
// pointed out as the original; removed copies can be restored from it by copying while it still
// matches its record. Any thread; the cached answer is guarded by the group's lock.
#pragma once

#include <memory>
#include <string>

#include "history/BaseFileLogItem.h"
#include "history/ItemToRestoreFrom.h"

class KeptItem : public BaseFileLogItem, public ItemToRestoreFrom {
public:
    static std::string originalPathKey() { return "path"; }
    // Null when the value is neither a file object with "path" nor a path string.
    static std::shared_ptr<KeptItem> itemFromJsonObject(const QJsonValue& value);
    // A file that exists now; null when its attributes cannot be read.
    static std::shared_ptr<KeptItem> itemWithFile(const std::string& path);

    // The file still exists and matches its record.
    bool canBeUsedToRestore() const;
    void clearCache();

    std::string itemToRestoreSourcePath() const override { return originalPath(); }
    bool itemToRestoreHasToBeRemovedAfterRestore() const override { return false; }
    bool itemToRestoreCanBeUsedToRestoreFrom() const override { return canBeUsedToRestore(); }

private:
    mutable std::optional<bool> m_canBeUsedToRestoreValue;  // guarded by restoreCacheMutex()
};
