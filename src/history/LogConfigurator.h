// The description of one file handed to a log's entry operations. A plain value; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct LogConfigurator {
    std::string path;
    std::uint64_t size = 0;
    bool isDirectory = false;
    std::optional<std::int64_t> modificationDate;  // seconds since 1970; absent when unknown
    bool vanished = false;  // a removed file that left its place by itself: "vanished": "1"
};
