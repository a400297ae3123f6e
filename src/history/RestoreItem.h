// A copy moved to the Trash (the "moved to trash" array of a log group), with its path there.
// Any thread.
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

private:
    std::string m_sPathInTrash;
};
