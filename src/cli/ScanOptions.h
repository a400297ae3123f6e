// The options of `dorvane scan`, parsed from the command line. Pure functions; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/ScanChoices.h"

struct ScanOptions {
    enum class Format { Text, Json };

    std::vector<std::string> folders;  // as given; empty means the home folder
    ScanChoices choices;
    Format format = Format::Text;
    std::optional<std::string> outputFile;
    bool quiet = false;
    bool help = false;

    // Choosing and removing copies after the scan.
    enum class Selection { None, Auto, KeepNewest, KeepOldest };
    Selection selection = Selection::None;
    std::vector<std::string> keepInFolders;  // keep the copies at or below these, select their groups' others
    std::vector<std::string> alwaysSelectFolders;  // added to the stored lists for this run only
    std::vector<std::string> neverSelectFolders;
    bool remove = false;
    bool permanent = false;
    bool yes = false;
    bool dryRun = false;
    bool wait = false;  // for another removal run holding the lock
    std::vector<std::string> excludeFolders;  // left out of this run, as given

    bool choosesCopies() const { return selection != Selection::None || !keepInFolders.empty(); }
};

struct ScanOptionsResult {
    std::optional<ScanOptions> options;
    std::string error;  // one line, when options is empty
};

ScanOptionsResult parseScanOptions(const std::vector<std::string>& arguments);
// "1048576", "10K", "1.5M", "2G", "3T" (binary multiples; a trailing "B" or "iB" is allowed).
std::optional<std::uint64_t> parseSize(const std::string& text);
const char* scanUsage();
