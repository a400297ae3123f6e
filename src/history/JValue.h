// Base of the values of a log document (objects, arrays, texts). A document is touched only on its
// log's queue; a value may be shared by two documents.
#pragma once

#include <memory>

class JArray;
class JObject;
class JTextValue;

class JValue {
public:
    virtual ~JValue() = default;
    JValue(const JValue&) = delete;
    JValue& operator=(const JValue&) = delete;

    // The value itself when it is of that kind, else null (also for a null value).
    static std::shared_ptr<JArray> asArray(const std::shared_ptr<JValue>& value);
    static std::shared_ptr<JObject> asObject(const std::shared_ptr<JValue>& value);
    static std::shared_ptr<JTextValue> asTextValue(const std::shared_ptr<JValue>& value);

    // Carried along with the value, never written.
    std::shared_ptr<void> userData;

protected:
    JValue() = default;
};
