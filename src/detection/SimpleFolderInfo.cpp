#include "detection/SimpleFolderInfo.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "results/DuplicateItem.h"
#include "scan/FolderSystemItem.h"

std::string SimpleFolderInfo::buildIdentifierForMethod(int method) const {
    return method == 1 ? buildSizeAndChildrenCountIdentifier() : std::string();
}

std::string SimpleFolderInfo::buildSizeAndChildrenCountIdentifier() const {
    auto [size, count] = identity();
    return std::to_string(size) + "_" + std::to_string(count);
}

std::pair<std::int64_t, std::uint64_t> SimpleFolderInfo::identity() const {
    if (!m_pFolderItem) return {0, 0};
    return {m_pFolderItem->logicalSize(), m_pFolderItem->getCountOfDeepChildren()};
}

bool SimpleFolderInfo::isCanBeDuplicate() const {
    if (!m_pFolderItem) return false;
    if (m_pFolderItem->isCheckedForDuplicates() && !m_pFolderItem->getDuplicateItem()) return false;
    std::vector<const FolderSystemItem*> level{m_pFolderItem};
    std::vector<const FolderSystemItem*> next;
    while (!level.empty()) {
        next.clear();
        for (const FolderSystemItem* folder : level) {
            for (const auto& child : folder->childrenArray()) {
                if (child->isCheckedForDuplicates() && !child->getDuplicateItem()) return false;
                if (child->isDir()) next.push_back(static_cast<const FolderSystemItem*>(child.get()));
            }
        }
        level.swap(next);
    }
    return true;
}

std::vector<SimpleFolderInfo::Group> SimpleFolderInfo::GroupFolders(
    const std::vector<std::shared_ptr<SimpleFolderInfo>>& infos, int method) {
    std::vector<Group> result;
    if (method != 1) return result;
    std::map<std::pair<std::int64_t, std::uint64_t>, Group> byIdentity;
    for (const auto& info : infos) byIdentity[info->identity()].push_back(info);
    for (auto& [identity, group] : byIdentity) {
        if (group.size() >= 2)
            result.push_back(std::move(group));
        else
            group.front()->getSystemItem()->setIsCheckedForDuplicates(true);
    }
    return result;
}

namespace {
std::int64_t sampleSize(const SimpleFolderInfo::Group& group) { return group.front()->identity().first; }
}  // namespace

std::vector<SimpleFolderInfo::Group> SimpleFolderInfo::PreSortedGroupsBySizeFromBigToSmall(std::vector<Group> groups) {
    std::stable_sort(groups.begin(), groups.end(),
                     [](const Group& a, const Group& b) { return sampleSize(a) > sampleSize(b); });
    return groups;
}

std::vector<SimpleFolderInfo::Group> SimpleFolderInfo::SortedGroupsBySizeFromSmallToBig(std::vector<Group> groups) {
    std::stable_sort(groups.begin(), groups.end(),
                     [](const Group& a, const Group& b) { return a.front()->identity() < b.front()->identity(); });
    return groups;
}

std::vector<SimpleFolderInfo::Group> SimpleFolderInfo::SortedGroupsBySizeFromBigToSmall(std::vector<Group> groups) {
    groups = PreSortedGroupsBySizeFromBigToSmall(std::move(groups));
    std::unordered_map<const FolderSystemItem*, std::size_t> groupOfFolder;
    for (std::size_t g = 0; g < groups.size(); ++g)
        for (const auto& info : groups[g]) groupOfFolder[info->getSystemItem()] = g;
    std::vector<bool> placed(groups.size(), false);
    std::vector<Group> result;
    result.reserve(groups.size());
    for (std::size_t largest = 0; largest < groups.size(); ++largest) {
        if (placed[largest]) continue;
        placed[largest] = true;
        std::vector<std::size_t> cluster{largest};
        // Every group that owns a folder below a folder of the cluster joins it, transitively.
        for (std::size_t c = 0; c < cluster.size(); ++c) {
            for (const auto& info : groups[cluster[c]]) {
                for (FolderSystemItem* below : info->getSystemItem()->subFoldersDeepArray()) {
                    auto it = groupOfFolder.find(below);
                    if (it == groupOfFolder.end()) continue;
                    std::size_t g = it->second;
                    groupOfFolder.erase(it);
                    if (placed[g]) continue;
                    placed[g] = true;
                    cluster.push_back(g);
                }
            }
        }
        std::vector<Group> clusterGroups;
        for (std::size_t g : cluster) clusterGroups.push_back(std::move(groups[g]));
        for (auto& g : SortedGroupsBySizeFromSmallToBig(std::move(clusterGroups))) result.push_back(std::move(g));
    }
    return result;
}
