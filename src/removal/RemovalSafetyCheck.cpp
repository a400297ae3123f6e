#include "removal/RemovalSafetyCheck.h"

#include <algorithm>
#include <unordered_set>

#include "platform/FileDigest.h"
#include "platform/FileSystem.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"

RemovalSafetyCheck::RemovalSafetyCheck(const std::vector<std::shared_ptr<DuplicateItem>>& removeList) {
    std::unordered_set<const DuplicateItem*> removed;
    std::vector<std::string> removedFolders;  // members inside them go with them: they do not stay
    for (const auto& item : removeList) {
        removed.insert(item.get());
        if (item && item->isDirectory()) removedFolders.push_back(item->getFileItemPath() + "/");
    }
    auto goesWithAFolder = [&removedFolders](const std::string& path) {
        return std::any_of(removedFolders.begin(), removedFolders.end(),
                           [&path](const std::string& folder) { return path.compare(0, folder.size(), folder) == 0; });
    };
    for (const auto& item : removeList) {
        if (!item) continue;
        Record record;
        record.path = item->getFileItemPath();
        record.size = item->getFileItemSize();
        record.isDirectory = item->isDirectory();
        record.modificationSeconds = item->getLastModificationDate();
        if (DuplicatesGroup* group = item->getGroup())
            for (const auto& member : group->getItems())
                if (!removed.count(member.get()) && !member->getFileItemPath().empty() &&
                    !goesWithAFolder(member->getFileItemPath()))
                    record.keptPaths.push_back(member->getFileItemPath());
        m_records.emplace(item.get(), std::move(record));
    }
}

RemovalSafetyCheck::Result RemovalSafetyCheck::check(const DuplicateItem* item) {
    auto it = m_records.find(item);
    if (it == m_records.end()) return {};
    const Record& record = it->second;
    FileAttributes attributes;
    Status s = FileSystem::standard().attributes(record.path, attributes);
    if (!s && s.code() == StatusCode::NotFound) return {Verdict::Gone, {}};
    if (!s) return {Verdict::Changed, "it could not be checked before removal: " + s.message()};
    if (record.isDirectory) {
        if (attributes.kind != FileKind::Folder) return {Verdict::Changed, "it is no longer a folder"};
        return checkFolder(record);
    }
    if (attributes.kind != FileKind::Regular) return {Verdict::Changed, "it is no longer a regular file"};
    if (static_cast<std::int64_t>(attributes.size) != record.size)
        return {Verdict::Changed, "its size changed since the scan (" + std::to_string(record.size) + " → " +
                                      std::to_string(attributes.size) + " bytes)"};
    if (attributes.modificationSeconds != record.modificationSeconds)
        return {Verdict::Changed, "it was modified after the scan"};
    return checkFile(record);
}

RemovalSafetyCheck::Result RemovalSafetyCheck::checkFile(const Record& record) {
    // Every copy of the group is being removed (the user allowed it): nothing to compare with.
    if (record.keptPaths.empty()) return {};
    bool anyKeptReadable = false;
    std::optional<std::string> digest;
    for (const auto& kept : record.keptPaths) {
        auto keptValue = keptDigest(kept, record.size);
        if (!keptValue) continue;
        anyKeptReadable = true;
        if (!digest) {
            digest = FileDigest::hashforFile(record.path);
            if (!digest) return {Verdict::Changed, "its content could not be read to compare it with the copy that stays"};
        }
        if (*digest == *keptValue) return {};
    }
    if (!anyKeptReadable) return {Verdict::Changed, "no copy of its group that stays is still there unchanged"};
    return {Verdict::Changed, "its content differs from the copies of its group that stay"};
}

RemovalSafetyCheck::Result RemovalSafetyCheck::checkFolder(const Record& record) {
    if (record.keptPaths.empty()) return {};
    for (const auto& kept : record.keptPaths)
        if (FileSystem::standard().isFolder(kept) && folderContentsEqual(record.path, kept)) return {};
    return {Verdict::Changed, "its content differs from the folders of its group that stay"};
}

std::optional<std::string> RemovalSafetyCheck::keptDigest(const std::string& path, std::int64_t expectedSize) {
    {
        std::lock_guard lock(m_digestMutex);
        auto it = m_keptDigests.find(path);
        if (it != m_keptDigests.end()) return it->second;
    }
    std::optional<std::string> digest;
    FileAttributes attributes;
    if (FileSystem::standard().attributes(path, attributes) && attributes.kind == FileKind::Regular &&
        static_cast<std::int64_t>(attributes.size) == expectedSize)
        digest = FileDigest::hashforFile(path);
    std::lock_guard lock(m_digestMutex);
    return m_keptDigests.emplace(path, digest).first->second;
}

bool RemovalSafetyCheck::folderContentsEqual(const std::string& a, const std::string& b) {
    FileSystem& fs = FileSystem::standard();
    std::vector<std::string> namesA, namesB;
    if (!fs.listFolder(a, namesA) || !fs.listFolder(b, namesB)) return false;
    std::sort(namesA.begin(), namesA.end());
    std::sort(namesB.begin(), namesB.end());
    if (namesA != namesB) return false;
    for (const auto& name : namesA) {
        const std::string pathA = a + "/" + name, pathB = b + "/" + name;
        FileAttributes attrA, attrB;
        if (!fs.attributes(pathA, attrA) || !fs.attributes(pathB, attrB)) return false;
        if (attrA.kind != attrB.kind) return false;
        if (attrA.kind == FileKind::Folder) {
            if (!folderContentsEqual(pathA, pathB)) return false;
        } else if (attrA.kind == FileKind::Regular) {
            if (attrA.size != attrB.size) return false;
            auto digestA = FileDigest::hashforFile(pathA);
            if (!digestA || digestA != FileDigest::hashforFile(pathB)) return false;
        }
        // Links and special files count as equal when both sides have one of the same kind.
    }
    return true;
}
