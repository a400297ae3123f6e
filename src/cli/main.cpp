#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/HistoryCommand.h"
#include "cli/ScanCommand.h"
#include "cli/SettingsCommand.h"
#include "platform/Dispatch.h"

namespace {
const char* kUsage =
    "usage: dorvane COMMAND [options]\n"
    "\n"
    "Commands:\n"
    "  scan [FOLDER...]   find duplicate files in the folders (default: the home folder)\n"
    "  settings           list the settings; settings get KEY, set KEY VALUE, reset [KEY]\n"
    "  history            list the removal history by day\n"
    "\n"
    "  dorvane --version  print the version\n"
    "  dorvane --help     print this help; 'dorvane scan --help' lists the scan options\n";

int runCommand(const std::vector<std::string>& args) {
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
    std::fprintf(stderr, "dorvane: unknown command '%s'\nTry 'dorvane --help'.\n", args[0].c_str());
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int status = runCommand(std::vector<std::string>(argv + 1, argv + argc));
    // A stopped scan may leave digests running; no worker thread may outlive this point, since the
    // exit-time destructors free the static tables and library state they use.
    dispatch::shutdown();
    return status;
}
