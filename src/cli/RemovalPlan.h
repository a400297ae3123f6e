// A JSON report of `dorvane scan --format json` read back as a removal plan: its top folders and, per
// group, the members with what the scan saw (size, modification time, device and inode) and whether
// the user left them selected. Pure reading and checking of the document; main thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct RemovalPlan {
    struct Member {
        std::string path;
        std::uint64_t size = 0;
        std::uint64_t diskSize = 0;  // 0 when the plan does not say
        std::int64_t modified = 0;  // seconds since 1970
        std::uint64_t device = 0;   // 0: not in the plan (a report of an older version)
        std::uint64_t inode = 0;
        bool selected = false;
    };
    struct Group {
        std::int64_t id = 0;
        bool folders = false;  // a group of the "folder" category: its members are folders
        std::vector<Member> members;
    };
    std::string file;                  // the plan's own path, absolute
    std::vector<std::string> folders;  // the scan's top folders
    std::vector<Group> groups;
};

struct RemovalPlanReading {
    std::optional<RemovalPlan> plan;
    std::string error;  // one line, when plan is empty
};

// Parses and checks the document: the shape of a report, absolute normalised member paths inside the
// report's folders, each path once. `file` names the plan in the messages.
RemovalPlanReading parseRemovalPlan(const std::string& bytes, const std::string& file);
// Reads the file (a regular file, at most 1 GiB) and parses it.
RemovalPlanReading readRemovalPlan(const std::string& file);
