#include "history/JValue.h"

#include <algorithm>

#include "history/JArray.h"
#include "history/JObject.h"
#include "history/JTextValue.h"

std::shared_ptr<JArray> JValue::asArray(const std::shared_ptr<JValue>& value) {
    return std::dynamic_pointer_cast<JArray>(value);
}

std::shared_ptr<JObject> JValue::asObject(const std::shared_ptr<JValue>& value) {
    return std::dynamic_pointer_cast<JObject>(value);
}

std::shared_ptr<JTextValue> JValue::asTextValue(const std::shared_ptr<JValue>& value) {
    return std::dynamic_pointer_cast<JTextValue>(value);
}

void JArray::addValue(std::shared_ptr<JValue> value) {
    if (value) content.push_back(std::move(value));
}

std::shared_ptr<JValue> JArray::valueAtIndex(std::int64_t index) const {
    if (index < 0 || index >= count()) return nullptr;
    return content[static_cast<std::size_t>(index)];
}

void JArray::removeValueAtIndex(std::int64_t index) {
    if (index < 0 || index >= count()) return;
    content.erase(content.begin() + index);
}

void JObject::setValueForKey(std::shared_ptr<JValue> value, const std::string& key) {
    if (!value) {
        removeValueForKey(key);
        return;
    }
    content[key] = std::move(value);
}

std::shared_ptr<JValue> JObject::valueForKey(const std::string& key) const {
    const auto it = content.find(key);
    return it == content.end() ? nullptr : it->second;
}

std::vector<std::string> JObject::allKeys() const {
    std::vector<std::string> keys;
    keys.reserve(content.size());
    for (const auto& [key, value] : content) keys.push_back(key);
    return keys;
}

std::vector<std::shared_ptr<JValue>> JObject::allValues() const {
    std::vector<std::shared_ptr<JValue>> values;
    values.reserve(content.size());
    for (const auto& [key, value] : content) values.push_back(value);
    return values;
}

std::shared_ptr<JValue> JObject::customObjectForKey(
    const std::string& key, const std::function<bool(const std::shared_ptr<JValue>&)>& validation,
    const std::function<std::shared_ptr<JValue>()>& creation) {
    std::shared_ptr<JValue> value = valueForKey(key);
    if (value && validation && !validation(value)) value = nullptr;
    if (!value && creation) {
        value = creation();
        setValueForKey(value, key);
    }
    return value;
}

std::shared_ptr<JObject> JObject::objectForKey(const std::string& key, bool* isCreated) {
    if (isCreated) *isCreated = false;
    return asObject(customObjectForKey(
        key, [](const std::shared_ptr<JValue>& v) { return asObject(v) != nullptr; },
        [isCreated]() -> std::shared_ptr<JValue> {
            if (isCreated) *isCreated = true;
            return std::make_shared<JObject>();
        }));
}

std::shared_ptr<JArray> JObject::arrayForKey(const std::string& key, bool* isCreated) {
    if (isCreated) *isCreated = false;
    return asArray(customObjectForKey(
        key, [](const std::shared_ptr<JValue>& v) { return asArray(v) != nullptr; },
        [isCreated]() -> std::shared_ptr<JValue> {
            if (isCreated) *isCreated = true;
            return std::make_shared<JArray>();
        }));
}

std::uint64_t JObject::sortOrderValueForKey(const std::string& key) const {
    const auto it = keysSortOrder.find(key);
    return it == keysSortOrder.end() ? kNoSortOrder : it->second;
}

std::vector<std::string> JObject::sortedKeys() const {
    std::vector<std::string> keys = allKeys();
    std::stable_sort(keys.begin(), keys.end(), [this](const std::string& a, const std::string& b) {
        return sortOrderValueForKey(a) < sortOrderValueForKey(b);
    });
    return keys;
}
