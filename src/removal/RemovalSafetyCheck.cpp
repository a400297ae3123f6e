#include "removal/RemovalSafetyCheck.h"

#include <algorithm>
#include <unordered_set>

#include "platform/FileSystem.h"
#include "removal/FolderIdentity.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"

namespace {
bool isInside(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

// Splits an absolute path into its folder and name.
bool splitPath(const std::string& path, std::string& folder, std::string& name) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos || slash + 1 == path.size()) return false;
    folder = slash == 0 ? "/" : path.substr(0, slash);
    name = path.substr(slash + 1);
    return true;
}

// Why no member that stays could vouch for the copy, worst news last.
struct Refusal {
    bool contentDiffers = false;
    bool onlyOtherNames = false;
    std::string unreadable;

    RemovalSafetyCheck::Result result(bool folder) const {
        const char* what = folder ? "folders" : "copies";
        std::string reason;
        if (contentDiffers)
            reason = std::string("its content differs from the ") + what + " of its group that stay";
        else if (onlyOtherNames)
            reason = "the copies of its group that stay are other names of the same file (hard links)";
        else if (!unreadable.empty())
            reason = std::string("no ") + (folder ? "folder" : "copy") + " of its group that stays could be checked: " +
                     unreadable;
        else
            reason = std::string("no ") + (folder ? "folder" : "copy") + " of its group that stays is still there";
        return {RemovalSafetyCheck::Verdict::Changed, std::move(reason)};
    }
};
}  // namespace

RemovalSafetyCheck::RemovalSafetyCheck(const std::vector<std::shared_ptr<DuplicateItem>>& removeList) {
    std::unordered_set<const DuplicateItem*> removed;
    std::vector<std::string> removedFolders;  // members inside them go with them: they do not stay
    for (const auto& item : removeList) {
        removed.insert(item.get());
        if (item && item->isDirectory()) removedFolders.push_back(item->getFileItemPath());
    }
    auto goesWithAFolder = [&removedFolders](const std::string& path) {
        return std::any_of(removedFolders.begin(), removedFolders.end(),
                           [&path](const std::string& folder) { return path == folder || isInside(path, folder); });
    };
    for (const auto& item : removeList) {
        if (!item) continue;
        Record record;
        record.path = item->getFileItemPath();
        record.size = item->getFileItemSize();
        record.isDirectory = item->isDirectory();
        record.modificationSeconds = item->getLastModificationDate();
        if (DuplicatesGroup* group = item->getGroup())
            for (const auto& member : group->getItems()) {
                const std::string& path = member->getFileItemPath();
                if (removed.count(member.get()) || path.empty() || goesWithAFolder(path)) continue;
                // A folder that holds the copy, or lies inside it, is no second copy of it.
                if (record.isDirectory && (isInside(path, record.path) || isInside(record.path, path))) continue;
                record.keptPaths.push_back(path);
            }
        m_records.emplace(item.get(), std::move(record));
    }
}

RemovalSafetyCheck::Result RemovalSafetyCheck::check(const DuplicateItem* item, const FolderHandle& parent,
                                                     const std::string& name, FileAttributes& copy) {
    auto it = m_records.find(item);
    if (it == m_records.end()) return {Verdict::Changed, "it is not part of this removal"};
    const Record& record = it->second;
    if (record.keptPaths.empty())
        return {Verdict::Changed, "every copy of its group was selected for removal: one must stay"};
    Status s = FileSystem::standard().attributesAt(parent, name, copy);
    if (!s && s.code() == StatusCode::NotFound) return {Verdict::Gone, {}};
    if (!s) return {Verdict::Changed, "it could not be checked before removal: " + s.message()};
    if (record.isDirectory) {
        if (copy.kind != FileKind::Folder) return {Verdict::Changed, "it is no longer a folder"};
        return checkFolder(record, parent, name, copy);
    }
    if (copy.kind != FileKind::Regular) return {Verdict::Changed, "it is no longer a regular file"};
    if (static_cast<std::int64_t>(copy.size) != record.size)
        return {Verdict::Changed, "its size changed since the scan (" + std::to_string(record.size) + " → " +
                                      std::to_string(copy.size) + " bytes)"};
    if (copy.modificationSeconds != record.modificationSeconds)
        return {Verdict::Changed, "it was modified after the scan"};
    return checkFile(record, parent, name, copy);
}

RemovalSafetyCheck::Result RemovalSafetyCheck::checkFile(const Record& record, const FolderHandle& parent,
                                                         const std::string& name, const FileAttributes& copy) {
    FileSystem& fs = FileSystem::standard();
    Refusal refusal;
    for (const auto& keptPath : record.keptPaths) {
        std::string keptFolder, keptName;
        if (!splitPath(keptPath, keptFolder, keptName)) continue;
        FolderHandle keptParent;
        FileAttributes kept;
        Status s = fs.openFolderNoFollow(keptFolder, keptParent);
        if (s) s = fs.attributesAt(keptParent, keptName, kept);
        if (!s) {
            if (s.code() != StatusCode::NotFound) refusal.unreadable = s.message();
            continue;
        }
        if (kept.kind != FileKind::Regular) continue;
        if (kept.device == copy.device && kept.inode == copy.inode) {
            refusal.onlyOtherNames = true;
            continue;
        }
        if (kept.size != copy.size) {
            refusal.contentDiffers = true;
            continue;
        }
        bool same = false;
        s = fs.compareContentsAt(parent, name, copy, keptParent, keptName, kept, same);
        if (!s) {
            refusal.unreadable = s.message();
            continue;
        }
        if (same) return {};
        refusal.contentDiffers = true;
    }
    return refusal.result(false);
}

RemovalSafetyCheck::Result RemovalSafetyCheck::checkFolder(const Record& record, const FolderHandle& parent,
                                                           const std::string& name, const FileAttributes& copy) {
    FileSystem& fs = FileSystem::standard();
    FolderHandle copyFolder;
    if (Status s = fs.openFolderAt(parent, name, copyFolder); !s)
        return {Verdict::Changed, "it could not be checked before removal: " + s.message()};
    std::string copySignature;
    bool copyRead = false;
    Refusal refusal;
    for (const auto& keptPath : record.keptPaths) {
        FolderHandle kept;
        if (Status s = fs.openFolderNoFollow(keptPath, kept); !s) {
            if (s.code() != StatusCode::NotFound) refusal.unreadable = s.message();
            continue;
        }
        if (kept.device() == copy.device && kept.inode() == copy.inode) {
            refusal.onlyOtherNames = true;
            continue;
        }
        if (!copyRead) {
            if (Status s = folder_identity::signatureOf(copyFolder, copySignature); !s)
                return {Verdict::Changed, "its content could not be read to compare it: " + s.message()};
            copyRead = true;
        }
        std::string keptSignature;
        if (Status s = folder_identity::signatureOf(kept, keptSignature); !s) {
            refusal.unreadable = s.message();
            continue;
        }
        if (keptSignature == copySignature) return {};
        refusal.contentDiffers = true;
    }
    return refusal.result(true);
}
