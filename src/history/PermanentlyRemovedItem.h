// A copy removed without the Trash (the "removed" array of a log group). Any thread.
#pragma once

#include <memory>
#include <string>

#include "history/BaseRemovedItem.h"

class PermanentlyRemovedItem : public BaseRemovedItem {
public:
    static std::string originalPathKey() { return "path"; }
    static std::shared_ptr<PermanentlyRemovedItem> itemFromJsonObject(const QJsonValue& value);
};
