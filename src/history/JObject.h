// A keyed document value with a sort order per key, which decides the order of the members when
// written; keys without an order come last. Touched only on its log's queue.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "history/JValue.h"

class JArray;

class JObject : public JValue {
public:
    static constexpr std::uint64_t kNoSortOrder = UINT64_MAX;

    JObject() = default;

    // A null value removes the key.
    void setValueForKey(std::shared_ptr<JValue> value, const std::string& key);
    void removeValueForKey(const std::string& key) { content.erase(key); }
    std::shared_ptr<JValue> valueForKey(const std::string& key) const;
    std::vector<std::string> allKeys() const;
    std::vector<std::shared_ptr<JValue>> allValues() const;
    std::size_t count() const { return content.size(); }

    // The stored value unless `validation` rejects it; a missing (or rejected) value is replaced by
    // the result of `creation` when one is given.
    std::shared_ptr<JValue> customObjectForKey(const std::string& key,
                                               const std::function<bool(const std::shared_ptr<JValue>&)>& validation,
                                               const std::function<std::shared_ptr<JValue>()>& creation);
    // The object (array) under the key, created empty when missing or of another kind; `isCreated`
    // tells whether it was created.
    std::shared_ptr<JObject> objectForKey(const std::string& key, bool* isCreated = nullptr);
    std::shared_ptr<JArray> arrayForKey(const std::string& key, bool* isCreated = nullptr);

    void setSortOrderForKey(std::uint64_t order, const std::string& key) { keysSortOrder[key] = order; }
    std::uint64_t sortOrderValueForKey(const std::string& key) const;
    // allKeys ascending by sort order; keys without an order last, in allKeys order.
    std::vector<std::string> sortedKeys() const;

    std::map<std::string, std::shared_ptr<JValue>> content;
    std::map<std::string, std::uint64_t> keysSortOrder;
};
