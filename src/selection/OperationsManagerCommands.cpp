// The manual selection commands of the results views.
#include <algorithm>
#include <map>

#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "results/SelectionBatch.h"
#include "scan/FolderSystemItem.h"
#include "selection/AutoSelectManager.h"
#include "selection/OperationsManager.h"
#include "settings/Settings.h"

namespace {

using Bucket = std::vector<std::shared_ptr<DuplicateItem>>;

// The copies of the folder's direct children, by their group's identifier (in identifier order).
std::map<std::int64_t, Bucket> copiesOfChildrenByGroup(const FolderSystemItem& folder) {
    std::map<std::int64_t, Bucket> buckets;
    for (const auto& child : folder.childrenArray()) {
        DuplicateItem* member = child->getDuplicateItem();
        if (!member || !member->getGroup()) continue;
        auto shared = member->shared_from_this();
        buckets[member->getGroup()->getGroupID()].push_back(std::move(shared));
    }
    return buckets;
}

bool confirmationSettingFor(SelectionView view) {
    Settings& settings = Settings::standard();
    return view == SelectionView::Heaps ? settings.showRemoveLastInHeapsMessage()
                                        : settings.showRemoveLastInCategoriesMessage();
}

void switchConfirmationOff(SelectionView view) {
    Settings& settings = Settings::standard();
    if (view == SelectionView::Heaps)
        settings.setShowRemoveLastInHeapsMessage(false);
    else
        settings.setShowRemoveLastInCategoriesMessage(false);
}

std::string lastPathComponent(const std::string& path) {
    std::string_view p = path;
    while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
    auto slash = p.rfind('/');
    return std::string(slash == std::string_view::npos ? p : p.substr(slash + 1));
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// The copies below the folder by group, with whether selecting all of them would take a group's last
// unselected copy.
struct FolderCopies {
    std::map<std::int64_t, Bucket> buckets;
    bool includesLastCopies = false;
};

FolderCopies unselectedCopiesBelow(FolderSystemItem& folder) {
    FolderCopies result;
    std::vector<FileSystemItem*> nodes = folder.duplicatesDeepArray();
    if (DuplicateItem* own = folder.getDuplicateItem()) nodes.push_back(own->getFileSystemItem());
    for (FileSystemItem* node : nodes) {
        DuplicateItem* member = node ? node->getDuplicateItem() : nullptr;
        if (!member || !member->getGroup() || member->isSelected()) continue;
        result.buckets[member->getGroup()->getGroupID()].push_back(member->shared_from_this());
    }
    for (const auto& [id, bucket] : result.buckets) {
        const DuplicatesGroup& group = *bucket.front()->getGroup();
        const std::int64_t unselected = group.getTotalCount() - group.getSelectedCountWithDuplicatesFolderContent();
        if (static_cast<std::int64_t>(bucket.size()) >= unselected) result.includesLastCopies = true;
    }
    return result;
}
}  // namespace

// ---- One copy's check box ----

ToggleResult OperationsManager::toggleItemByUser(DuplicateItem& item, SelectionView view) {
    ToggleResult result;
    DuplicatesGroup* group = item.getGroup();
    if (!group) return result;
    if (item.isSelected()) {
        item.deselectItem();
        result.outcome = ToggleResult::Outcome::Deselected;
        return result;
    }
    if (!group->isOneItemLeftToSelect()) {
        result.outcome = item.selectItemForced(false) ? ToggleResult::Outcome::Selected
                                                      : ToggleResult::Outcome::RefusedLastCopy;
        return result;
    }
    if (!Settings::standard().allowRemovingAllDuplicateCopies()) {
        result.outcome = ToggleResult::Outcome::RefusedLastCopy;
        result.tip = lastCopyTip(item, false);
        return result;
    }
    if (confirmationSettingFor(view)) {
        SelectionQuestion question;
        question.message = "Attention";
        question.informativeText = std::string("All copies of the ") + (item.isDirectory() ? "folder" : "file") +
                                   " \"" + item.getDisplayName() + "\" will be selected for removal.";
        question.buttons = {"OK", "Cancel"};
        question.suppressionText = "Do not show this message again";
        result.outcome = ToggleResult::Outcome::NeedsConfirmation;
        result.question = std::move(question);
        return result;
    }
    item.selectItemForced(true);
    result.outcome = ToggleResult::Outcome::Selected;
    return result;
}

bool OperationsManager::confirmSelectingLastCopy(DuplicateItem& item, SelectionView view, bool doNotShowAgain) {
    if (doNotShowAgain) switchConfirmationOff(view);
    if (!Settings::standard().allowRemovingAllDuplicateCopies()) return item.selectItemForced(false);
    return item.selectItemForced(true);
}

std::string OperationsManager::lastCopyTip(const DuplicateItem& item, bool inDuplicateList) {
    const char* rest = " is the last unselected copy of duplicates. If you want to select all copies change the "
                       "option in Preferences.";
    if (!inDuplicateList) return std::string("This file") + rest;
    return std::string("This ") + (item.isDirectory() ? "folder" : "file") + rest;
}

// ---- A folder's check box ----

ToggleResult OperationsManager::tickFolderByUser(FolderSystemItem& folder, SelectionView view) {
    ToggleResult result;
    FolderCopies copies = unselectedCopiesBelow(folder);
    if (copies.includesLastCopies && Settings::standard().allowRemovingAllDuplicateCopies() &&
        confirmationSettingFor(view)) {
        SelectionQuestion question;
        question.message = "Attention";
        question.informativeText = "You are selecting the last copies of duplicates in the folder \"" +
                                   lastPathComponent(std::string(folder.name())) + "\" including the original ones.";
        question.buttons = {"OK", "Cancel"};
        question.suppressionText = "Do not show this message again";
        result.outcome = ToggleResult::Outcome::NeedsConfirmation;
        result.question = std::move(question);
        return result;
    }
    const bool forced = copies.includesLastCopies && Settings::standard().allowRemovingAllDuplicateCopies();
    std::int64_t selected = 0;
    {
        SelectionBatch batch;
        for (const auto& [id, bucket] : copies.buckets)
            for (const auto& item : bucket)
                if (item->selectItemForced(forced)) ++selected;
    }
    if (!copies.includesLastCopies || forced) {
        result.outcome = ToggleResult::Outcome::Selected;
        return result;
    }
    result.outcome = ToggleResult::Outcome::SelectedSomeCopies;
    result.tip = selected == 0 ? "This folder has the last unselected copies of duplicates. If you want to select "
                                 "all copies change the option in Preferences."
                               : "Some files in the folder are the last unselected copies of duplicates. If you "
                                 "want to select all copies change the option in Preferences.";
    return result;
}

void OperationsManager::confirmTickingFolder(FolderSystemItem& folder, SelectionView view, bool doNotShowAgain) {
    if (doNotShowAgain) switchConfirmationOff(view);
    const bool forced = Settings::standard().allowRemovingAllDuplicateCopies();
    FolderCopies copies = unselectedCopiesBelow(folder);
    SelectionBatch batch;
    for (const auto& [id, bucket] : copies.buckets)
        for (const auto& item : bucket) item->selectItemForced(forced);
}

// ---- Folder commands ----

FolderSystemItem* OperationsManager::findFolderWithPath(DuplicatesContainer& container, const std::string& path) const {
    const std::vector<FileSystemItem*> nodes = container.findSystemItemWithPath(path);
    if (nodes.empty() || !nodes.front()->isDir()) return nullptr;
    // The node must be that folder itself, not a root below the path; a trailing "/" is no difference.
    if (withoutTrailingSlash(nodes.front()->path()) != withoutTrailingSlash(path)) return nullptr;
    return static_cast<FolderSystemItem*>(nodes.front());
}

void OperationsManager::selectForRemoveAllDuplicatesInFolderWithPath(DuplicatesContainer& container,
                                                                     const std::string& path) {
    if (FolderSystemItem* folder = findFolderWithPath(container, path)) selectForRemoveAllDuplicatesInFolder(*folder);
}

void OperationsManager::selectForRemoveAllDuplicatesInFolder(FolderSystemItem& folder) {
    const auto buckets = copiesOfChildrenByGroup(folder);
    if (buckets.empty()) return;
    m_pAutoSelectManager->prepareForStartByLoadingLatestUserSettings();
    SelectionBatch batch;
    for (const auto& [id, bucket] : buckets) {
        const DuplicatesGroup& group = *bucket.front()->getGroup();
        const std::int64_t unselected = group.getTotalCount() - group.getSelectedCountWithDuplicatesFolderContent();
        if (unselected > static_cast<std::int64_t>(bucket.size())) {
            // Some copy outside the folder stays unselected.
            for (const auto& item : bucket) item->selectItemForced(false);
        } else {
            forceSelectItemsWithPreparedManager(bucket);
        }
    }
}

void OperationsManager::keepAllDuplicatesInFolderWithPath(DuplicatesContainer& container, const std::string& path) {
    if (FolderSystemItem* folder = findFolderWithPath(container, path)) keepAllDuplicatesInFolder(*folder);
}

void OperationsManager::keepAllDuplicatesInFolder(FolderSystemItem& folder) {
    const auto buckets = copiesOfChildrenByGroup(folder);
    SelectionBatch batch;
    for (const auto& [id, bucket] : buckets) {
        DuplicatesGroup* group = bucket.front()->getGroup();
        for (const auto& item : bucket) item->deselectItem();
        for (const auto& item : group->getItems()) {
            FileSystemItem* node = item->getFileSystemItem();
            if (node && node->parent() != &folder) item->selectItemForced(false);
        }
    }
}

void OperationsManager::deselectAllDuplicatesInFolderWithPath(DuplicatesContainer& container, const std::string& path) {
    const std::string folderPath = withoutTrailingSlash(path);
    const std::vector<std::shared_ptr<DuplicatesGroup>> groups = container.getAllFilesGroups();
    SelectionBatch batch;
    for (const auto& group : groups)
        for (const auto& item : group->getSelectedItems())
            if (item->getParentFolderItemPath() == folderPath) item->deselectItem();
}

void OperationsManager::keepOnlyThisCopy(DuplicateItem& item) {
    DuplicatesGroup* group = item.getGroup();
    if (!group) return;
    SelectionBatch batch;
    group->deselectAllItems();
    for (const auto& other : group->getItems())
        if (other.get() != &item) other->selectItemForced(false);
}

void OperationsManager::excludeItemsInFolderWithPath(DuplicatesContainer& container, const std::string& path) {
    const std::vector<FileSystemItem*> nodes = container.findSystemItemWithPath(path);
    if (nodes.empty()) return;
    for (FileSystemItem* node : nodes) {
        if (DuplicateItem* member = node->getDuplicateItem())
            if (DuplicatesGroup* group = member->getGroup()) group->removeDuplicateItemFromLogicalStructure(member);
        if (!node->isDir()) continue;
        for (FileSystemItem* inside : static_cast<FolderSystemItem*>(node)->duplicatesDeepArray()) {
            DuplicateItem* member = inside->getDuplicateItem();
            if (member && member->getGroup())
                member->getGroup()->removeDuplicateItemFromLogicalStructureWithSubItems(member, false);
        }
    }
    container.validateEmptyDataAfterRemoveWithListener(nullptr);
}

void OperationsManager::removeGroupFromDuplicatesList(DuplicatesGroup& group) {
    DuplicatesContainer* container = group.getContainer();
    if (!container) return;
    auto keepAlive = group.shared_from_this();
    container->removeDuplicateItemsFromLogicalStructure(group.getItems());
    container->validateEmptyDataAfterRemoveWithListener(nullptr);
}

void OperationsManager::selectNewestCopies(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups) {
    selectByDate(groups, true);
}

void OperationsManager::selectOldestCopies(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups) {
    selectByDate(groups, false);
}

void OperationsManager::selectByDate(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups, bool keepOldest) {
    m_pAutoSelectManager->prepareForStartByLoadingLatestUserSettings();
    const AutoSelectManager& manager = *m_pAutoSelectManager;
    SelectionBatch batch;
    for (const auto& group : groups) {
        if (!group) continue;
        group->deselectAllItems();
        // Copies held by a selected duplicate folder stay selected.
        if (group->getTotalCount() - 1 <= group->getSelectedCountWithDuplicatesFolderContent()) continue;
        const auto items = group->getItems();
        if (items.empty()) continue;
        std::int64_t kept = items.front()->getLastModificationDate();
        for (const auto& item : items) {
            if (item->isSelected()) continue;
            const std::int64_t date = item->getLastModificationDate();
            if (keepOldest ? date < kept : date > kept) kept = date;
        }
        for (const auto& item : items)
            if (!item->isSelected() && item->getLastModificationDate() != kept &&
                !manager.isPathInNeverSelectFolder(item->getFileItemPath()))
                item->selectItemForced(false);
    }
}

void OperationsManager::keepByRuleInAllGroupsOfContainer(DuplicatesContainer& container, KeepRule rule,
                                                         const std::vector<std::string>& keepInFolders,
                                                         const std::vector<std::string>& neverSelectFolders) {
    auto manager = std::make_shared<AutoSelectManager>();
    manager->setAdditionalFolders({}, neverSelectFolders);
    OperationsManager operations(manager);
    // A copy: the list is only valid until the model changes.
    const std::vector<std::shared_ptr<DuplicatesGroup>> groups = container.getAllFilesGroups();
    switch (rule) {
        case KeepRule::Newest: operations.selectOldestCopies(groups); break;
        case KeepRule::Oldest: operations.selectNewestCopies(groups); break;
        case KeepRule::InFolders: operations.keepCopiesInFolders(groups, keepInFolders); break;
    }
}

void OperationsManager::keepCopiesInFolders(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups,
                                            const std::vector<std::string>& folders) {
    std::vector<std::string> prefixes;
    for (const auto& folder : folders) prefixes.push_back(withoutTrailingSlash(folder) + "/");
    auto isKept = [&prefixes](const std::string& path) {
        return std::any_of(prefixes.begin(), prefixes.end(), [&path](const std::string& prefix) {
            return path.compare(0, prefix.size(), prefix) == 0 || path + "/" == prefix;
        });
    };
    m_pAutoSelectManager->prepareForStartByLoadingLatestUserSettings();
    SelectionBatch batch;
    for (const auto& group : groups) {
        if (!group) continue;
        const auto items = group->getItems();
        if (std::none_of(items.begin(), items.end(), [&](const auto& item) { return isKept(item->getFileItemPath()); }))
            continue;
        group->deselectAllItems();
        for (const auto& item : items)
            if (!isKept(item->getFileItemPath()) && !m_pAutoSelectManager->isPathInNeverSelectFolder(item->getFileItemPath()))
                item->selectItemForced(false);
        keepNamesOfStayingFiles(*group);
    }
}

void OperationsManager::deselectAll(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups) {
    SelectionBatch batch;
    for (const auto& group : groups)
        if (group) group->deselectAllItems();
}

// ---- Menu titles ----

std::string OperationsManager::selectAllCopiesInTitle(const std::string& folderName) {
    return "Select All Copies in \"" + folderName + "\"";
}

std::string OperationsManager::keepAllCopiesInTitle(const std::string& folderName) {
    return "Keep All Copies in \"" + folderName + "\"";
}

std::string OperationsManager::deselectAllCopiesInTitle(const std::string& folderName) {
    return "Deselect All Copies in \"" + folderName + "\"";
}

std::string OperationsManager::addToSkipListTitle(const std::string& folderName) {
    return "Add \"" + folderName + "\" to Skip List";
}
