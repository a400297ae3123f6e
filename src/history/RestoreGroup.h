// One duplicate group of a removal log: its removed copies (children) and kept copies, and the
// substitute original the user may point out. Chooses what a removed copy is restored from and which
// paths a restored file may take. Its recursive lock guards the restore caches of all its items; any
// thread. Lives as long as the log's controller.
#pragma once

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "history/BaseFileLogItemDataSource.h"

class BaseRemovedItem;
class ItemToRestoreFrom;
class KeptItem;
class QJsonValue;
class RestoreGroupDataSource;

class RestoreGroup : public BaseFileLogItemDataSource {
public:
    // Null when the value is not an object or holds no removed copy. The data source must outlive the group.
    static std::shared_ptr<RestoreGroup> GroupFromJsonObject(const QJsonValue& value,
                                                             const RestoreGroupDataSource* dataSource);
    RestoreGroup(std::vector<std::shared_ptr<BaseRemovedItem>> items, std::vector<std::shared_ptr<KeptItem>> keptItems,
                 const RestoreGroupDataSource* dataSource);
    RestoreGroup(const RestoreGroup&) = delete;
    RestoreGroup& operator=(const RestoreGroup&) = delete;

    const std::vector<std::shared_ptr<BaseRemovedItem>>& children() const { return m_children; }
    const std::vector<std::shared_ptr<KeptItem>>& keptItems() const { return m_keptItems; }
    std::shared_ptr<KeptItem> fakeKeptItem() const;

    // The first usable kept copy, else another removed copy with a file of its own, else the
    // substitute original (when it still matches).
    std::shared_ptr<const ItemToRestoreFrom> calculateRestoreSourceForRemovedItem(const BaseRemovedItem& item) const;
    std::optional<std::string> calculatePathToKeptCopyForRemovedItem(const BaseRemovedItem& item) const;
    std::vector<std::string> createKeptCopyItemsArrayForRemovedItem(const BaseRemovedItem& item, bool onlyExisting) const;
    bool baseRemovedItemCreateFakeOriginalWithURL(BaseRemovedItem& item, const std::string& path);
    bool containsItemWithOriginalPath(const std::string& path) const { return m_allOriginalPaths.count(path) != 0; }
    // Every child forgets its cached answers (after a failed restore the sources are looked up again).
    void baseRemovedItemCacheHasToBeCleaned();

    std::optional<std::int64_t> removeDateOfItems() const override;
    std::recursive_mutex& restoreCacheMutex() const override { return m_mutex; }

private:
    std::vector<std::shared_ptr<BaseRemovedItem>> m_children;
    std::vector<std::shared_ptr<KeptItem>> m_keptItems;
    std::shared_ptr<KeptItem> m_fakeKeptItem;  // guarded by m_mutex
    std::set<std::string> m_allOriginalPaths;
    const RestoreGroupDataSource* m_pDataSource;
    mutable std::recursive_mutex m_mutex;
};
