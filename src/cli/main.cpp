#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/HistoryCommand.h"
#include "cli/MergeCommand.h"
#include "cli/RemoveCommand.h"
#include "cli/RestoreCommand.h"
#include "cli/ScanCommand.h"
#include "cli/SettingsCommand.h"
#include "cli/TrashCommand.h"
#include "history/AppBundle.h"
#include "platform/Dispatch.h"
#include "platform/MemoryArenas.h"
#include "platform/MimeTypes.h"
#include "platform/ThreadStartError.h"

namespace {
const char* kUsage =
    "usage: dorvane COMMAND [options]\n"
    "\n"
    "Commands:\n"
    "  scan [FOLDER...]   find duplicate files in the folders (default: the home folder)\n"
    "  settings           list the settings; settings get NAME, set NAME VALUE, reset [NAME]\n"
    "  history            list the removal history by day; --details shows one run, --clear deletes it\n"
    "  remove PLAN        remove the copies a JSON report marks \"selected\" ('dorvane remove --help')\n"
    "  restore            put back the copies a removal run took away ('dorvane restore --help')\n"
    "  trash PATH...      move files to the Trash (the removal helper's command; 'dorvane trash --help')\n"
    "  merge SOURCE DEST  move or copy what SOURCE holds and DEST lacks into DEST ('dorvane merge --help')\n"
    "\n"
    "  dorvane --version  print the version\n"
    "  dorvane --help     print this help; 'dorvane scan --help' lists the scan options\n";

// Whichever thread runs into it: nothing sensible can go on without the worker threads.
[[noreturn]] void exitForThreadStartError(const ThreadStartError& error) {
    std::fprintf(stderr, "dorvane: cannot start worker threads: %s\n", error.code().message().c_str());
    std::fflush(nullptr);
    std::_Exit(1);
}

int runCommand(const std::string& command, const std::vector<std::string>& rest) {
    if (command == "scan") return runScanCommand(rest);
    if (command == "settings") return runSettingsCommand(rest);
    if (command == "history") return runHistoryCommand(rest);
    if (command == "restore") return runRestoreCommand(rest);
    if (command == "remove") return runRemoveCommand(rest);
    if (command == "trash") return runTrashCommand(rest);
    if (command == "merge") return runMergeCommand(rest);
    std::fprintf(stderr, "dorvane: unknown command '%s'\nTry 'dorvane --help'.\n", command.c_str());
    return 2;
}

int runCommand(const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        std::printf("dorvane %s (%s)\n", app_bundle::versionText(), app_bundle::revisionText());
        return 0;
    }
    ThreadStartError::setHandler(exitForThreadStartError);
    try {
        return runCommand(args[0], std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const ThreadStartError& error) {
        exitForThreadStartError(error);
    }
}
}  // namespace

int main(int argc, char** argv) {
    memory_arenas::limit();
    QCoreApplication app(argc, argv);
    mime_types::loadDatabase();  // here, before any worker thread could be the first to read it
    const int status = runCommand(std::vector<std::string>(argv + 1, argv + argc));
    // A stopped scan may leave digests running; no worker thread may outlive this point, since the
    // exit-time destructors free the static tables and library state they use.
    dispatch::shutdown();
    return status;
}
