// One file of a duplicate group in the removal record: what it was and what happened to it.
// Guarded by the recorder's lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct VXLogItem {
    std::string path;
    std::uint64_t fileItemSize = 0;
    std::optional<std::int64_t> modificationDate;  // seconds since 1970
    bool isDirectory = false;
    bool isRemoved = false;
    std::optional<std::string> pathInTrash;
    bool vanished = false;  // removed: it left its place by itself, not through the removal
};
