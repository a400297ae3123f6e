// A file that a removal run took away (permanently or to the Trash), read back from its log, with its
// restore state: whether and where it was restored, and what it can be restored from. The answers are
// computed on demand from the disk and cached until clearCache(); every cache is guarded by the group's
// lock, so any thread may ask.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/BaseFileLogItem.h"
#include "history/ItemToRestoreFrom.h"
#include "platform/Status.h"

class RestoreGroup;

class BaseRemovedItem : public BaseFileLogItem,
                        public ItemToRestoreFrom,
                        public std::enable_shared_from_this<BaseRemovedItem> {
public:
    static constexpr const char* restorationSuffix = " restored";

    // Set by the group before the item is shared.
    void setRestoreInfoDelegate(RestoreGroup* group) { m_pRestoreInfoDelegate = group; }
    RestoreGroup* restoreInfoDelegate() const { return m_pRestoreInfoDelegate; }

    // The file an earlier restore (or the file manager) put back, when one still matches.
    std::optional<std::string> pathToRestoredFile() const;
    bool isRestored() const { return pathToRestoredFile().has_value(); }
    // Itself when its own file can be used, else the group's choice (kept copy, another removed copy,
    // the file the user pointed out); null when nothing can be used.
    std::shared_ptr<const ItemToRestoreFrom> itemToRestoreFrom() const;
    bool isRestorable() const { return itemToRestoreFrom() != nullptr; }
    // The item's own file that can be restored from now: in the Trash or restored earlier.
    std::optional<std::string> currentItemPathToRestoreFrom() const;
    bool canBeRestoredFromCurrent() const { return currentItemPathToRestoreFrom().has_value(); }
    // Its own original path, or a path no other copy of the group was recorded at.
    bool couldBeUsedAsRestoredPath(const std::string& path) const;

    std::optional<std::string> pathToKeptCopyItem() const;
    std::vector<std::string> pathToKeptCopyItemsArray() const;
    std::vector<std::string> pathToKeptCopyItemsArrayEvenNotExisting() const;
    // Whether a file the user points out matches the item (size and modification date).
    bool canBeRestoredFromFileWithUrl(const std::string& path) const;
    // Makes the file the group's substitute original; false when it does not match or cannot be read.
    bool setFileAsFakeOriginal(const std::string& path);

    bool isSelected() const;
    // Refused (false) for an item that is restored or cannot be restored.
    bool setIsSelected(bool selected);

    void clearCache();
    bool isRestoreFailed() const;
    std::optional<Status> restoreError() const;
    void clearItemErrorInfo();
    void onItemWasRestoredSuccessfully(bool success, const Status& error, bool isToExternalFolder);

    std::string itemToRestoreSourcePath() const override { return currentItemPathToRestoreFrom().value_or(""); }
    bool itemToRestoreHasToBeRemovedAfterRestore() const override { return !isRestored(); }
    bool itemToRestoreCanBeUsedToRestoreFrom() const override { return canBeRestoredFromCurrent(); }

protected:
    BaseRemovedItem() = default;
    // Computed under the cache lock; the base answer is the restored file.
    virtual std::optional<std::string> calculateCurrentItemPathToRestoreFrom() const { return pathToRestoredFile(); }

private:
    RestoreGroup* m_pRestoreInfoDelegate = nullptr;
    // guarded by restoreCacheMutex()
    mutable bool m_bIsPathToRestoredFileCalculated = false;
    mutable std::optional<std::string> m_pathToRestoredFile;
    mutable bool m_bIsItemToRestoreFromCached = false;
    mutable std::weak_ptr<const ItemToRestoreFrom> m_itemToRestoreFrom;  // another copy, owned by the group
    mutable bool m_bRestoresFromItself = false;
    mutable bool m_bHasSourceElsewhere = false;
    mutable bool m_bIsCurrentPathCalculated = false;
    mutable std::optional<std::string> m_currentPath;
    bool m_bIsSelected = false;
    bool m_bIsRestoreFailed = false;
    std::optional<Status> m_restoreError;
};
