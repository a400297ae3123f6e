// The plan of one merge of two folders the scan found to hold duplicates of each other: the left and
// right folders, the direction (which is source and which destination), the options, and which items
// of the source are moved or copied under which name. Changing the direction or the options plans
// anew. Built and used on the main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "operations/MergeFolder.h"
#include "operations/MergeOptions.h"
#include "operations/SubOperationsStatistics.h"

class DuplicatesHeap;
class FolderSystemItem;

class MergeOperationData {
public:
    // `heap` may be null (a pair of folders chosen by path rather than a heap of the results).
    MergeOperationData(FolderSystemItem* leftFolder, FolderSystemItem* rightFolder,
                       std::shared_ptr<DuplicatesHeap> heap = nullptr);

    const std::shared_ptr<DuplicatesHeap>& heap() const { return m_pHeap; }
    MergeDirection direction() const { return m_eDirection; }
    void setDirection(MergeDirection direction);
    const MergeOperationOptions& options() const { return m_options; }
    void setOptions(const MergeOperationOptions& options);

    MergeFolder& leftFolder() { return *m_pLeft; }
    MergeFolder& rightFolder() { return *m_pRight; }
    MergeFolder& sourceFolder() { return m_eDirection == MergeDirection::LeftToRight ? *m_pLeft : *m_pRight; }
    MergeFolder& destinationFolder() { return m_eDirection == MergeDirection::LeftToRight ? *m_pRight : *m_pLeft; }
    const MergeFolder& sourceFolder() const { return const_cast<MergeOperationData*>(this)->sourceFolder(); }
    const MergeFolder& destinationFolder() const { return const_cast<MergeOperationData*>(this)->destinationFolder(); }

    // Whether the two folders hold any duplicates of each other at all.
    bool sharesDuplicates() const { return !m_pLeft->duplicates().empty(); }
    std::int64_t countOfAffectedItems() const { return m_nCountOfAffectedItems; }
    // The source's items that have an action, in name order.
    std::vector<MergeItem*> affectedItems() const;
    std::string destinationPathOf(const MergeItem& item) const;
    // Logical bytes of the affected items.
    std::uint64_t sizeOfAffectedItems() const;

    // The preview's sentence and the line under it.
    std::string descriptionText() const;
    // "will be copied", "Copying", "copied", … for an item's action and phase.
    static std::string detailsLabel(MergeAction action, MergeItemPhase phase);

    const SubOperationsStatistics& operationsStatistics() const { return m_operationsStatistics; }
    void setOperationsStatistics(const SubOperationsStatistics& statistics) { m_operationsStatistics = statistics; }

    // Clears every action of both folders and plans again from the direction and the options.
    void recompute();

private:
    bool admits(const MergeItem& item) const;
    std::string freeNameInDestination(const std::string& name, const std::set<std::string>& taken) const;

    std::shared_ptr<DuplicatesHeap> m_pHeap;
    std::unique_ptr<MergeFolder> m_pLeft;
    std::unique_ptr<MergeFolder> m_pRight;
    MergeDirection m_eDirection = MergeDirection::LeftToRight;
    MergeOperationOptions m_options;
    std::int64_t m_nCountOfAffectedItems = 0;
    SubOperationsStatistics m_operationsStatistics;
};
