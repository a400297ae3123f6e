// Strips the marks that file managers add to the names of copies, to tell an original name from a
// copy's. A stand-in for the auto-select name analysis: only the common English marks are known
// (" copy", " copy N", " (N)", "copy of "). Pure function; any thread.
#pragma once

#include <string>
#include <string_view>

class CopyMarks {
public:
    CopyMarks() = delete;

    // `lowerCaseName` is a file name without extension (or a folder name), already lower-cased;
    // answers it with every copy mark removed, e.g. "copy of photo copy 2" → "photo".
    static std::string originalNameOfName(std::string_view lowerCaseName);
};
