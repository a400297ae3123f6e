// The folder decision for one copy: whether its folder lies in the Always Select list, the Never
// Select list, or neither. Plain value; any thread.
#pragma once

#include <cstdint>

enum AutoSelectChoice : std::int32_t {
    AutoSelectChoiceUndecided = 0,
    AutoSelectChoiceSelect = 1,       // the copy lies in an Always Select folder
    AutoSelectChoiceNeverSelect = 2,  // the copy lies in a Never Select folder
};
