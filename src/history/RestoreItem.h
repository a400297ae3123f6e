// A copy moved to the Trash (the "moved to trash" array of a log group), with its path there. Its own
// file is the one in the Trash while that still matches the record (and the Trash's record of it, when
// present, names the same original path), else an earlier restore. Any thread.
#pragma once

#include <memory>
#include <string>

#include "history/BaseRemovedItem.h"

class RestoreItem : public BaseRemovedItem {
public:
    static std::string originalPathKey() { return "original path"; }
    static std::string pathInTrashKey() { return "path in trash"; }
    // Null without "original path" or "path in trash" (a plain path string never makes one).
    static std::shared_ptr<RestoreItem> itemFromJsonObject(const QJsonValue& value);

    const std::string& pathInTrash() const { return m_sPathInTrash; }
    std::string pathInTrashDisplayString() const;
    // ".../info/NAME.trashinfo" for ".../files/NAME"; empty when the path is not in a Trash's files/.
    std::string trashInfoPath() const;
    // Whether the file in the Trash is still this item's.
    bool isInTrash() const;

    // After the Trash's file was moved back, its .trashinfo record is deleted.
    Status itemToRestoreWasMoved() const override;

protected:
    std::optional<std::string> calculateCurrentItemPathToRestoreFrom() const override;

private:
    std::string m_sPathInTrash;
};
