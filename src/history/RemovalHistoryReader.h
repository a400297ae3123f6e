// Reads the folder of removal logs into days with counts (moved to the Trash, removed permanently,
// kept), newest first, without changing any file. Only regular files of at most 64 MiB are read: a log
// that is anything else (a link, a FIFO, a device, a folder), too big, unreadable or unparsable is
// named in `problems` and skipped. Any thread; each call reads the folder afresh.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RemovalLogCounts {
    std::int64_t movedToTrash = 0;
    std::int64_t removedPermanently = 0;
    std::int64_t kept = 0;
    std::int64_t groups = 0;

    void add(const RemovalLogCounts& other);
};

struct RemovalLogEntry {
    std::string name;  // file name
    std::string path;
    std::int64_t date = 0;  // the run's date: the stored "date", else the file name's
    int sequence = 1;       // N of a name "<date> N.log", the Nth log of its second
    RemovalLogCounts counts;
};

struct RemovalHistoryDay {
    std::string day;                      // "yyyy-MM-dd", local time
    std::vector<RemovalLogEntry> logs;    // newest first
    RemovalLogCounts counts;              // sum of the logs
};

struct RemovalLogProblem {
    std::string path;
    std::string reason;
};

class RemovalHistoryReader {
public:
    static constexpr std::uint64_t kMaxLogBytes = std::uint64_t(64) << 20;

    struct History {
        std::vector<RemovalHistoryDay> days;  // newest first
        std::vector<RemovalLogProblem> problems;
        bool folderExists = false;
    };

    // Every "*.log" whose name is a log's (VXLogFactory::dateOfLogFileName); other names are not logs.
    static History readFolder(const std::string& folder);
    // One log; false with a reason when it cannot be read or is not a removal log's JSON object.
    // A log whose groups hold no removed copy reads as empty (all counts 0).
    static bool readLog(const std::string& path, RemovalLogEntry& entry, std::string& reason);
};
