// Reads the folder of removal logs into days with counts (moved to the Trash, removed permanently,
// kept), newest first, without changing any file. Logs that cannot be read or parsed are named in
// `problems`. Any thread; each call reads the folder afresh.
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
    struct History {
        std::vector<RemovalHistoryDay> days;  // newest first
        std::vector<RemovalLogProblem> problems;
        bool folderExists = false;
    };

    // Every "*.log" whose name (without ".log") parses as a date; other names are not logs.
    static History readFolder(const std::string& folder);
    // One log; false with a reason when it cannot be read or is not a removal log's JSON object.
    // A log whose groups hold no removed copy reads as empty (all counts 0).
    static bool readLog(const std::string& path, RemovalLogEntry& entry, std::string& reason);
};
