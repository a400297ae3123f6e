#include "cli/LeftOut.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <deque>

#include "platform/CpuSpreadExecutor.h"
#include "platform/DirectoryReader.h"
#include "platform/FileReader.h"
#include "scan/FolderSystemItem.h"

namespace {
std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The extension the exclusion list is matched against: after the last dot, none for ".name".
std::string_view extensionOf(std::string_view name) {
    auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return {};
    return name.substr(dot + 1);
}

std::string reasonOf(const Status& status) {
    return status.sysErrno() ? std::strerror(status.sysErrno()) : "cannot be read";
}

// The reason a file the comparison could not read gives now. A file that reads well by now failed for a
// moment only, and is named all the same: it took no part.
std::string reasonOfFailedRead(const std::string& path) {
    if (Status s = FileReader::tryReading(path.c_str()); !s) return reasonOf(s);
    return "could not be read while it was compared";
}

// The folders to look into, in the order of a depth-first walk, with whether each lies in a hidden
// folder; the files below folders excluded for this run are only counted.
struct Folders {
    const std::vector<std::string>& excludedFolders;
    // (folder, inside a hidden folder); a deque, as a vector doubling over every folder of a large
    // tree would hold up to twice the room at the scan's highest point of memory
    std::deque<std::pair<const FolderSystemItem*, bool>> list;
    std::uint64_t filesInExcludedFolders = 0;

    static std::uint64_t filesBelow(const FolderSystemItem& f) {
        std::uint64_t n = 0;
        for (const auto& child : f.childrenArray())
            n += child->isDir() ? filesBelow(static_cast<const FolderSystemItem&>(*child)) : 1;
        return n;
    }

    void add(const FolderSystemItem& f, bool inHidden) {
        list.emplace_back(&f, inHidden);
        for (const auto& child : f.childrenArray()) {
            if (!child->isDir()) continue;
            if (!excludedFolders.empty() &&
                std::find(excludedFolders.begin(), excludedFolders.end(), child->path()) != excludedFolders.end()) {
                filesInExcludedFolders += filesBelow(static_cast<const FolderSystemItem&>(*child));
                continue;
            }
            add(static_cast<const FolderSystemItem&>(*child), inHidden || child->isHiddenFlag());
        }
    }
};

// What one folder's own files (not its subfolders') leave out, added to `out`.
struct FolderFiles {
    bool includeHidden;
    const std::vector<std::string>& excluded;  // lower case, without the dot

    void look(const FolderSystemItem& f, bool inHidden, LeftOut& out) const {
        // The walk keeps a folder it could not open as an empty one; such a folder is opened again here.
        if (f.childrenArray().empty()) {
            DirectoryReader reader;
            if (Status s = reader.open(f.path()); !s) out.unreadable.push_back({f.path(), reasonOf(s), true});
        }
        // Files are asked about by name relative to their folder, opened once; should that fail, by path.
        FileReader::Folder folderHandle;
        bool folderTried = false;
        std::size_t folderPathLength = 0;
        for (const auto& child : f.childrenArray()) {
            if (child->isDir()) continue;
            if (inHidden && !includeHidden) {
                ++out.filesInHiddenFolders;
                continue;
            }
            std::string extension = lowerAscii(extensionOf(child->name()));
            if (!extension.empty() && std::find(excluded.begin(), excluded.end(), extension) != excluded.end()) {
                ++out.filesWithExcludedExtension;
                if (std::find(out.excludedExtensionsSeen.begin(), out.excludedExtensionsSeen.end(), "." + extension) ==
                    out.excludedExtensionsSeen.end())
                    out.excludedExtensionsSeen.push_back("." + extension);
                continue;
            }
            if (child->logicalSize() <= 0) continue;  // nothing to read
            if (child->didContentReadFail()) {
                out.unreadable.push_back({child->path(), reasonOfFailedRead(child->path()), false});
                continue;
            }
            if (child->wasContentRead()) continue;  // the scan has just read it
            if (!folderTried) {
                folderTried = true;
                std::string folderPath = f.path();
                folderPathLength = folderPath.size();
                (void)folderHandle.open(folderPath.c_str());
            }
            std::string name(child->name());
            // A path too long for the system is asked about as such and fails, as it did for the scan.
            Status s = folderHandle.isOpen() && folderPathLength + 1 + name.size() < PATH_MAX
                           ? FileReader::readableAt(folderHandle, name.c_str())
                           : FileReader::readablePath(child->path().c_str());
            if (!s) out.unreadable.push_back({child->path(), reasonOf(s), false});
        }
    }
};

// Adds a part worked out over a later stretch of the folders: extensions keep the order they were met in.
void append(LeftOut& out, LeftOut&& part) {
    out.filesInHiddenFolders += part.filesInHiddenFolders;
    out.filesWithExcludedExtension += part.filesWithExcludedExtension;
    for (std::string& extension : part.excludedExtensionsSeen)
        if (std::find(out.excludedExtensionsSeen.begin(), out.excludedExtensionsSeen.end(), extension) ==
            out.excludedExtensionsSeen.end())
            out.excludedExtensionsSeen.push_back(std::move(extension));
    for (LeftOut::Unreadable& u : part.unreadable) out.unreadable.push_back(std::move(u));
}
}  // namespace

void LeftOut::addLaterReadFailures(const std::vector<const FolderSystemItem*>& roots) {
    const auto byPath = [](const Unreadable& a, const Unreadable& b) { return a.path < b.path; };
    std::vector<Unreadable> later;
    const auto look = [&](const auto& self, const FolderSystemItem& folder) -> void {
        for (const auto& child : folder.childrenArray()) {
            if (child->isDir()) {
                self(self, static_cast<const FolderSystemItem&>(*child));
                continue;
            }
            if (!child->didContentReadFail()) continue;
            Unreadable u{child->path(), {}, false};
            if (std::binary_search(unreadable.begin(), unreadable.end(), u, byPath)) continue;
            u.reason = reasonOfFailedRead(u.path);
            later.push_back(std::move(u));
        }
    };
    for (const FolderSystemItem* root : roots) look(look, *root);
    if (later.empty()) return;
    for (Unreadable& u : later) unreadable.push_back(std::move(u));
    std::sort(unreadable.begin(), unreadable.end(), byPath);
}

std::uint64_t LeftOut::unreadableFolders() const {
    return static_cast<std::uint64_t>(std::count_if(unreadable.begin(), unreadable.end(), [](const Unreadable& u) { return u.folder; }));
}

std::uint64_t LeftOut::unreadableFiles() const { return unreadable.size() - unreadableFolders(); }

LeftOut LeftOut::collect(const std::vector<const FolderSystemItem*>& roots, bool includeHidden,
                         const std::vector<std::string>& excludedExtensions,
                         const std::vector<std::string>& excludedFolders) {
    std::vector<std::string> excluded;
    for (const auto& e : excludedExtensions)
        if (e.size() >= 2) excluded.push_back(lowerAscii(std::string_view(e).substr(1)));
    Folders folders{excludedFolders, {}, 0};
    for (const FolderSystemItem* root : roots) folders.add(*root, false);

    // The files are asked about (a system call each) in stretches of folders, shared out between the
    // calling thread and one worker of the spread executor; each stretch has its own part, and the
    // parts are added up in the order of the walk.
    constexpr std::size_t kStretch = 256;
    const std::size_t stretches = (folders.list.size() + kStretch - 1) / kStretch;
    std::vector<LeftOut> parts(stretches);
    const FolderFiles files{includeHidden, excluded};
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t k; (k = next.fetch_add(1, std::memory_order_relaxed)) < stretches;) {
            const std::size_t end = std::min(folders.list.size(), (k + 1) * kStretch);
            for (std::size_t i = k * kStretch; i < end; ++i) files.look(*folders.list[i].first, folders.list[i].second, parts[k]);
        }
    };
    CpuSpreadExecutor::shared().runShared(stretches > 1 ? 1 : 0, work);

    LeftOut out;
    out.filesInExcludedFolders = folders.filesInExcludedFolders;
    for (LeftOut& part : parts) append(out, std::move(part));
    std::sort(out.unreadable.begin(), out.unreadable.end(),
              [](const Unreadable& a, const Unreadable& b) { return a.path < b.path; });
    return out;
}
