#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/HistoryCommand.h"
#include "cli/RestoreCommand.h"
#include "cli/ScanCommand.h"
#include "cli/SettingsCommand.h"

namespace {
const char* kUsage =
    "usage: dorvane COMMAND [options]\n"
    "\n"
    "Commands:\n"
    "  scan [FOLDER...]   find duplicate files in the folders (default: the home folder)\n"
    "  settings           list the settings; settings get KEY, set KEY VALUE, reset [KEY]\n"
    "  history            list the removal history by day; --details shows one run, --clear deletes it\n"
    "  restore            put back the copies a removal run took away ('dorvane restore --help')\n"
    "\n"
    "  dorvane --version  print the version\n"
    "  dorvane --help     print this help; 'dorvane scan --help' lists the scan options\n";
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        std::printf("dorvane %s (%s)\n", DORVANE_VERSION, DORVANE_GIT_REVISION);
        return 0;
    }
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "scan") return runScanCommand(rest);
    if (args[0] == "settings") return runSettingsCommand(rest);
    if (args[0] == "history") return runHistoryCommand(rest);
    if (args[0] == "restore") return runRestoreCommand(rest);
    std::fprintf(stderr, "dorvane: unknown command '%s'\nTry 'dorvane --help'.\n", args[0].c_str());
    return 2;
}
