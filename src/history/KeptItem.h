// A copy that stayed on disk in a removal run (the "kept" array of a log group). Any thread.
#pragma once

#include <memory>
#include <string>

#include "history/BaseFileLogItem.h"

class KeptItem : public BaseFileLogItem {
public:
    static std::string originalPathKey() { return "path"; }
    // Null when the value is neither a file object with "path" nor a path string.
    static std::shared_ptr<KeptItem> itemFromJsonObject(const QJsonValue& value);
};
