#include "cli/TrashCommand.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>
#include <fstream>
#include <optional>

#include "platform/FileContents.h"
#include "platform/FileSystem.h"
#include "platform/ProcessRights.h"
#include "platform/Trash.h"
#include "platform/UserIdentity.h"

namespace {
const char* kTrashUsage =
    "usage: dorvane trash [--uid UID --data-home DIR] [--print0] [--output FILE] [--from LIST] [--] PATH...\n"
    "Moves each path into the Trash with its .trashinfo record and prints \"old → new\" per path.\n"
    "  --uid UID, --data-home DIR   the user whose Trash takes the files (when run as root for them)\n"
    "  --print0                     print \"old\\0new\\0\" instead of lines\n"
    "  --output FILE                append the report to FILE instead of printing it\n"
    "  --from LIST                  also take the paths of LIST, separated by NUL bytes\n";

std::optional<std::uint32_t> parseUid(const std::string& text) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const unsigned long long v = std::stoull(text);
    if (v > 0xFFFFFFFEull) return std::nullopt;
    return static_cast<std::uint32_t>(v);
}
}  // namespace

int runTrashCommand(const std::vector<std::string>& arguments) {
    std::optional<std::uint32_t> uid;
    std::string dataHome, output;
    std::vector<std::string> lists, paths;
    bool print0 = false, optionsDone = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (optionsDone || a.empty() || a[0] != '-') {
            paths.push_back(a);
            continue;
        }
        auto value = [&](std::string& into) {
            if (i + 1 >= arguments.size()) return false;
            into = arguments[++i];
            return true;
        };
        std::string v;
        if (a == "--") optionsDone = true;
        else if (a == "--help" || a == "-h") {
            std::fputs(kTrashUsage, stdout);
            return 0;
        } else if (a == "--print0") print0 = true;
        else if ((a == "--uid" || a == "--data-home" || a == "--output" || a == "--from") && value(v)) {
            if (a == "--uid") {
                if (!(uid = parseUid(v))) {
                    std::fprintf(stderr, "dorvane trash: bad user id '%s'\n", v.c_str());
                    return 2;
                }
            } else if (a == "--data-home") dataHome = v;
            else if (a == "--output") output = v;
            else lists.push_back(v);
        } else {
            std::fprintf(stderr, "dorvane trash: bad option '%s'\n%s", a.c_str(), kTrashUsage);
            return 2;
        }
    }
    if (!dataHome.empty()) {
        if (dataHome[0] != '/') {
            std::fprintf(stderr, "dorvane trash: --data-home must be an absolute path\n");
            return 2;
        }
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dataHome));
    }
    if (uid) user_identity::setActingUserId(*uid);
    for (const auto& list : lists) {
        std::string bytes;
        if (Status s = file_contents::readRegularFile(list, std::uint64_t(1) << 30, bytes); !s) {
            std::fprintf(stderr, "dorvane trash: cannot read the list %s: %s\n", list.c_str(), s.message().c_str());
            return 2;
        }
        std::size_t start = 0, end;
        while ((end = bytes.find('\0', start)) != std::string::npos) {
            if (end > start) paths.push_back(bytes.substr(start, end - start));
            start = end + 1;
        }
    }

    std::ofstream file;
    if (!output.empty()) {
        file.open(output, std::ios::binary | std::ios::app);
        if (!file) {
            std::fprintf(stderr, "dorvane trash: cannot write to %s\n", output.c_str());
            return 2;
        }
    }
    const bool handOver = uid && ProcessRights::standard().isAdministrator() && *uid != 0;
    int status = 0;
    for (const auto& path : paths) {
        auto notMoved = [&](const std::string& reason) {
            std::fprintf(stderr, "dorvane trash: not moved: %s: %s\n", path.c_str(), reason.c_str());
            status = 1;
        };
        if (path.empty() || path[0] != '/') {
            notMoved("not an absolute path");
            continue;
        }
        FileAttributes attributes;
        if (Status s = FileSystem::standard().attributes(path, attributes); !s) {
            notMoved(s.message());
            continue;
        }
        if (attributes.kind == FileKind::SymbolicLink) {
            notMoved("it is a symbolic link");
            continue;
        }
        const TrashResult moved = Trash::standard().moveToTrash(path);
        if (!moved.isOk()) {
            notMoved(moved.status.message());
            continue;
        }
        if (handOver)
            if (Status s = FreedesktopTrash::handOverToUser(moved, *uid); !s)
                std::fprintf(stderr, "dorvane trash: the Trash of %s is not the user's: %s\n", path.c_str(),
                             s.message().c_str());
        std::string line = print0 ? path + '\0' + moved.pathInTrash + '\0' : path + " → " + moved.pathInTrash + "\n";
        if (file.is_open()) {
            file << line;
            file.flush();
        } else {
            std::fwrite(line.data(), 1, line.size(), stdout);
        }
    }
    std::fflush(stdout);
    if (file.is_open() && !file) {
        std::fprintf(stderr, "dorvane trash: the report could not be written to %s\n", output.c_str());
        status = 1;
    }
    return status;
}
