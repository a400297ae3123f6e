// The heaps of one container: per folder holding duplicates its data, per main folder its heaps, an
// estimate gathered while groups arrive and the total once validated. Used on the queue that changes
// the model (a detection queue during a scan, the main thread afterwards). The validation listener is
// called on that same queue; a listener that wants the main thread hops there itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "results/HeapsFolderData.h"

class DuplicatesContainer;
class DuplicatesGroup;
class DuplicatesHeap;
class FileSystemItem;
class HeapsGroup;
class HeapsValidateProgressListener;
class ProgressBarData;

class DuplicatesHeaps {
public:
    // Small children worth comparing, by key ("size_extension", "size" or "size_descendants").
    using SmallItems = std::map<std::string, std::vector<FileSystemItem*>>;

    DuplicatesHeaps() = default;
    ~DuplicatesHeaps();
    DuplicatesHeaps(const DuplicatesHeaps&) = delete;
    DuplicatesHeaps& operator=(const DuplicatesHeaps&) = delete;

    // A group joined a kind category of the container.
    void addGroup(const std::shared_ptr<DuplicatesGroup>& group);
    // A group is about to leave its kind category (it may never have been added).
    void removeGroup(const std::shared_ptr<DuplicatesGroup>& group);
    bool isEmpty() { return getTotalHeapsSize() == 0; }
    // The larger of the running estimate and the last computed total.
    std::uint64_t getPossibleHeapsSize() const;
    std::uint64_t getTotalHeapsSize();
    std::vector<std::shared_ptr<HeapsFolderData>> getAllFoldersData() const;
    std::shared_ptr<HeapsGroup> getHeapsGroupForFolderData(const HeapsFolderData& folderData) const;
    std::shared_ptr<HeapsGroup> buildHeapsGroupForFolderWithPath(const std::string& path);
    // The first heap that the folder forms with one of its known partners, or with any folder.
    std::shared_ptr<DuplicatesHeap> isCanCreateHeapFolder(const std::shared_ptr<HeapsFolderData>& folderData);
    // Every heap of every main folder (each pair appears once per direction).
    std::vector<std::shared_ptr<DuplicatesHeap>> getAllHeaps() const;

    // Builds or rebuilds every heap; `listener` may be null and may cancel between folders.
    void validateEmptyDataAfterRemoveWithListener(HeapsValidateProgressListener* listener);

    void removeNotValidPathsWithListener(HeapsValidateProgressListener* listener);
    void removeFolderData(const std::shared_ptr<HeapsFolderData>& folderData, const std::string& path);
    void moveToHiddenFolderData(const std::shared_ptr<HeapsFolderData>& folderData, const std::string& path);
    void restoreAllHiddenFolderDatas();
    void updateDataOfFolders(const std::vector<std::string>& paths);
    // The distinct parent folder paths of the group's members.
    static std::vector<std::string> getAllFoldersOfGroup(const DuplicatesGroup& group);
    // The parent folder paths of the members of the folder's groups, in path order: views into the
    // members' own paths, valid while those groups keep their members.
    std::vector<std::string_view> getPossibleHeapsIntersectionPathsForFolder(const HeapsFolderData& folderData) const;
    std::shared_ptr<HeapsGroup> recalculateHeapsGroupOfFolder(const std::shared_ptr<HeapsFolderData>& folderData) const;
    std::shared_ptr<HeapsGroup> generateNewHeapsGroupOfFolder(const std::shared_ptr<HeapsFolderData>& folderData) const;
    void createRevertHeapsIfNeededIn(std::map<std::int64_t, std::shared_ptr<HeapsGroup>>& groups) const;
    void recalculateHeapsInfo();
    void notifyListener(HeapsValidateProgressListener* listener, std::uint64_t size, float progress, bool forced);

    // Children of the heap folders that might make the heaps more complete (see the heap search):
    // new candidates plus earlier small duplicates of the same key, which are compared anew. Empties
    // the container's small-duplicates category; `isContainerChanged` says whether it held anything.
    void getSmallFilesThatNeedToBeCheckedForBetterHeaps(SmallItems& files, SmallItems& folders,
                                                        DuplicatesContainer& container, bool withHiddenFolders,
                                                        bool* isContainerChanged);

    ProgressBarData buildProgressData() const;

private:
    using Clock = std::chrono::steady_clock;
    // Folder paths are looked up by the views members keep of them, without a copy.
    struct PathHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view path) const noexcept { return std::hash<std::string_view>()(path); }
    };
    using FoldersData = std::unordered_map<std::string, std::shared_ptr<HeapsFolderData>, PathHash, std::equal_to<>>;

    FoldersData m_arrFoldersData;                                               // by parent path
    std::unordered_map<std::int64_t, HeapsGroupSet> m_arrFoldersIntersections;  // by folder-data ID
    FoldersData m_arrHiddenFoldersData;
    std::optional<std::map<std::int64_t, std::shared_ptr<HeapsGroup>>> m_arrHeapsGroups;  // by folder-data ID
    bool m_bNeedRecalculateTotalHeapsSize = true;
    std::uint64_t m_nPossibleHeapsSize = 0;
    std::uint64_t m_nTotalHeapsSize = 0;
    std::optional<Clock::time_point> m_pLastNotificationDate;
};
