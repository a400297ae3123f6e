// The Auto Select cascade and command.
#include "selection/OperationsManager.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "results/SelectionBatch.h"
#include "selection/AutoSelectGroupSeparator.h"
#include "selection/AutoSelectManager.h"
#include "selection/DuplicateItemActionsStatistics.h"
#include "settings/Settings.h"

namespace {

bool atLeastTwoUnselected(const DuplicatesGroup& group) {
    return group.getSelectedCountWithDuplicatesFolderContent() < group.getTotalCount() - 1;
}

bool isNeverSelect(const AutoSelectManager& manager, const DuplicateItem& item) {
    return manager.getChoiceUsingUserAutoSelectPathsForPath(item.getFileItemPath()) == AutoSelectChoiceNeverSelect;
}

// Sizes as the messages show them: decimal units with one decimal.
std::string sizeWithOneDecimal(std::uint64_t bytes) {
    static const char* const kUnits[] = {"bytes", "KB", "MB", "GB", "TB", "PB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1000.0 && unit + 1 < std::size(kUnits)) {
        value /= 1000.0;
        ++unit;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}
}  // namespace

OperationsManager::OperationsManager(std::shared_ptr<AutoSelectManager> manager)
    : m_pAutoSelectManager(manager ? std::move(manager) : std::make_shared<AutoSelectManager>()) {}

OperationsManager::~OperationsManager() = default;

void OperationsManager::performForceSelectForGroups(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups) {
    m_pAutoSelectManager->prepareForStartByLoadingLatestUserSettings();
    SelectionBatch batch;
    for (const auto& group : groups)
        if (group) forceSelectItemsWithPreparedManager(group->getItems());
}

void OperationsManager::performForceSelectForItems(const std::vector<std::shared_ptr<DuplicateItem>>& items) {
    if (items.empty()) return;
    m_pAutoSelectManager->prepareForStartByLoadingLatestUserSettings();
    forceSelectItemsWithPreparedManager(items);
}

void OperationsManager::forceSelectItemsWithPreparedManager(const std::vector<std::shared_ptr<DuplicateItem>>& given) {
    if (given.empty() || !given.front()) return;
    DuplicatesGroup* group = given.front()->getGroup();
    if (!group) return;
    // Path order, whatever order the copies came in: the same copies always give the same choice.
    std::vector<std::shared_ptr<DuplicateItem>> items = given;
    std::erase(items, nullptr);
    std::stable_sort(items.begin(), items.end(),
                     [](const auto& a, const auto& b) { return a->getFileItemPath() < b->getFileItemPath(); });
    const AutoSelectManager& manager = *m_pAutoSelectManager;
    SelectionBatch batch;
    if (!trySelectAllPossibleDuplicatesFromItems(items, manager)) {
        AutoSelectGroupSeparator separator(items);
        separator.separateItemsUsingManager(&manager);
        for (const auto& item : separator.getItemsForSelect()) item->selectItemForced(false);
        if (atLeastTwoUnselected(*group)) selectOldestDuplicatesFromItems(items, manager);
        if (atLeastTwoUnselected(*group)) selectAllWithNotMinimalLevelInArray(items, manager);
        if (atLeastTwoUnselected(*group)) selectAllButNotFirstInArray(items, manager);
    }
    keepNamesOfStayingFiles(*group);
}

void OperationsManager::keepNamesOfStayingFiles(DuplicatesGroup& group) {
    if (!group.hasHardLinks()) return;
    const auto members = group.getItems();
    std::vector<FileIdentity> staying;
    for (const auto& member : members)
        if (member->getFileIdentity() && !member->isSelected()) staying.push_back(*member->getFileIdentity());
    SelectionBatch batch;
    for (const auto& member : members) {
        const auto& identity = member->getFileIdentity();
        if (member->isSelected() && identity && std::find(staying.begin(), staying.end(), *identity) != staying.end())
            member->deselectItem();
    }
}

bool OperationsManager::trySelectAllPossibleDuplicatesFromItems(const std::vector<std::shared_ptr<DuplicateItem>>& items,
                                                                const AutoSelectManager& manager) {
    if (items.empty() || !items.front()) return false;
    DuplicatesGroup* group = items.front()->getGroup();
    if (!group) return false;
    bool keeperPresent = false;
    for (const auto& copy : group->getItems()) {
        if (copy->isSelected()) continue;
        if (copy->getAssociatedDuplicateFolder() || isNeverSelect(manager, *copy)) {
            keeperPresent = true;
            break;
        }
    }
    if (!keeperPresent) return false;
    SelectionBatch batch;
    for (const auto& item : items)
        if (item && !item->isSelected() && !isNeverSelect(manager, *item)) item->selectItemForced(false);
    return true;
}

void OperationsManager::selectOldestDuplicatesFromItems(const std::vector<std::shared_ptr<DuplicateItem>>& items,
                                                        const AutoSelectManager& manager) {
    std::optional<std::int64_t> earliest;
    for (const auto& item : items)
        if (item && !item->isSelected()) {
            const std::int64_t date = item->getLastModificationDate();
            if (!earliest || date < *earliest) earliest = date;
        }
    if (!earliest) return;
    SelectionBatch batch;
    for (const auto& item : items)
        if (item && !item->isSelected() && item->getLastModificationDate() != *earliest && !isNeverSelect(manager, *item))
            item->selectItemForced(false);
}

void OperationsManager::selectAllWithNotMinimalLevelInArray(const std::vector<std::shared_ptr<DuplicateItem>>& items,
                                                            const AutoSelectManager& manager) {
    std::optional<int> smallest;
    for (const auto& item : items)
        if (item && !item->isSelected()) {
            const int level = item->getLevel();
            if (!smallest || level < *smallest) smallest = level;
        }
    if (!smallest) return;
    SelectionBatch batch;
    for (const auto& item : items)
        if (item && !item->isSelected() && item->getLevel() != *smallest && !isNeverSelect(manager, *item))
            item->selectItemForced(false);
}

void OperationsManager::selectAllButNotFirstInArray(const std::vector<std::shared_ptr<DuplicateItem>>& items,
                                                    const AutoSelectManager& manager) {
    SelectionBatch batch;
    bool firstKept = false;
    for (const auto& item : items) {
        if (!item || item->isSelected()) continue;
        if (!firstKept) {
            firstKept = true;
            continue;
        }
        if (!isNeverSelect(manager, *item)) item->selectItemForced(false);
    }
}

// ---- The command ----

AutoSelectCommandResult OperationsManager::performAutoSelectCommand(
    DuplicatesContainer& container, const std::vector<std::shared_ptr<DuplicatesGroup>>& groups,
    bool byButtonForAllListedGroups) {
    const auto before = container.buildRemoveList();
    std::unordered_set<const DuplicateItem*> previous;
    previous.reserve(before.size());
    for (const auto& item : before) previous.insert(item.get());

    DuplicateItemActionsStatistics& statistics = DuplicateItemActionsStatistics::sharedInstance();
    statistics.clearInfo();
    performForceSelectForGroups(groups);
    const auto after = container.buildRemoveList();

    AutoSelectCommandResult result;
    result.neverSelectListWasUsed = statistics.countOfNeverSelectListWasUsed() > 0;
    result.countInRemoveList = static_cast<std::int64_t>(after.size());
    // Space on disk: names of one file count once, and only when none of them stays.
    result.removeListSize = static_cast<std::uint64_t>(std::max<std::int64_t>(0, container.getRemoveListTotalSize()));
    for (const auto& item : after)
        if (!previous.contains(item.get())) ++result.newlySelectedCount;
    result.selectedSomething = result.newlySelectedCount > 0;

    if (!result.selectedSomething) {
        SelectionQuestion message;
        message.message = "No duplicates were selected";
        if (result.neverSelectListWasUsed) {
            message.informativeText =
                "All duplicate files have been already selected.\nSome duplicates could not be selected by Auto "
                "Select because they are stored in the folders added to the Never Select list in Preferences.";
            message.buttons = {"OK", "Show Never Select List"};
        } else {
            message.informativeText = "All duplicate files were selected before.";
            message.buttons = {"OK"};
        }
        result.message = std::move(message);
    } else if (byButtonForAllListedGroups && Settings::standard().showAutoSelectMessage()) {
        const std::int64_t n = result.countInRemoveList;
        const char* plural = n == 1 ? "" : "s";
        char text[512];
        std::snprintf(text, sizeof text,
                      "%lld duplicate%s of %s %s selected for removal.\nReview and confirm the selected file%s "
                      "before removal.",
                      static_cast<long long>(n), plural, sizeWithOneDecimal(result.removeListSize).c_str(),
                      n == 1 ? "was" : "were", plural);
        SelectionQuestion message;
        message.message = text;
        message.buttons = {"Review & Remove", "OK"};
        result.message = std::move(message);
    }
    return result;
}

AutoSelectCommandResult OperationsManager::autoSelectAllGroupsOfContainer(
    DuplicatesContainer& container, const std::vector<std::string>& alwaysSelectFolders,
    const std::vector<std::string>& neverSelectFolders) {
    auto manager = std::make_shared<AutoSelectManager>();
    manager->setAdditionalFolders(alwaysSelectFolders, neverSelectFolders);
    OperationsManager operations(manager);
    // A copy of the list: selecting may not change it, but the list is only valid until the model changes.
    const std::vector<std::shared_ptr<DuplicatesGroup>> groups = container.getAllFilesGroups();
    return operations.performAutoSelectCommand(container, groups, true);
}
