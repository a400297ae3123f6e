// The process-wide owner of the last scan's outcome: its container, the facts of the scan and of the
// scan before, the selection components, and the rankings the overview shows (computed on the
// background pool, delivered on the main queue). Main thread, except the please… computations.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "results/DuplicatesManagerDelegate.h"

class AutoSelectManager;
class AutoSelectPreviewListener;
class DuplicatesContainer;
class OperationsManager;

class DuplicatesManager {
public:
    static DuplicatesManager& sharedManager();
    DuplicatesManager(const DuplicatesManager&) = delete;
    DuplicatesManager& operator=(const DuplicatesManager&) = delete;

    AutoSelectManager& getAutoSelectManager() const;
    OperationsManager& getOperationsManager() const { return *m_pOperationsManager; }

    // The container of the last scan; it also becomes the process-wide current container.
    void setDuplicateContainer(std::shared_ptr<DuplicatesContainer> container);
    const std::shared_ptr<DuplicatesContainer>& duplicateContainer() const { return m_pDuplicateContainer; }

    // Facts of the current scan.
    std::optional<std::vector<std::string>> scannedFolders;
    bool isBackupsWereSkipped = false;
    bool isMinimalDuplicatesSizeWasDefinedAutomatically = false;
    std::uint64_t minimalDuplicatesSize = 0;
    std::optional<std::int64_t> scanStartDate;   // seconds since 1970
    std::optional<std::int64_t> scanFinishDate;
    std::uint64_t foundSize = 0;
    std::uint64_t foundFiles = 0;
    std::uint64_t removedSize = 0;
    bool scanSettingsChanged = false;
    // Facts of the scan before.
    std::vector<std::string> previousScanScannedFolders;
    bool previousScanIsMinimalDuplicatesSizeWasDefinedAutomatically = false;
    std::uint64_t previousScanMinimalDuplicatesSize = 0;

    // A new scan starts: the current facts become the previous scan's.
    void clearScanBasicInformation();
    bool isScannedSameFolderAsPreviousButAutomaticallyDefinedFileSizeIsSmaller() const;
    static bool isArrayHasSameContentAsArray(const std::optional<std::vector<std::string>>& a,
                                             const std::optional<std::vector<std::string>>& b);

    // Rankings: computed on the background pool, delivered on the main queue.
    void calculateTenBiggestHeapsWithDelegate(std::weak_ptr<DuplicatesManagerDelegate> delegate);
    void calculateBiggestEasyForRemoveHeapsWithDelegate(std::weak_ptr<DuplicatesManagerDelegate> delegate);
    void calculateBiggestGroupsWithDelegate(std::weak_ptr<DuplicatesManagerDelegate> delegate);
    void calculateDuplicatesForAutoselectWithDelegate(std::weak_ptr<AutoSelectPreviewListener> delegate);

    // The same computations, synchronous, over the current container.
    std::vector<std::shared_ptr<DuplicatesHeap>> pleaseCalculateBiggestHeapsWithMaxResultCount(std::int64_t count) const;
    std::vector<std::shared_ptr<DuplicatesHeap>> pleaseCalculateBiggestEasyForRemoveHeaps() const;
    std::vector<std::shared_ptr<DuplicatesGroup>> pleaseCalculateBiggestGroups() const;
    // The two heap rankings over any container (null: none), on the calling thread: the heaps of the
    // biggest folders (at least `count`, ties kept), and the biggest heaps of folders that form one heap
    // only (at most ten; the biggest heaps when there are none).
    static std::vector<std::shared_ptr<DuplicatesHeap>> biggestHeapsIn(const DuplicatesContainer* container,
                                                                      std::int64_t count);
    static std::vector<std::shared_ptr<DuplicatesHeap>> easyForRemoveHeapsIn(const DuplicatesContainer* container);

    // Deselects every copy of the groups whose every copy is selected (run when removing all copies
    // is no longer allowed).
    void deselectFullySelectedGroups();

private:
    DuplicatesManager();

    std::shared_ptr<OperationsManager> m_pOperationsManager;
    std::shared_ptr<DuplicatesContainer> m_pDuplicateContainer;
};
