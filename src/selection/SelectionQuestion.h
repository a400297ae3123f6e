// A question or message that a selection command wants shown to the user, as data: the front end
// decides how to show it and reports the chosen button back. Plain value; any thread.
#pragma once

#include <string>
#include <vector>

struct SelectionQuestion {
    std::string message;
    std::string informativeText;
    std::vector<std::string> buttons;  // in order; the first is the default
    std::string suppressionText;       // the "do not show again" check box, empty when there is none
};
