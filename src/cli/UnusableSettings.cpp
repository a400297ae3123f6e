#include "cli/UnusableSettings.h"

#include <cstdio>

#include "settings/Settings.h"

bool mayRemoveWithTheseSettings(bool yes) {
    const auto problem = Settings::standard().unusableFileProblem();
    if (!problem || yes) return true;
    std::fprintf(stderr,
                 "dorvane: the settings file %s, so every setting is at its default, your Always Select, Never "
                 "Select and excluded folders included; nothing was removed. Check them with 'dorvane settings' "
                 "(changing one replaces the file, which is kept as a backup), or add --yes to remove with the "
                 "defaults.\n",
                 problem->c_str());
    return false;
}
