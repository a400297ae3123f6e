#include "results/CopyMarks.h"

#include <cctype>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Removes one trailing mark (" copy", " copy N", " (N)") or the leading "copy of "; false when none.
bool stripOneMark(std::string& name) {
    static constexpr std::string_view kPrefix = "copy of ";
    if (name.size() > kPrefix.size() && name.compare(0, kPrefix.size(), kPrefix) == 0) {
        name.erase(0, kPrefix.size());
        return true;
    }
    // " (N)"
    if (name.size() >= 4 && name.back() == ')') {
        std::size_t i = name.size() - 1;
        std::size_t digitsEnd = i;
        while (i > 0 && isDigit(name[i - 1])) --i;
        if (i < digitsEnd && i >= 2 && name[i - 1] == '(' && name[i - 2] == ' ' && i - 2 > 0) {
            name.erase(i - 2);
            return true;
        }
    }
    // " copy N"
    std::size_t end = name.size();
    std::size_t i = end;
    while (i > 0 && isDigit(name[i - 1])) --i;
    if (i < end && i > 0 && name[i - 1] == ' ') end = i - 1;
    static constexpr std::string_view kCopy = " copy";
    if (end > kCopy.size() && name.compare(end - kCopy.size(), kCopy.size(), kCopy) == 0) {
        name.erase(end - kCopy.size());
        return true;
    }
    return false;
}

}  // namespace

std::string CopyMarks::originalNameOfName(std::string_view lowerCaseName) {
    std::string name(lowerCaseName);
    while (stripOneMark(name)) {
    }
    return name;
}
