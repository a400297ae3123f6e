// An ordered list of document values. Touched only on its log's queue.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "history/JValue.h"

class JArray : public JValue {
public:
    JArray() = default;

    void addValue(std::shared_ptr<JValue> value);  // null is ignored
    // Null for an index below 0 or past the end.
    std::shared_ptr<JValue> valueAtIndex(std::int64_t index) const;
    std::int64_t count() const { return static_cast<std::int64_t>(content.size()); }
    void removeValueAtIndex(std::int64_t index);  // out of range does nothing
    void removeAllValues() { content.clear(); }

    std::vector<std::shared_ptr<JValue>> content;
};
