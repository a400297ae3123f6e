// Escaping of text for the removal log's JSON: backslash, double quote, solidus ("\/"), line feed,
// backspace, form feed, carriage return and tab, other control characters as \u00XX; bytes that are not
// UTF-8 become U+FFFD; everything else stays. Any thread.
#pragma once

#include <string>

std::string escapeForJSON(const std::string& text);
