// The process-wide cache from extension (case kept) to file kind; safe from any thread.
#pragma once

#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "detection/FileType.h"

class UMUTITypeCache {
public:
    static UMUTITypeCache& cache();

    void setUTIType(FileType type, std::string_view extension);
    // The stored kind, or FileTypeUnknown (-1) when none is stored.
    FileType fileTypeIdentifierWithExtension(std::string_view extension) const;

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    mutable std::shared_mutex m_mutex;
    std::unordered_map<std::string, FileType, Hash, std::equal_to<>> m_types;  // guarded by m_mutex
};
