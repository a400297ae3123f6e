// The JSON format of the removal logs: every member and element on its own line, indented by
// `indentation` per level, commas at line ends, no newline after the last bracket. Log queue.
#pragma once

#include <string>

#include "history/JWriter.h"

class WriterToJSON : public JWriter {
public:
    WriterToJSON() = default;
    WriterToJSON(const WriterToJSON&) = delete;
    WriterToJSON& operator=(const WriterToJSON&) = delete;

    void writeValue(const std::shared_ptr<JValue>& value, const WriteCommand& command) override;

    std::string indentation = "  ";
};
