#include "selection/AutoSelectPreview.h"

#include <algorithm>
#include <unordered_set>

#include "platform/Dispatch.h"
#include "platform/ThreadPool.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "scan/FolderSystemItem.h"
#include "selection/AutoSelectGroupSeparator.h"
#include "selection/AutoSelectManager.h"

namespace {
using GroupCopies = std::vector<std::pair<std::shared_ptr<DuplicatesGroup>, std::vector<std::shared_ptr<DuplicateItem>>>>;

int g_nInFlight = 0;  // main thread only

// Folders decide lazily whether they are packages; settle that for every ancestor of every copy here,
// on the main thread, so that the background contest only reads the tree.
void settlePackageFlags(const GroupCopies& groups) {
    std::unordered_set<FolderSystemItem*> seen;
    for (const auto& [group, items] : groups)
        for (const auto& item : items) {
            FileSystemItem* node = item->getFileSystemItem();
            if (node && node->isDir()) node->isPackage();
            for (FolderSystemItem* folder = node ? node->parent() : nullptr; folder; folder = folder->parent()) {
                if (!seen.insert(folder).second) break;
                folder->isPackage();
            }
        }
}
}  // namespace

void AutoSelectPreview::calculateDuplicatesForAutoselect(std::shared_ptr<DuplicatesContainer> container,
                                                         std::weak_ptr<AutoSelectPreviewListener> listener) {
    if (!container) return;
    auto groups = std::make_shared<GroupCopies>();
    for (const auto& group : container->getAllFilesGroups()) groups->emplace_back(group, group->getItems());
    settlePackageFlags(*groups);
    ++g_nInFlight;
    dispatch::background().async([container = std::move(container), groups = std::move(groups),
                                  listener = std::move(listener)]() mutable {
        auto records = std::make_shared<std::vector<AutoSelectPreviewRecord>>(calculateNow(*groups));
        // The results and the snapshot are released on the main thread, where the results live.
        dispatch::main().async([container = std::move(container), groups = std::move(groups),
                                records = std::move(records), listener = std::move(listener)]() mutable {
            --g_nInFlight;
            if (auto alive = listener.lock()) alive->onCalculatedDuplicatesForAutoselect(std::move(*records));
        });
    });
}

int AutoSelectPreview::countInFlight() { return g_nInFlight; }

std::vector<AutoSelectPreviewRecord> AutoSelectPreview::calculateNow(const GroupCopies& groups) {
    AutoSelectManager manager(false);
    manager.prepareForStartByLoadingLatestUserSettings();
    std::vector<AutoSelectPreviewRecord> records;
    for (const auto& [group, items] : groups) {
        AutoSelectGroupSeparator separator(items);
        separator.separateItemsUsingManager(&manager);
        if (separator.getItemsForSelect().empty()) continue;
        AutoSelectPreviewRecord record;
        record.group = group;
        record.duplicateArray = separator.getItemsForSelect();
        for (const auto& item : record.duplicateArray)
            record.size += static_cast<std::uint64_t>(std::max<std::int64_t>(0, item->getFileItemSize()));
        records.push_back(std::move(record));
    }
    std::stable_sort(records.begin(), records.end(),
                     [](const AutoSelectPreviewRecord& a, const AutoSelectPreviewRecord& b) { return a.size > b.size; });
    return records;
}
