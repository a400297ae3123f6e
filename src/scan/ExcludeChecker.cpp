#include "scan/ExcludeChecker.h"

#include <QString>

#include <algorithm>
#include <atomic>
#include <set>

#include "platform/FileSystem.h"
#include "platform/UserIdentity.h"
#include "platform/Volumes.h"
#include "scan/FolderSystemItem.h"
#include "scan/PathsGenerator.h"
#include "settings/Settings.h"

namespace {
char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string unicodeLower(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toLower().toStdString();
}

std::string joined(const std::string& volumePath, const std::string& name) {
    return ExcludeChecker::buildPathPrefixForFolderPath(volumePath) + name;
}

// Gives every checker state a process-wide unique stamp; atomic because checkers are built on any thread.
std::atomic<std::uint64_t> g_nextStamp{1};

// The decision of one checker's prefix tables for any path that continues `prefix` with one name,
// remembered for the last parent folder seen on this thread. Keyed by the parent's address: a scan's
// tree stays alive (removed items too) while its checker is used.
struct FolderDecision {
    std::uint64_t stamp = 0;
    const FolderSystemItem* folder = nullptr;
    std::string prefix;
    bool prefixExcluded = false;
    bool hasExactEntries = false;  // some excluded or chosen exact path lies directly in this folder
    std::string scratchPath;
};
thread_local FolderDecision t_lastFolder;

// The folder part of a path, with its trailing "/" ("/a/b" → "/a/", "/a" → "/").
std::string_view folderPrefixOf(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}
}  // namespace

ExcludeChecker::ExcludeChecker(bool forScan) {
    changed();
    Settings& settings = Settings::standard();
    m_bScanInHiddenFolders = settings.scanInHiddenFolders();

    for (const auto& entry : settings.excludeExtensions()) {
        if (entry.size() < 2) continue;
        const std::string_view extension = std::string_view(entry).substr(1);
        std::string lowered = isAscii(extension) ? std::string(extension) : unicodeLower(extension);
        for (char& c : lowered) c = asciiLower(c);
        if (std::find(m_arrExcludeExtensions.begin(), m_arrExcludeExtensions.end(), lowered) ==
            m_arrExcludeExtensions.end())
            m_arrExcludeExtensions.push_back(std::move(lowered));
    }

    addToExcludeFiles(settings.excludeFiles());
    for (const auto& folder : settings.excludeFolders()) addToExcludeFolder(folder);

    if (forScan) {
        // On Linux the mounted volumes are the mount points of real file systems; "/" is one of them.
        excludeVolumeLocations("/", true);
        for (const auto& volume : Volumes::standard().userVolumePaths())
            if (volume != "/") excludeVolumeLocations(volume, false);
    }
    prepareForUse();
}

const std::vector<std::string>& ExcludeChecker::rootSystemFolderNames() {
    // The system's own folders; never home, media or mnt, where people keep their files.
    static const std::vector<std::string> names = {
        "bin", "boot", "dev",   "etc", "lib", "lib32", "lib64", "libx32", "lost+found", "opt",
        "proc", "root", "run", "sbin", "snap", "srv", "sys", "tmp", "usr", "var",
    };
    return names;
}

const std::vector<std::string>& ExcludeChecker::volumeSystemFolderNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list = {
            "lost+found", ".Trash", ".Trash-" + std::to_string(user_identity::currentUserId()),
            // Bookkeeping folders of volumes written by other systems.
            ".DocumentRevisions-V100", ".fseventsd", ".HFS+ Private Directory Data\r", ".IABootFiles",
            ".PKInstallSandboxManager", ".PKInstallSandboxManager-SystemSoftware", ".Spotlight-V100",
            ".TemporaryItems", ".Trashes", ".vol", "System Volume Information", "$RECYCLE.BIN",
        };
        return list;
    }();
    return names;
}

const std::vector<std::string>& ExcludeChecker::volumeSystemFileNames() {
    static const std::vector<std::string> names = {
        ".file", ".hotfiles.btree", ".IAProductInfo", ".OSInstallMessages", ".OSInstallerMessages",
    };
    return names;
}

void ExcludeChecker::excludeVolumeLocations(const std::string& volumePath, bool isRoot) {
    addExcludedItemsForVolumePath(volumePath);
    if (isRoot && Settings::standard().skipVolumeSystemFolders())
        for (const auto& name : rootSystemFolderNames()) addToExcludeFolder(joined(volumePath, name));
}

void ExcludeChecker::addExcludedItemsForVolumePath(const std::string& volumePath) {
    Settings& settings = Settings::standard();
    if (settings.excludeTimeMachineBackups())
        addToExcludeFolder(joined(volumePath, PathsGenerator::backupsFolderName()));
    if (settings.skipVolumeSystemFolders()) {
        for (const auto& name : volumeSystemFolderNames()) addToExcludeFolder(joined(volumePath, name));
        for (const auto& name : volumeSystemFileNames()) addToExcludeFile(joined(volumePath, name));
    }
}

void ExcludeChecker::addIncludedFolderPaths(const std::vector<std::string>& folderPaths) {
    for (const auto& path : folderPaths) addToIncludeFolder(path);
    prepareForUse();
}

void ExcludeChecker::addToExcludeFile(const std::string& path) { addExactPath(m_excludePaths, path); }

void ExcludeChecker::addToExcludeFiles(const std::vector<std::string>& paths) {
    for (const auto& path : paths) addToExcludeFile(path);
}

void ExcludeChecker::addToExcludeFolder(const std::string& folderPath) {
    if (folderPath.empty() || !FileSystem::standard().exists(folderPath)) return;
    addExactPath(m_excludePaths, folderPath);
    addPrefix(buildPathPrefixForFolderPath(folderPath), kExcludePrefix);
}

void ExcludeChecker::addToIncludeFolder(const std::string& folderPath) {
    if (folderPath.empty() || !FileSystem::standard().exists(folderPath)) return;
    addExactPath(m_includePaths, folderPath);
    addPrefix(buildPathPrefixForFolderPath(folderPath), kIncludePrefix);
}

void ExcludeChecker::addExactPath(StringSet& table, const std::string& path) {
    if (path.empty()) return;
    table.insert(path);
    m_exactEntryFolders.emplace(folderPrefixOf(path));
    changed();
}

void ExcludeChecker::changed() { m_nStamp = g_nextStamp.fetch_add(1, std::memory_order_relaxed); }

void ExcludeChecker::addPrefix(const std::string& prefix, PrefixKind kind) {
    auto [it, added] = m_prefixKinds.try_emplace(prefix, 0);
    it->second |= kind;
    if (added) m_arrPathPrefixes.push_back(prefix);
    changed();
}

void ExcludeChecker::prepareForUse() {
    std::stable_sort(m_arrPathPrefixes.begin(), m_arrPathPrefixes.end(),
                     [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    changed();
}

std::string ExcludeChecker::buildPathPrefixForFolderPath(std::string_view path) {
    std::string prefix(path);
    if (prefix.empty() || prefix.back() != '/') prefix += '/';
    return prefix;
}

bool ExcludeChecker::isExcludedByPrefixes(std::string_view path) const {
    for (const auto& prefix : m_arrPathPrefixes) {
        if (!path.starts_with(prefix)) continue;
        // A prefix recorded both ways counts as chosen.
        return !(m_prefixKinds.find(prefix)->second & kIncludePrefix);
    }
    return false;
}

bool ExcludeChecker::isPathExcluded(std::string_view path) const {
    if (path.empty()) return false;
    if (m_includePaths.find(path) != m_includePaths.end()) return false;
    if (m_excludePaths.find(path) != m_excludePaths.end()) return true;
    return isExcludedByPrefixes(path);
}

bool ExcludeChecker::isFileItemExcluded(FileSystemItem* item) const {
    if (!item) return true;
    bool excluded;
    const FolderSystemItem* parent = item->parent();
    if (!parent) {
        excluded = isPathExcluded(item->path());
    } else {
        // The folder part of the path is decided once per folder; the item's full path is built only
        // when an exact excluded or chosen path lies in that folder.
        FolderDecision& last = t_lastFolder;
        if (last.folder != parent || last.stamp != m_nStamp) {
            last.prefix = buildPathPrefixForFolderPath(parent->path());
            last.prefixExcluded = isExcludedByPrefixes(last.prefix);
            last.hasExactEntries = m_exactEntryFolders.find(last.prefix) != m_exactEntryFolders.end();
            last.folder = parent;
            last.stamp = m_nStamp;
        }
        excluded = last.prefixExcluded;
        if (last.hasExactEntries) {
            last.scratchPath.assign(last.prefix).append(item->name());
            if (m_includePaths.find(last.scratchPath) != m_includePaths.end()) excluded = false;
            else if (m_excludePaths.find(last.scratchPath) != m_excludePaths.end()) excluded = true;
        }
    }
    if (excluded) {
        item->setIsCheckedForDuplicates(true);
        return true;
    }
    return hasExcludedExtension(item->name());
}

bool ExcludeChecker::hasExcludedExtension(std::string_view name) const {
    if (m_arrExcludeExtensions.empty()) return false;
    const auto dot = name.rfind('.');
    // A name whose only dot leads it (".profile") is a hidden name, not an extension.
    if (dot == std::string_view::npos || dot == 0) return false;
    const std::string_view extension = name.substr(dot + 1);
    if (extension.empty()) return false;
    if (!isAscii(extension)) {
        const std::string lowered = unicodeLower(extension);
        return std::find(m_arrExcludeExtensions.begin(), m_arrExcludeExtensions.end(), lowered) !=
               m_arrExcludeExtensions.end();
    }
    for (const auto& candidate : m_arrExcludeExtensions) {
        if (candidate.size() != extension.size()) continue;
        bool same = true;
        for (std::size_t i = 0; same && i < extension.size(); ++i) same = asciiLower(extension[i]) == candidate[i];
        if (same) return true;
    }
    return false;
}
