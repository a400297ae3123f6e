#include "cli/SettingsCommand.h"

#include <algorithm>
#include <iostream>

#include "cli/Format.h"
#include "settings/Settings.h"

namespace {
const char* kSettingsUsage =
    "usage: dorvane settings                        list every setting: name, value, default, help, key\n"
    "       dorvane settings get NAME               print one setting's value\n"
    "       dorvane settings set NAME VALUE         change a setting (the value is checked against its type)\n"
    "       dorvane settings set NAME --add ENTRY   add one entry to a list setting\n"
    "       dorvane settings set NAME --remove ENTRY  remove one entry from a list setting\n"
    "       dorvane settings reset [NAME]           return one setting, or every setting, to its default\n"
    "\n"
    "NAME is the short name (min-size), the stored key (us:minDuplicatesFileSize) or the accessor name\n"
    "(minDuplicatesFileSize). Booleans take true or false; sizes take bytes or 10K, 1.5M, 2G; lists take\n"
    "a JSON array of strings, e.g. '[\"/home/me/Downloads\"]', or one entry at a time with --add/--remove.\n";

void printWarning(std::ostream& err, Settings& settings) {
    if (auto warning = settings.takeLoadWarning()) err << "dorvane settings: warning: " << *warning << "\n";
}

int usageError(std::ostream& err, const std::string& problem) {
    err << "dorvane settings: " << problem << "\n" << kSettingsUsage;
    return 2;
}

// Sizes read as people read them, with the exact bytes beside: "1.0 MiB (1048576 bytes)".
std::string shown(const SettingDescription& d, const std::string& valueText) {
    if (d.type != SettingType::Size) return valueText;
    const std::uint64_t bytes = std::stoull(valueText);
    const std::string readable = format::size(bytes);
    return bytes < 1024 ? readable : readable + " (" + valueText + " bytes)";
}

void listGroup(std::ostream& out, const Settings& settings, bool windowOnly) {
    for (const auto& d : Settings::settingDescriptions()) {
        if (d.windowOnly != windowOnly) continue;
        const std::string value = settings.valueTextForKey(d.key).valueText;
        out << d.name << " = " << shown(d, value);
        if (value != d.defaultText) out << "  (default " << shown(d, d.defaultText) << ")";
        else out << "  (the default)";
        if (d.windowOnly) out << "  [window only]";
        out << "\n    " << d.help << "; key \"" << d.key << "\"\n";
    }
}

int listSettings(std::ostream& out, const Settings& settings) {
    listGroup(out, settings, false);
    out << "\nOnly the window uses these; the command line ignores them:\n";
    listGroup(out, settings, true);
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

int printChanged(std::ostream& out, std::ostream& err, Settings& settings, const std::string& name,
                 const SettingResult& result, const char* note = "") {
    if (!result) {
        err << "dorvane settings: " << result.message << "\n";
        return 2;
    }
    const auto description = Settings::findSetting(name);
    out << description->name << " = " << shown(*description, result.valueText) << note << "\n";
    return finishChange(err, settings);
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
        if (count != 2) return usageError(err, "'get' takes one NAME");
        const SettingResult result = settings.valueTextForKey(arguments[1]);
        if (!result) {
            err << "dorvane settings: " << result.message << "\n";
            return 2;
        }
        out << result.valueText << "\n";
        return 0;
    }
    if (verb == "set") {
        if (count == 4 && (arguments[2] == "--add" || arguments[2] == "--remove")) {
            const SettingResult result = arguments[2] == "--add"
                                             ? settings.addListEntryForKey(arguments[1], arguments[3])
                                             : settings.removeListEntryForKey(arguments[1], arguments[3]);
            return printChanged(out, err, settings, arguments[1], result);
        }
        if (count != 3) return usageError(err, "'set' takes a NAME and a VALUE, or NAME --add/--remove ENTRY");
        return printChanged(out, err, settings, arguments[1], settings.setValueTextForKey(arguments[1], arguments[2]));
    }
    if (verb == "reset") {
        if (count > 2) return usageError(err, "'reset' takes at most one NAME");
        if (count == 2)
            return printChanged(out, err, settings, arguments[1], settings.resetValueForKey(arguments[1]), " (the default)");
        for (const auto& d : Settings::settingDescriptions()) settings.resetValueForKey(d.key);
        out << "Every setting is back to its default.\n";
        return finishChange(err, settings);
    }
    return usageError(err, "unknown subcommand '" + verb + "' (list, get, set or reset)");
}
