#include "history/RestoreGroup.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include "history/BaseRemovedItem.h"
#include "history/KeptItem.h"
#include "history/PermanentlyRemovedItem.h"
#include "history/RestoreGroupDataSource.h"
#include "history/RestoreItem.h"

std::shared_ptr<RestoreGroup> RestoreGroup::GroupFromJsonObject(const QJsonValue& value,
                                                                const RestoreGroupDataSource* dataSource) {
    if (!value.isObject()) return nullptr;
    const QJsonObject object = value.toObject();
    std::vector<std::shared_ptr<KeptItem>> kept;
    for (const QJsonValue v : object.value(QStringLiteral("kept")).toArray())
        if (auto item = KeptItem::itemFromJsonObject(v)) kept.push_back(std::move(item));
    std::vector<std::shared_ptr<BaseRemovedItem>> removed;
    for (const QJsonValue v : object.value(QStringLiteral("removed")).toArray())
        if (auto item = PermanentlyRemovedItem::itemFromJsonObject(v)) removed.push_back(std::move(item));
    for (const QJsonValue v : object.value(QStringLiteral("moved to trash")).toArray())
        if (auto item = RestoreItem::itemFromJsonObject(v)) removed.push_back(std::move(item));
    if (removed.empty()) return nullptr;
    return std::make_shared<RestoreGroup>(std::move(removed), std::move(kept), dataSource);
}

RestoreGroup::RestoreGroup(std::vector<std::shared_ptr<BaseRemovedItem>> items,
                           std::vector<std::shared_ptr<KeptItem>> keptItems, const RestoreGroupDataSource* dataSource)
    : m_children(std::move(items)), m_keptItems(std::move(keptItems)), m_pDataSource(dataSource) {
    for (const auto& child : m_children) {
        child->setRestoreInfoDelegate(this);
        child->setRemoveInfoDataSource(this);
        m_allOriginalPaths.insert(child->originalPath());
    }
    for (const auto& kept : m_keptItems) {
        kept->setRemoveInfoDataSource(this);
        m_allOriginalPaths.insert(kept->originalPath());
    }
}

std::shared_ptr<KeptItem> RestoreGroup::fakeKeptItem() const {
    std::lock_guard lock(m_mutex);
    return m_fakeKeptItem;
}

std::shared_ptr<const ItemToRestoreFrom> RestoreGroup::calculateRestoreSourceForRemovedItem(
    const BaseRemovedItem& item) const {
    std::lock_guard lock(m_mutex);
    for (const auto& kept : m_keptItems)
        if (kept->canBeUsedToRestore()) return kept;
    for (const auto& child : m_children)
        if (child.get() != &item && child->canBeRestoredFromCurrent()) return child;
    if (m_fakeKeptItem && m_fakeKeptItem->canBeUsedToRestore()) return m_fakeKeptItem;
    return nullptr;
}

std::optional<std::string> RestoreGroup::calculatePathToKeptCopyForRemovedItem(const BaseRemovedItem&) const {
    std::lock_guard lock(m_mutex);
    for (const auto& kept : m_keptItems)
        if (kept->canBeUsedToRestore()) return kept->originalPath();
    if (!m_keptItems.empty()) return m_keptItems.front()->originalPath();
    if (m_fakeKeptItem) return m_fakeKeptItem->originalPath();
    return std::nullopt;
}

std::vector<std::string> RestoreGroup::createKeptCopyItemsArrayForRemovedItem(const BaseRemovedItem&,
                                                                              bool onlyExisting) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> paths;
    for (const auto& kept : m_keptItems)
        if (!onlyExisting || kept->canBeUsedToRestore()) paths.push_back(kept->originalPath());
    return paths;
}

bool RestoreGroup::baseRemovedItemCreateFakeOriginalWithURL(BaseRemovedItem&, const std::string& path) {
    auto fake = KeptItem::itemWithFile(path);
    if (!fake) return false;
    fake->setRemoveInfoDataSource(this);
    std::lock_guard lock(m_mutex);
    m_fakeKeptItem = std::move(fake);
    baseRemovedItemCacheHasToBeCleaned();
    return true;
}

void RestoreGroup::baseRemovedItemCacheHasToBeCleaned() {
    std::lock_guard lock(m_mutex);
    for (const auto& kept : m_keptItems) kept->clearCache();
    for (const auto& child : m_children) child->clearCache();
}

std::optional<std::int64_t> RestoreGroup::removeDateOfItems() const {
    return m_pDataSource ? m_pDataSource->restoreGroupRestoreDate() : std::nullopt;
}
