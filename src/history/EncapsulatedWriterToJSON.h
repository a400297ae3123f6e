// The state of one JSON write: the command and the current line prefix. Lives for one writeValue.
// Used on the log's queue only.
#pragma once

#include <memory>
#include <string>

#include "history/JWriter.h"

class JArray;
class JObject;

class EncapsulatedWriterToJSON {
public:
    EncapsulatedWriterToJSON() = default;
    EncapsulatedWriterToJSON(const EncapsulatedWriterToJSON&) = delete;
    EncapsulatedWriterToJSON& operator=(const EncapsulatedWriterToJSON&) = delete;

    void writeValue(const std::shared_ptr<JValue>& value, const WriteCommand& command);

    WriteCommand write;
    std::string linePrefix;
    std::string indentation = "  ";

private:
    void writeValue(const std::shared_ptr<JValue>& value);
    void writeObject(const JObject& object);
    void writeArray(const JArray& array);
    void writeText(const std::string& text);
    std::string incrementLinePrefix();
    void writeNewLine();
};
