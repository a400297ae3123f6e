#include "results/DuplicatesHeaps.h"

#include <algorithm>
#include <set>

#include "detection/FileType.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "results/DuplicatesHeap.h"
#include "results/HeapsGroup.h"
#include "results/HeapsValidateProgressListener.h"
#include "results/ProgressBarData.h"
#include "scan/ExcludeChecker.h"
#include "scan/FolderSystemItem.h"

namespace {
std::uint64_t sizeOf(const DuplicateItem& item) {
    return static_cast<std::uint64_t>(std::max<std::int64_t>(0, item.getFileItemSize()));
}

std::string smallFileKey(const FileSystemItem& item) {
    std::string key = std::to_string(item.logicalSize());
    std::string_view extension = pathExtension(item.name());
    if (!extension.empty()) key.append("_").append(extension);
    return key;
}

std::string smallFolderKey(const FolderSystemItem& folder) {
    return std::to_string(folder.logicalSize()) + "_" + std::to_string(folder.getCountOfDeepChildren());
}

// Folder datas in path order, so that every walk over them is repeatable.
template <typename Map>
std::vector<std::pair<std::string, std::shared_ptr<HeapsFolderData>>> sortedByPath(const Map& map) {
    std::vector<std::pair<std::string, std::shared_ptr<HeapsFolderData>>> out(map.begin(), map.end());
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return out;
}
}  // namespace

DuplicatesHeaps::~DuplicatesHeaps() = default;

// ---- Groups arriving and leaving ----

void DuplicatesHeaps::addGroup(const std::shared_ptr<DuplicatesGroup>& group) {
    if (!group) return;
    for (const auto& item : group->getItems()) {
        FileSystemItem* node = item->getFileSystemItem();
        FolderSystemItem* parent = node ? node->parent() : nullptr;
        if (!parent) continue;
        const std::string_view path = item->parentFolderItemPathView();
        auto known = m_arrFoldersData.find(path);
        if (known == m_arrFoldersData.end()) {
            std::shared_ptr<HeapsFolderData> added;
            if (auto hidden = m_arrHiddenFoldersData.find(path); hidden != m_arrHiddenFoldersData.end()) {
                added = std::move(hidden->second);
                m_arrHiddenFoldersData.erase(hidden);
            } else {
                added = std::make_shared<HeapsFolderData>(parent);
            }
            known = m_arrFoldersData.emplace(std::string(path), std::move(added)).first;
        }
        const std::shared_ptr<HeapsFolderData>& data = known->second;
        auto& intersection = m_arrFoldersIntersections[data->getID()];
        intersection.insert(group);
        if (intersection.size() >= 2) m_nPossibleHeapsSize += sizeOf(*item);
        data->updateData();
    }
    m_bNeedRecalculateTotalHeapsSize = true;
}

void DuplicatesHeaps::removeGroup(const std::shared_ptr<DuplicatesGroup>& group) {
    if (!group) return;
    updateDataOfFolders(getAllFoldersOfGroup(*group));
    m_bNeedRecalculateTotalHeapsSize = true;
}

void DuplicatesHeaps::updateDataOfFolders(const std::vector<std::string>& paths) {
    for (const auto& path : paths) {
        auto it = m_arrFoldersData.find(path);
        if (it != m_arrFoldersData.end()) it->second->updateData();
    }
}

std::vector<std::string> DuplicatesHeaps::getAllFoldersOfGroup(const DuplicatesGroup& group) {
    // Views into the members' own paths: the group keeps its members while this runs.
    std::set<std::string_view> paths;
    for (const auto& item : group.getItems()) paths.insert(item->parentFolderItemPathView());
    return {paths.begin(), paths.end()};
}

// ---- Queries ----

std::uint64_t DuplicatesHeaps::getPossibleHeapsSize() const { return std::max(m_nPossibleHeapsSize, m_nTotalHeapsSize); }

std::uint64_t DuplicatesHeaps::getTotalHeapsSize() {
    if (m_bNeedRecalculateTotalHeapsSize) recalculateHeapsInfo();
    return m_nTotalHeapsSize;
}

void DuplicatesHeaps::recalculateHeapsInfo() {
    m_bNeedRecalculateTotalHeapsSize = false;
    std::uint64_t total = 0;
    for (const auto& [path, data] : m_arrFoldersData) {
        auto group = getHeapsGroupForFolderData(*data);
        if (!group) continue;
        for (const auto& item : group->getItemsInMainFolderThatParticipateInHeaps())
            if (!item->getAssociatedDuplicateFolder()) total += sizeOf(*item);
    }
    m_nTotalHeapsSize = total;
}

std::vector<std::shared_ptr<HeapsFolderData>> DuplicatesHeaps::getAllFoldersData() const {
    std::vector<std::shared_ptr<HeapsFolderData>> out;
    for (auto& [path, data] : sortedByPath(m_arrFoldersData)) out.push_back(data);
    return out;
}

std::shared_ptr<HeapsGroup> DuplicatesHeaps::getHeapsGroupForFolderData(const HeapsFolderData& folderData) const {
    if (!m_arrHeapsGroups) return nullptr;
    auto it = m_arrHeapsGroups->find(folderData.getID());
    return it == m_arrHeapsGroups->end() ? nullptr : it->second;
}

std::shared_ptr<HeapsGroup> DuplicatesHeaps::buildHeapsGroupForFolderWithPath(const std::string& path) {
    auto it = m_arrFoldersData.find(path);
    if (it == m_arrFoldersData.end()) return nullptr;
    return generateNewHeapsGroupOfFolder(it->second);
}

std::vector<std::shared_ptr<DuplicatesHeap>> DuplicatesHeaps::getAllHeaps() const {
    std::vector<std::shared_ptr<DuplicatesHeap>> out;
    if (!m_arrHeapsGroups) return out;
    for (const auto& [id, group] : *m_arrHeapsGroups)
        for (auto& heap : group->buildAllSubHeapsArray()) out.push_back(std::move(heap));
    return out;
}

std::shared_ptr<DuplicatesHeap> DuplicatesHeaps::isCanCreateHeapFolder(const std::shared_ptr<HeapsFolderData>& folderData) {
    if (!folderData) return nullptr;
    if (auto group = getHeapsGroupForFolderData(*folderData); group && group->getCountOfHeapsInGroup() > 0) {
        for (std::int64_t key : group->getAllSubHeapsKeys()) {
            auto known = group->getHeapForKey(key);
            if (auto heap = DuplicatesHeap::buildHeapWithFolder(folderData, known->getSecondHeapsFolderData())) return heap;
        }
    }
    for (const auto& [path, other] : sortedByPath(m_arrFoldersData))
        if (auto heap = DuplicatesHeap::buildHeapWithFolder(folderData, other)) return heap;
    return nullptr;
}

// ---- Building the heaps ----

std::vector<std::string_view> DuplicatesHeaps::getPossibleHeapsIntersectionPathsForFolder(
    const HeapsFolderData& folderData) const {
    std::set<std::string_view> paths;
    auto it = m_arrFoldersIntersections.find(folderData.getID());
    if (it == m_arrFoldersIntersections.end()) return {};
    for (const auto& group : it->second) {
        if (!group->getCategory()) continue;
        for (const auto& item : group->getItems()) paths.insert(item->parentFolderItemPathView());
    }
    return {paths.begin(), paths.end()};
}

std::shared_ptr<HeapsGroup> DuplicatesHeaps::generateNewHeapsGroupOfFolder(const std::shared_ptr<HeapsFolderData>& folderData) const {
    auto group = std::make_shared<HeapsGroup>(folderData);
    for (const auto& path : getPossibleHeapsIntersectionPathsForFolder(*folderData)) {
        auto it = m_arrFoldersData.find(path);
        if (it == m_arrFoldersData.end()) continue;
        if (auto heap = DuplicatesHeap::buildHeapWithFolder(folderData, it->second)) group->addHeap(heap);
    }
    return group;
}

std::shared_ptr<HeapsGroup> DuplicatesHeaps::recalculateHeapsGroupOfFolder(const std::shared_ptr<HeapsFolderData>& folderData) const {
    auto old = getHeapsGroupForFolderData(*folderData);
    if (!old || !old->isCanBeUsedForFastRecalculation()) return nullptr;
    auto group = std::make_shared<HeapsGroup>(folderData);
    group->fastRecalculateGroup(*old);
    return group;
}

void DuplicatesHeaps::createRevertHeapsIfNeededIn(std::map<std::int64_t, std::shared_ptr<HeapsGroup>>& groups) const {
    std::vector<std::shared_ptr<HeapsGroup>> existing;
    for (const auto& [id, group] : groups) existing.push_back(group);
    for (const auto& group : existing) {
        for (const auto& heap : group->buildAllSubHeapsArray()) {
            const auto& second = heap->getSecondHeapsFolderData();
            auto& reverse = groups[second->getID()];
            if (!reverse) reverse = std::make_shared<HeapsGroup>(second);
            if (reverse->getHeapForKey(group->getMainFolder()->getID())) continue;
            if (auto opposite = DuplicatesHeap::buildHeapWithFolder(second, group->getMainFolder()))
                reverse->addHeap(opposite);
        }
    }
}

void DuplicatesHeaps::removeNotValidPathsWithListener(HeapsValidateProgressListener* listener) {
    for (const auto& [path, data] : sortedByPath(m_arrFoldersData)) {
        auto it = m_arrFoldersIntersections.find(data->getID());
        if (it == m_arrFoldersIntersections.end() || it->second.size() < 2) removeFolderData(data, path);
        if (listener) listener->onHeapsCheckedFolders(1);
    }
}

void DuplicatesHeaps::removeFolderData(const std::shared_ptr<HeapsFolderData>& folderData, const std::string& path) {
    if (!folderData) return;
    m_arrFoldersData.erase(path);
    m_arrFoldersIntersections.erase(folderData->getID());
}

void DuplicatesHeaps::moveToHiddenFolderData(const std::shared_ptr<HeapsFolderData>& folderData, const std::string& path) {
    if (!folderData) return;
    m_arrFoldersData.erase(path);
    m_arrHiddenFoldersData[path] = folderData;
}

void DuplicatesHeaps::restoreAllHiddenFolderDatas() {
    for (auto& [path, data] : m_arrHiddenFoldersData) m_arrFoldersData.emplace(path, data);
    m_arrHiddenFoldersData.clear();
}

void DuplicatesHeaps::validateEmptyDataAfterRemoveWithListener(HeapsValidateProgressListener* listener) {
    removeNotValidPathsWithListener(listener);
    restoreAllHiddenFolderDatas();
    for (const auto& [path, data] : m_arrFoldersData) data->updateData();
    m_bNeedRecalculateTotalHeapsSize = true;

    auto folders = sortedByPath(m_arrFoldersData);
    std::map<std::int64_t, std::shared_ptr<HeapsGroup>> kept;
    std::uint64_t size = 0;
    std::size_t done = 0;
    for (const auto& [path, data] : folders) {
        if (listener && listener->isHeapsValidationCanceled()) break;
        auto group = recalculateHeapsGroupOfFolder(data);
        if (!group) group = generateNewHeapsGroupOfFolder(data);
        ++done;
        for (const auto& item : group->getItemsInMainFolderThatParticipateInHeaps())
            if (!item->getAssociatedDuplicateFolder()) size += sizeOf(*item);
        if (size > 0)
            notifyListener(listener, size,
                           static_cast<float>(done) / static_cast<float>(folders.size()) * 0.5f + 0.5f, false);
        if (group->isCanBeUsedForFastRecalculation()) kept[data->getID()] = group;
        if (listener) listener->onHeapsCheckedFolders(1);
    }
    createRevertHeapsIfNeededIn(kept);
    m_arrHeapsGroups = kept;
    for (const auto& [path, data] : folders) {
        auto it = kept.find(data->getID());
        if (it == kept.end())
            removeFolderData(data, path);
        else if (it->second->getCountOfHeapsInGroup() == 0)
            moveToHiddenFolderData(data, path);
    }
    m_bNeedRecalculateTotalHeapsSize = true;
    notifyListener(listener, getTotalHeapsSize(), 1.0f, true);
}

void DuplicatesHeaps::notifyListener(HeapsValidateProgressListener* listener, std::uint64_t size, float progress,
                                     bool forced) {
    if (!listener) return;
    Clock::time_point now = Clock::now();
    if (!forced && m_pLastNotificationDate && now - *m_pLastNotificationDate < std::chrono::milliseconds(500)) return;
    m_pLastNotificationDate = now;
    listener->onHeapsSizeChanged(size, progress);
}

// ---- Small items for better heaps ----

void DuplicatesHeaps::getSmallFilesThatNeedToBeCheckedForBetterHeaps(SmallItems& files, SmallItems& folders,
                                                                     DuplicatesContainer& container,
                                                                     bool withHiddenFolders, bool* isContainerChanged) {
    DuplicatesCategory* small = container.getSmallDuplicatesCategory();
    if (isContainerChanged) *isContainerChanged = small->getTotalCount() > 0;
    const ExcludeChecker* checker = container.getExcludeChecker().get();

    SmallItems newFiles, newFolders, earlierFiles, earlierFolders;
    std::map<std::int64_t, std::vector<FileSystemItem*>> earlierGroups;
    for (const auto& [path, data] : sortedByPath(m_arrFoldersData)) {
        FolderSystemItem* folder = data->getFolderSystemItem();
        if (!folder) continue;
        for (const auto& owned : folder->childrenArray()) {
            FileSystemItem* child = owned.get();
            if (checker && checker->isFileItemExcluded(child)) {
                child->setIsCheckedForDuplicates(true);
                continue;
            }
            DuplicateItem* member = child->getDuplicateItem();
            DuplicatesGroup* group = member ? member->getGroup() : nullptr;
            if (!group) {
                if (child->isCheckedForDuplicates()) continue;
                if (child->isDir()) {
                    if (!withHiddenFolders && child->isTopHiddenFlag()) continue;
                    newFolders[smallFolderKey(*static_cast<FolderSystemItem*>(child))].push_back(child);
                } else {
                    newFiles[smallFileKey(*child)].push_back(child);
                }
                continue;
            }
            if (group->getCategory() != small) continue;
            if (!earlierGroups.count(group->getGroupID())) earlierGroups[group->getGroupID()] = group->getFileSystemItems();
            if (child->isDir())
                earlierFolders[smallFolderKey(*static_cast<FolderSystemItem*>(child))].push_back(child);
            else
                earlierFiles[smallFileKey(*child)].push_back(child);
        }
    }
    small->removeAllGroups();

    auto fill = [](SmallItems& result, SmallItems& fresh, SmallItems& earlier) {
        for (auto& [key, items] : fresh) {
            auto old = earlier.find(key);
            std::size_t olds = old == earlier.end() ? 0 : old->second.size();
            if (items.size() + olds < 2) continue;
            auto& out = result[key];
            out = std::move(items);
            if (old == earlier.end()) continue;
            for (FileSystemItem* item : old->second) {
                item->setIsCheckedForDuplicates(false);
                if (item->isDir())
                    for (FileSystemItem* below : static_cast<FolderSystemItem*>(item)->childrenDeepArray())
                        below->setIsCheckedForDuplicates(false);
                out.push_back(item);
            }
        }
    };
    fill(files, newFiles, earlierFiles);
    fill(folders, newFolders, earlierFolders);

    for (auto& [id, nodes] : earlierGroups) {
        std::vector<FileSystemItem*> still;
        for (FileSystemItem* node : nodes)
            if (node->isCheckedForDuplicates()) still.push_back(node);
        if (still.size() >= 2) small->addGroupWithItems(still);
    }
}

// ---- Progress data ----

ProgressBarData DuplicatesHeaps::buildProgressData() const {
    ProgressBarData data;
    std::map<std::int64_t, std::vector<std::shared_ptr<DuplicateItem>>> buckets;
    std::map<std::int64_t, DuplicatesGroup*> groups;
    for (const auto& [path, folder] : m_arrFoldersData) {
        auto heapsGroup = getHeapsGroupForFolderData(*folder);
        if (!heapsGroup) continue;
        for (const auto& item : heapsGroup->getItemsInMainFolderThatParticipateInHeaps()) {
            DuplicatesGroup* group = item->getGroup();
            if (!group || item->getAssociatedDuplicateFolder()) continue;
            buckets[group->getGroupID()].push_back(item);
            groups[group->getGroupID()] = group;
        }
    }
    for (const auto& [id, items] : buckets) data.addItems(items, *groups[id]);
    return data;
}
