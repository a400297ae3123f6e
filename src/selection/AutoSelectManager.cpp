#include "selection/AutoSelectManager.h"

#include <algorithm>

#include "results/DuplicateItem.h"
#include "results/DuplicatesGroup.h"
#include "selection/AutoSelectGroupSeparator.h"
#include "selection/DuplicateItemActionsStatistics.h"
#include "settings/Settings.h"

AutoSelectManager::AutoSelectManager(bool countsNeverSelectUse) : m_bCountsNeverSelectUse(countsNeverSelectUse) {}

void AutoSelectManager::setAdditionalFolders(std::vector<std::string> alwaysSelect,
                                             std::vector<std::string> neverSelect) {
    m_arrAdditionalAlwaysSelect = std::move(alwaysSelect);
    m_arrAdditionalNeverSelect = std::move(neverSelect);
}

void AutoSelectManager::prepareForStartByLoadingLatestUserSettings() {
    Settings& settings = Settings::standard();
    std::vector<std::string> always = settings.autoAlwaysSelectFolders();
    std::vector<std::string> never = settings.autoNeverSelectFolders();
    always.insert(always.end(), m_arrAdditionalAlwaysSelect.begin(), m_arrAdditionalAlwaysSelect.end());
    never.insert(never.end(), m_arrAdditionalNeverSelect.begin(), m_arrAdditionalNeverSelect.end());
    m_arrAlwaysSelectPaths = preparePathsArrayToUse(std::move(always));
    m_arrNeverSelectPaths = preparePathsArrayToUse(std::move(never));
}

std::vector<std::shared_ptr<DuplicateItem>> AutoSelectManager::getDuplicateItemsForAutoSelectFromGroups(
    const std::vector<std::shared_ptr<DuplicatesGroup>>& groups) {
    prepareForStartByLoadingLatestUserSettings();
    std::vector<std::shared_ptr<DuplicateItem>> result;
    for (const auto& group : groups) {
        if (!group) continue;
        AutoSelectGroupSeparator separator(group->getItems());
        separator.separateItemsUsingManager(this);
        const auto& chosen = separator.getItemsForSelect();
        result.insert(result.end(), chosen.begin(), chosen.end());
    }
    return result;
}

std::vector<std::shared_ptr<DuplicateItem>> AutoSelectManager::getDuplicateItemsForAutoSelectFromItems(
    const std::vector<std::shared_ptr<DuplicateItem>>& items) {
    prepareForStartByLoadingLatestUserSettings();
    AutoSelectGroupSeparator separator(items);
    separator.separateItemsUsingManager(this);
    return separator.getItemsForSelect();
}

AutoSelectChoice AutoSelectManager::getChoiceUsingUserAutoSelectPathsForPath(std::string_view path) const {
    const std::int64_t always = getMaxPrefixLenOfPath(path, m_arrAlwaysSelectPaths, -1);
    const std::int64_t never = getMaxPrefixLenOfPath(path, m_arrNeverSelectPaths, always);
    if (always < 1 && never < 1) return AutoSelectChoiceUndecided;
    if (always > never) return AutoSelectChoiceSelect;
    if (m_bCountsNeverSelectUse) DuplicateItemActionsStatistics::sharedInstance().onNeverSelectListWasUsed();
    return AutoSelectChoiceNeverSelect;
}

bool AutoSelectManager::isPathInNeverSelectFolder(std::string_view path) const {
    return getMaxPrefixLenOfPath(path, m_arrNeverSelectPaths, -1) > 0;
}

std::int64_t AutoSelectManager::getMaxPrefixLenOfPath(std::string_view path, const std::vector<std::string>& prefixes,
                                                      std::int64_t lenBiggerThan) {
    for (const auto& prefix : prefixes) {
        const auto length = static_cast<std::int64_t>(prefix.size());
        if (length <= lenBiggerThan) return -1;  // every later entry is shorter still
        if (path.starts_with(prefix)) return length;
    }
    return -1;
}

std::vector<std::string> AutoSelectManager::preparePathsArrayToUse(std::vector<std::string> paths) {
    std::vector<std::string> prepared;
    prepared.reserve(paths.size());
    for (auto& path : paths) {
        if (path.size() < 2) continue;  // neither "" nor "/" ever applies
        if (path.back() != '/') path.push_back('/');
        prepared.push_back(std::move(path));
    }
    std::stable_sort(prepared.begin(), prepared.end(),
                     [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    return prepared;
}

// ---- The lists in Preferences ----

namespace {
std::vector<std::string> storedList(bool isAlwaysList) {
    Settings& settings = Settings::standard();
    return isAlwaysList ? settings.autoAlwaysSelectFolders() : settings.autoNeverSelectFolders();
}

void storeList(bool isAlwaysList, std::vector<std::string> list) {
    std::erase_if(list, [](const std::string& entry) { return entry.empty(); });
    Settings& settings = Settings::standard();
    if (isAlwaysList)
        settings.setAutoAlwaysSelectFolders(list);
    else
        settings.setAutoNeverSelectFolders(list);
}

bool contains(const std::vector<std::string>& list, const std::string& entry) {
    return std::find(list.begin(), list.end(), entry) != list.end();
}
}  // namespace

bool AutoSelectManager::addFolderToAlwaysSelectList(bool isAlwaysList, const std::string& path) {
    std::vector<std::string> list = storedList(isAlwaysList);
    if (path.empty() || contains(list, path)) return false;
    list.push_back(path);
    storeList(isAlwaysList, std::move(list));
    return true;
}

std::optional<SelectionQuestion> AutoSelectManager::questionBeforeSavingFolderList(const std::vector<std::string>& list,
                                                                                   bool isAlwaysList) {
    const std::vector<std::string> other = storedList(!isAlwaysList);
    const bool conflict =
        std::any_of(list.begin(), list.end(), [&](const std::string& f) { return !f.empty() && contains(other, f); });
    if (!conflict) return std::nullopt;
    SelectionQuestion question;
    question.message = "This folder already added to " + listName(!isAlwaysList) + " list";
    question.informativeText = "Do you want to remove this folder from " + listName(!isAlwaysList) +
                               " list and add it to " + listName(isAlwaysList) + " list?";
    question.buttons = {"OK", "Cancel"};
    return question;
}

void AutoSelectManager::saveFolderList(const std::vector<std::string>& list, bool isAlwaysList,
                                       bool moveFromOtherList) {
    if (moveFromOtherList) {
        std::vector<std::string> other = storedList(!isAlwaysList);
        const auto before = other.size();
        std::erase_if(other, [&](const std::string& f) { return contains(list, f); });
        if (other.size() != before) storeList(!isAlwaysList, std::move(other));
    }
    storeList(isAlwaysList, list);
}

std::string AutoSelectManager::listName(bool isAlwaysList) { return isAlwaysList ? "Always Select" : "Never Select"; }

std::string AutoSelectManager::listHint(bool isAlwaysList) {
    return isAlwaysList ? "Choose folders for duplicates auto selection."
                        : "Choose folders to prevent duplicates auto selection.";
}
