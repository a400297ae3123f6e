// Decides which of a set of candidate folders have identical content: compares their direct children
// bucket by bucket (files by size through content hashing, sub-folders by size through a nested
// separator) and splits the set as soon as two folders differ. separateItems and stop may be called
// from any thread; all state lives on the process-wide serial queue "folderseparator.working".
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "detection/FileSeparatorListener.h"
#include "detection/FolderSeparatorDelegate.h"

class FileSeparator;
class FileSystemItem;
class FolderDuplicatesInfo;
class SerialQueue;

class FolderSeparator : public FolderSeparatorDelegate,
                        public FileSeparatorListener,
                        public std::enable_shared_from_this<FolderSeparator> {
public:
    static std::shared_ptr<FolderSeparator> create();
    ~FolderSeparator() override;
    FolderSeparator(const FolderSeparator&) = delete;
    FolderSeparator& operator=(const FolderSeparator&) = delete;

    // The serial queue "folderseparator.working", created on first use and kept for the process's life.
    static std::shared_ptr<SerialQueue> workingQueue();

    // Starts the one separation this separator serves. The folders must stay alive until the
    // delegate has been called. Every candidate ends marked as checked for duplicates.
    void separateItems(std::vector<FolderSystemItem*> folders, std::weak_ptr<FolderSeparatorDelegate> delegate);
    // The same with summaries already made (a sub-group after a split); parallel to `folders`.
    void separateFoldersInfos(std::vector<std::shared_ptr<FolderDuplicatesInfo>> infos,
                              std::vector<FolderSystemItem*> folders, std::weak_ptr<FolderSeparatorDelegate> delegate);
    // Cancels this separation and everything it started; the delegate still hears the finish.
    void stop();

    // FolderSeparatorDelegate, from nested and sub-separators (working queue).
    void onProcessedItemsCount(std::uint64_t count) override;
    void processIndermediateItemsWithSameHash(const FileItemsByHash& items) override;
    void onFinishSeparateFolderItems(std::optional<FolderSets> result, FolderSeparator* separator) override;
    // FileSeparatorListener (queue "fileseparator.working"): handed over to the working queue.
    void onFinishSeparateItemsByHash(FileItemsByHash result) override;

private:
    FolderSeparator();

    // Working queue only.
    void start(std::vector<std::shared_ptr<FolderDuplicatesInfo>> infos, std::vector<FolderSystemItem*> folders,
               std::weak_ptr<FolderSeparatorDelegate> delegate);
    void continueFolderSeparation();
    void prepareToCheckGroupedBySizeFileItems();
    std::size_t getSeparationBeginIndex() const;
    std::vector<std::vector<std::size_t>> getArrayWithFolderInfosSubGroupsWithFirstGroupLen(std::size_t length) const;
    void separateSubGroups(std::size_t firstGroupLength);
    void separateGroupedFileItems();
    void separateGroupedFolderItems();
    void processItemsGroupedWithHash(const FileItemsByHash& result, const std::vector<FileSystemItem*>& items);
    void markFoldersAsCheckedForDuplicates();
    void notifyDelegateAboutProgress();
    void notifyDelegateToProcessIntermediateItemsWithSameHash(const FileItemsByHash& items);
    void finishWithResult(std::optional<FolderSets> result);
    FolderDuplicatesInfo* infoOfFolder(const FolderSystemItem* folder) const;

    // Set by stop() from any thread, read on the working queue.
    std::atomic<bool> m_bIsCanceled{false};

    std::weak_ptr<FolderSeparatorDelegate> m_pDelegate;
    std::vector<FolderSystemItem*> m_arrFoldersItems;
    std::vector<std::shared_ptr<FolderDuplicatesInfo>> m_arrFoldersInfos;  // parallel to m_arrFoldersItems
    std::unordered_map<const FolderSystemItem*, FolderDuplicatesInfo*> m_arrInfoByFolder;
    std::map<std::int64_t, std::vector<FileSystemItem*>> m_arrFileItemsGroupedBySize;
    std::map<std::int64_t, std::vector<FolderSystemItem*>> m_arrFolderItemsGroupedBySize;
    std::shared_ptr<FileSeparator> m_pFileSeparator;
    std::vector<FileSystemItem*> m_arrFilesThatWasSeparated;
    std::shared_ptr<FolderSeparator> m_pFolderSeparator;
    std::vector<FolderSystemItem*> m_arrFoldersThatWasSeparated;
    std::vector<std::shared_ptr<FolderSeparator>> m_arrSubSeparators;
    FolderSets m_arrSubSeparatorsResult;
    std::uint64_t m_nTotalProcessedItems = 0;
    std::uint64_t m_nCurrentProcessedItemsInFolders = 0;
    bool m_bBucketsPrepared = false;
    bool m_bSplit = false;
    bool m_bFinished = false;
};
