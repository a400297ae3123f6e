// Whether a path or a scanned item is left out of the search: the user's exclusion lists, the chosen
// folders (which win on and below them) and, for a scan, the system locations of every volume.
// Built on one thread, then only read, from any thread (the per-folder cache of isFileItemExcluded is per thread).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class FileSystemItem;
class FolderSystemItem;

class ExcludeChecker {
public:
    // Reads Settings::standard(); when forScan, also excludes the system locations of every volume.
    explicit ExcludeChecker(bool forScan);
    ExcludeChecker(const ExcludeChecker&) = delete;
    ExcludeChecker& operator=(const ExcludeChecker&) = delete;

    // Each path goes through addToIncludeFolder, then prepareForUse.
    void addIncludedFolderPaths(const std::vector<std::string>& folderPaths);
    void addToExcludeFile(const std::string& path);  // recorded whether it exists or not
    void addToExcludeFiles(const std::vector<std::string>& paths);
    // Both do nothing for a path that does not exist.
    void addToExcludeFolder(const std::string& folderPath);
    void addToIncludeFolder(const std::string& folderPath);
    void addExcludedItemsForVolumePath(const std::string& volumePath);
    // Orders the folder prefixes longest first; prefixes added later stay unordered until the next call.
    void prepareForUse();

    static std::string buildPathPrefixForFolderPath(std::string_view path);

    bool isPathExcluded(std::string_view path) const;
    // nullptr counts as excluded. An item excluded by its path is marked checked for duplicates (the
    // item belongs to the calling queue). The folder part of the path is decided once per parent folder.
    bool isFileItemExcluded(FileSystemItem* item) const;
    bool isScanInHiddenFolders() const { return m_bScanInHiddenFolders; }

    // The locations skipped on volumes, as names joined to a volume's path.
    static const std::vector<std::string>& rootSystemFolderNames();    // at "/" only
    static const std::vector<std::string>& volumeSystemFolderNames();  // at every volume
    static const std::vector<std::string>& volumeSystemFileNames();    // at every volume

private:
    struct StringHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    using StringSet = std::unordered_set<std::string, StringHash, std::equal_to<>>;

    enum PrefixKind : std::uint8_t { kExcludePrefix = 1, kIncludePrefix = 2 };

    void changed();  // a table changed: cached folder decisions no longer apply
    void addPrefix(const std::string& prefix, PrefixKind kind);
    void addExactPath(StringSet& table, const std::string& path);
    // The first recorded prefix (longest first) that `path` begins with decides; none: not excluded.
    bool isExcludedByPrefixes(std::string_view path) const;
    bool hasExcludedExtension(std::string_view name) const;
    void excludeVolumeLocations(const std::string& volumePath, bool isRoot);

    bool m_bScanInHiddenFolders = false;
    std::vector<std::string> m_arrExcludeExtensions;  // lower case, without the dot
    StringSet m_excludePaths;
    StringSet m_includePaths;
    std::unordered_map<std::string, std::uint8_t, StringHash, std::equal_to<>> m_prefixKinds;  // PrefixKind bits
    std::vector<std::string> m_arrPathPrefixes;  // every prefix once, longest first after prepareForUse
    StringSet m_exactEntryFolders;               // the folder prefix of every exact path recorded
    // Names this checker in this state for the per-thread folder cache; renewed by every change, unique
    // in the process, so a cache entry never outlives the checker state it was computed from.
    std::uint64_t m_nStamp = 0;
};
