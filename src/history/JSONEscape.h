// Escaping of text for the removal log's JSON: backslash, double quote, solidus ("\/"), line feed,
// backspace, form feed, carriage return and tab, in that order; everything else stays. Any thread.
#pragma once

#include <string>

std::string escapeForJSON(const std::string& text);
