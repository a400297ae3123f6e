#include "history/VXLog.h"

#include <cerrno>

#include "history/LogManager.h"
#include "history/VXLogFactory.h"
#include "history/VXLogGroup.h"
#include "history/WritableLog.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"
#include "settings/Settings.h"

VXLog& VXLog::shared() {
    static VXLog* log = new VXLog();  // lives as long as the process, like the log manager
    return *log;
}

VXLog::VXLog() : m_pFactory(std::make_shared<VXLogFactory>()) { LogManager::shared().setLogFactory(m_pFactory); }

void VXLog::beginLogOfGroups(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups) {
    std::vector<std::shared_ptr<VXLogGroup>> records;
    records.reserve(groups.size());
    for (const auto& group : groups)
        if (group) records.push_back(std::make_shared<VXLogGroup>(*group));
    beginLogOfGroupRecords(std::move(records));
}

void VXLog::beginLogOfGroupRecords(std::vector<std::shared_ptr<VXLogGroup>> groups) {
    std::lock_guard lock(m_mutex);
    endLog();
    m_lastRunOutcome = {};
    m_bIsLoggingTurnOn = Settings::standard().logRemovedDuplicates();
    if (!m_bIsLoggingTurnOn) return;
    for (auto& group : groups) addGroup(std::move(group));
}

void VXLog::onItem(DuplicateItem& item, const std::string& pathInTrash) {
    const DuplicatesGroup* group = item.getGroup();
    if (!group) return;
    onItemWithPathInGroup(group->getGroupID(), item.getFileItemPath(), pathInTrash);
}

void VXLog::onItem(const std::shared_ptr<DuplicateItem>& item, const std::string& pathInTrash) {
    if (item) onItem(*item, pathInTrash);
}

void VXLog::onItemRemoved(DuplicateItem& item) {
    const DuplicatesGroup* group = item.getGroup();
    if (!group) return;
    onItemWithPathInGroup(group->getGroupID(), item.getFileItemPath(), std::nullopt);
}

void VXLog::onItemRemoved(const std::shared_ptr<DuplicateItem>& item) {
    if (item) onItemRemoved(*item);
}

void VXLog::onItemGoneElsewhere(const std::shared_ptr<DuplicateItem>& item) {
    const DuplicatesGroup* group = item ? item->getGroup() : nullptr;
    if (!group) return;
    onItemWithPathInGroup(group->getGroupID(), item->getFileItemPath(), std::nullopt, true);
}

void VXLog::onItemWithPathInGroup(std::int64_t groupId, const std::string& path,
                                  const std::optional<std::string>& pathInTrash, bool vanished) {
    std::lock_guard lock(m_mutex);
    if (!m_bIsLoggingTurnOn) return;
    const auto group = m_groups.find(groupId);
    if (group == m_groups.end()) return;
    VXLogItem* item = group->second->itemWithPath(path);
    if (!item) return;
    item->isRemoved = true;
    item->vanished = vanished;
    if (pathInTrash) item->pathInTrash = pathInTrash;
}

Status VXLog::prepareForRun() {
    if (!Settings::standard().logRemovedDuplicates()) return Status::ok();
    return VXLogFactory::ensureLogFolderWritable();
}

LogWriteOutcome VXLog::endLog() {
    std::lock_guard lock(m_mutex);
    if (!m_bIsLoggingTurnOn) return {};
    LogWriteOutcome outcome;
    if (hasRemovedItems()) {
        LogManager& manager = LogManager::shared();
        manager.beginLog();
        if (const auto log = manager.currentLog())
            for (const auto& [identifier, group] : m_groups) group->writeToLog(*log);
        outcome = manager.endLog();
        if (outcome.state == LogWriteOutcome::State::NothingToWrite)  // removed copies must reach a file
            outcome = LogWriteOutcome::failed(Status::fromErrno(ENOENT, "no log for the removed copies"));
    }
    m_groups.clear();
    m_lastRunOutcome = outcome;
    return outcome;
}

LogWriteOutcome VXLog::lastRunOutcome() const {
    std::lock_guard lock(m_mutex);
    return m_lastRunOutcome;
}

std::optional<std::string> VXLog::logFolderPath() const { return VXLogFactory::logFolderPath(); }

bool VXLog::hasRemovedItems() const {
    std::lock_guard lock(m_mutex);
    for (const auto& [identifier, group] : m_groups)
        if (group->hasRemovedItems()) return true;
    return false;
}

bool VXLog::isLoggingTurnOn() const {
    std::lock_guard lock(m_mutex);
    return m_bIsLoggingTurnOn;
}

std::shared_ptr<VXLogGroup> VXLog::groupWithIdentifier(std::int64_t identifier) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_groups.find(identifier);
    return it == m_groups.end() ? nullptr : it->second;
}

void VXLog::addGroup(std::shared_ptr<VXLogGroup> group) {
    if (!group) return;
    std::lock_guard lock(m_mutex);
    if (!m_bIsLoggingTurnOn) return;
    const std::int64_t identifier = group->identifier();
    m_groups[identifier] = std::move(group);
}
