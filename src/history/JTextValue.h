// A text scalar of a log document; numbers, flags and dates are stored as text too.
// Touched only on its log's queue.
#pragma once

#include <memory>
#include <string>

#include "history/JValue.h"

class JTextValue : public JValue {
public:
    explicit JTextValue(std::string text) : text(std::move(text)) {}
    static std::shared_ptr<JTextValue> withText(std::string text) {
        return std::make_shared<JTextValue>(std::move(text));
    }

    std::string text;
};
