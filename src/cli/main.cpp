#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/ScanCommand.h"

namespace {
const char* kUsage =
    "usage: dorvane COMMAND [options]\n"
    "\n"
    "Commands:\n"
    "  scan [FOLDER...]   find duplicate files in the folders (default: the home folder)\n"
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
    if (args[0] == "scan") return runScanCommand({args.begin() + 1, args.end()});
    std::fprintf(stderr, "dorvane: unknown command '%s'\nTry 'dorvane --help'.\n", args[0].c_str());
    return 2;
}
