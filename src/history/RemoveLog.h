// The document of one removal run: "application", "date" and "changes" (one object per duplicate
// group). Created by the removal history's factory; filled and written on its own queue.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "history/WritableLog.h"

class RemoveLog : public WritableLog {
public:
    // Sets the creation date to now and queues the filling of the root.
    static std::shared_ptr<RemoveLog> create(std::shared_ptr<WritableLogDelegate> delegate);
    // The same with a given creation date (seconds since 1970).
    static std::shared_ptr<RemoveLog> create(std::shared_ptr<WritableLogDelegate> delegate, std::int64_t creationDate);
    explicit RemoveLog(std::shared_ptr<WritableLogDelegate> delegate);
    RemoveLog(std::shared_ptr<WritableLogDelegate> delegate, std::int64_t creationDate);

    std::int64_t creationDate() const { return m_nCreationDate; }
    std::string creationDateAsString() const;
    static std::string appName();

    void fillRootObject(JObject& root) const;
    static void setSortOrdersOfRootObject(JObject& root);
    // Whether the root's "changes" object has members.
    static bool isHasChangesRootObject(const JObject& root);
    // A new root sharing "application" and "date", with the groups renumbered "1", "2", … in the order
    // the changes object yields them.
    static std::shared_ptr<JObject> convertChangesKeysToOrderedIndexesInObject(const JObject& root);

private:
    const std::int64_t m_nCreationDate;  // seconds since 1970
};
