#include "cli/SettingsCommand.h"

#include <algorithm>
#include <iostream>

#include "settings/Settings.h"

namespace {
const char* kSettingsUsage =
    "usage: dorvane settings                 list every setting with its value and default\n"
    "       dorvane settings get KEY         print one setting's value\n"
    "       dorvane settings set KEY VALUE   change a setting (the value is checked against its type)\n"
    "       dorvane settings reset [KEY]     return one setting, or every setting, to its default\n"
    "\n"
    "KEY is the stored key (KEY_minDuplicatesFileSize) or the accessor name (minDuplicatesFileSize).\n"
    "Booleans take true or false; lists take a JSON array of strings, e.g. '[\"/home/me/Downloads\"]'.\n";

void printWarning(std::ostream& err, Settings& settings) {
    if (auto warning = settings.takeLoadWarning()) err << "dorvane settings: warning: " << *warning << "\n";
}

int usageError(std::ostream& err, const std::string& problem) {
    err << "dorvane settings: " << problem << "\n" << kSettingsUsage;
    return 2;
}

int listSettings(std::ostream& out, const Settings& settings) {
    const auto descriptions = Settings::settingDescriptions();
    std::size_t width = 0;
    for (const auto& d : descriptions) width = std::max(width, d.key.size());
    for (const auto& d : descriptions) {
        const SettingResult value = settings.valueTextForKey(d.key);
        out << d.key << std::string(width - d.key.size() + 2, ' ') << value.valueText << "  (default "
            << d.defaultText << "; " << Settings::typeName(d.type) << (d.hasSetter ? "" : "; read by the application only")
            << ")\n";
    }
    return 0;
}

// After a change: a warning now means the file could not be written.
int finishChange(std::ostream& err, Settings& settings) {
    if (auto warning = settings.takeLoadWarning()) {
        err << "dorvane settings: " << *warning << "\n";
        return 1;
    }
    return 0;
}
}  // namespace

int runSettingsCommand(const std::vector<std::string>& arguments) {
    return runSettingsCommand(arguments, std::cout, std::cerr);
}

int runSettingsCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help")) {
        out << kSettingsUsage;
        return 0;
    }
    Settings& settings = Settings::standard();
    printWarning(err, settings);

    const std::string verb = arguments.empty() ? "list" : arguments[0];
    const std::size_t count = arguments.size();
    if (verb == "list") {
        if (count > 1) return usageError(err, "'list' takes no arguments");
        return listSettings(out, settings);
    }
    if (verb == "get") {
        if (count != 2) return usageError(err, "'get' takes one KEY");
        const SettingResult result = settings.valueTextForKey(arguments[1]);
        if (!result) {
            err << "dorvane settings: " << result.message << "\n";
            return 2;
        }
        out << result.valueText << "\n";
        return 0;
    }
    if (verb == "set") {
        if (count != 3) return usageError(err, "'set' takes a KEY and a VALUE");
        const SettingResult result = settings.setValueTextForKey(arguments[1], arguments[2]);
        if (!result) {
            err << "dorvane settings: " << result.message << "\n";
            return 2;
        }
        out << arguments[1] << " = " << result.valueText << "\n";
        return finishChange(err, settings);
    }
    if (verb == "reset") {
        if (count > 2) return usageError(err, "'reset' takes at most one KEY");
        if (count == 2) {
            const SettingResult result = settings.resetValueForKey(arguments[1]);
            if (!result) {
                err << "dorvane settings: " << result.message << "\n";
                return 2;
            }
            out << arguments[1] << " = " << result.valueText << " (default)\n";
            return finishChange(err, settings);
        }
        for (const auto& d : Settings::settingDescriptions()) settings.resetValueForKey(d.key);
        out << "every setting is back to its default\n";
        return finishChange(err, settings);
    }
    return usageError(err, "unknown subcommand '" + verb + "'");
}
