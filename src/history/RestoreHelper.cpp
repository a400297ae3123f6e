#include "history/RestoreHelper.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "history/BaseRemovedItem.h"
#include "platform/FileSystem.h"

namespace {
std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return path.substr(0, slash);
}

std::string lastComponent(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string join(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool entryExists(const std::string& path) {
    FileAttributes attributes;
    return FileSystem::standard().attributes(path, attributes).code() != StatusCode::NotFound;
}

bool candidateMatches(const std::string& path, const BaseRemovedItem& item) {
    return item.couldBeUsedAsRestoredPath(path) && RestoreHelper::isFileWithPath(path, item);
}
}  // namespace

namespace RestoreHelper {

bool isFileWithModificationDate(std::optional<std::int64_t> modificationDate, std::int64_t fileSize,
                                bool candidateIsFolder, const BaseFileLogItem& item) {
    if (!modificationDate) return false;
    if (const auto recorded = item.originalFileModificationDate();
        recorded && std::llabs(*recorded - *modificationDate) >= kModificationDateTolerance) {
        const auto removed = item.removeDate();
        if (!removed || *removed <= *modificationDate) return false;
    }
    if (candidateIsFolder || item.isDirectory()) return true;
    if (item.fileSize() == BaseFileLogItem::kUnknownSize) return true;
    return item.fileSize() == fileSize;
}

bool isFileWithPath(const std::string& path, const BaseFileLogItem& item) {
    FileAttributes attributes;
    if (!FileSystem::standard().attributes(path, attributes)) return false;
    return isFileWithModificationDate(attributes.modificationSeconds, static_cast<std::int64_t>(attributes.size),
                                      attributes.kind == FileKind::Folder, item);
}

void splitName(const std::string& name, bool isDir, std::string& stem, std::string& extension) {
    stem = name;
    extension.clear();
    if (isDir) return;
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return;
    stem = name.substr(0, dot);
    extension = name.substr(dot + 1);
}

bool isRestoredNameOf(const std::string& nameWithoutExtension, const std::string& stem) {
    const std::string base = stem + BaseRemovedItem::restorationSuffix;
    if (nameWithoutExtension.compare(0, base.size(), base) != 0) return false;
    if (nameWithoutExtension.size() == base.size()) return true;
    if (nameWithoutExtension[base.size()] != ' ' || nameWithoutExtension.size() == base.size() + 1) return false;
    for (std::size_t i = base.size() + 1; i < nameWithoutExtension.size(); ++i)
        if (nameWithoutExtension[i] < '0' || nameWithoutExtension[i] > '9') return false;
    return true;
}

std::string restoredFilePathWithPath(const std::string& originalPath, bool isDir, int index,
                                     const std::optional<std::string>& destinationFolder) {
    const std::string name = lastComponent(originalPath);
    if (index == 0) return destinationFolder ? join(*destinationFolder, name) : originalPath;
    std::string stem, extension;
    splitName(name, isDir, stem, extension);
    std::string restored = stem + BaseRemovedItem::restorationSuffix;
    if (index >= 2) restored += " " + std::to_string(index);
    if (!extension.empty()) restored += "." + extension;
    return join(destinationFolder ? *destinationFolder : parentOf(originalPath), restored);
}

std::string restoredFilePathForItem(const BaseRemovedItem& item, int index,
                                    const std::optional<std::string>& destinationFolder) {
    return restoredFilePathWithPath(item.originalPath(), item.isDirectory(), index, destinationFolder);
}

std::string generateRestoreDestinationFilePathForItem(const BaseRemovedItem& item,
                                                      const std::optional<std::string>& destinationFolder) {
    for (int index = 0;; ++index) {
        const std::string candidate = restoredFilePathForItem(item, index, destinationFolder);
        if (item.couldBeUsedAsRestoredPath(candidate) && !entryExists(candidate)) return candidate;
    }
}

std::optional<std::string> calculateRestoredFilePathForItem(const BaseRemovedItem& item) {
    for (int index = 0; index < 3; ++index) {
        const std::string candidate = restoredFilePathForItem(item, index, std::nullopt);
        if (candidateMatches(candidate, item)) return candidate;
    }
    const std::string parent = parentOf(item.originalPath());
    std::string stem, extension;
    splitName(lastComponent(item.originalPath()), item.isDirectory(), stem, extension);
    std::vector<std::string> names;
    if (!FileSystem::standard().listFolder(parent, names)) return std::nullopt;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string withoutExtension = name;
        if (!extension.empty()) {
            const std::string dotted = "." + extension;
            if (name.size() <= dotted.size() || name.compare(name.size() - dotted.size(), dotted.size(), dotted) != 0)
                continue;
            withoutExtension = name.substr(0, name.size() - dotted.size());
        }
        if (!isRestoredNameOf(withoutExtension, stem)) continue;
        const std::string candidate = join(parent, name);
        if (candidateMatches(candidate, item)) return candidate;
    }
    return std::nullopt;
}

}  // namespace RestoreHelper
