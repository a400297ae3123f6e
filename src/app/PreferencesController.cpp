#include "app/PreferencesController.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

#include "platform/FileSystem.h"
#include "platform/UserPaths.h"
#include "settings/Settings.h"
#include "settings/SizeText.h"

namespace {
Settings& settings() { return Settings::standard(); }

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\n") - first + 1);
}

PreferenceChange refused(std::string message, std::string informativeText = {}) {
    PreferenceChange change;
    change.message = std::move(message);
    change.informativeText = std::move(informativeText);
    return change;
}

PreferenceChange accepted() {
    PreferenceChange change;
    change.ok = true;
    return change;
}

PreferenceList otherSelectList(PreferenceList list) {
    return list == PreferenceList::AlwaysSelect ? PreferenceList::NeverSelect : PreferenceList::AlwaysSelect;
}

bool isSelectList(PreferenceList list) {
    return list == PreferenceList::AlwaysSelect || list == PreferenceList::NeverSelect;
}

std::string inQuotes(const std::string& text) { return "\u201c" + text + "\u201d"; }
}  // namespace

// ---------------------------------------------------------------------------------------------------
// Scan.

MinimalSizeMode PreferencesController::minimalSizeMode() const {
    if (settings().defineMinimalDuplicatesFileSizeAutomatically()) return MinimalSizeMode::Automatic;
    return settings().defineMinimalDuplicatesFileSizeAsZero() ? MinimalSizeMode::Zero : MinimalSizeMode::Value;
}

void PreferencesController::setMinimalSizeMode(MinimalSizeMode mode) {
    settings().setDefineMinimalDuplicatesFileSizeAutomatically(mode == MinimalSizeMode::Automatic);
    settings().setDefineMinimalDuplicatesFileSizeAsZero(mode == MinimalSizeMode::Zero);
}

std::uint64_t PreferencesController::minimalSize() const { return settings().minDuplicatesFileSize(); }

std::string PreferencesController::minimalSizeText() const { return compactSizeText(minimalSize()); }

std::string PreferencesController::compactSizeText(std::uint64_t bytes) {
    static const char* const units[] = {"K", "M", "G", "T"};
    if (bytes == 0) return "0";
    std::string unit;
    std::uint64_t value = bytes;
    for (const char* u : units) {
        if (value % 1024 != 0) break;
        value /= 1024;
        unit = u;
    }
    return std::to_string(value) + unit;
}

PreferenceChange PreferencesController::setMinimalSizeText(const std::string& text) {
    std::string compact;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c))) compact += c;
    if (compact.empty()) return refused("Type a minimal size.", "A number of bytes, or a size like 10K, 1.5M or 2G.");
    if (compact[0] == '-') return refused("The minimal size cannot be negative.", "It is now " + size_text::format(static_cast<std::int64_t>(minimalSize())) + ".");
    const auto bytes = size_text::parse(compact);
    if (!bytes)
        return refused(inQuotes(trimmed(text)) + " is not a size.", "Type a number of bytes, or a size like 10K, 1.5M or 2G.");
    settings().setMinDuplicatesFileSize(*bytes);
    setMinimalSizeMode(MinimalSizeMode::Value);
    return accepted();
}

bool PreferencesController::scanHiddenFiles() const { return settings().scanInHiddenFolders(); }
void PreferencesController::setScanHiddenFiles(bool value) { settings().setScanInHiddenFolders(value); }
bool PreferencesController::fullScaleScan() const { return settings().forceFullHashCalculation(); }
void PreferencesController::setFullScaleScan(bool value) { settings().setForceFullHashCalculation(value); }

void PreferencesController::restoreScanDefaults() {
    settings().restoreDefaultsScan();
    settings().restoreDefaultExcludeFolders();
    settings().restoreDefaultExcludeExtensions();
}

// ---------------------------------------------------------------------------------------------------
// Lists.

const char* PreferencesController::listTitle(PreferenceList list) {
    switch (list) {
        case PreferenceList::ExcludeFolders: return "Excluded Folders";
        case PreferenceList::ExcludeExtensions: return "Excluded Extensions";
        case PreferenceList::AlwaysSelect: return "Always Select";
        case PreferenceList::NeverSelect: return "Never Select";
    }
    return "";
}

std::vector<std::string> PreferencesController::entries(PreferenceList list) const {
    switch (list) {
        case PreferenceList::ExcludeFolders: return settings().excludeFolders();
        case PreferenceList::ExcludeExtensions: return settings().excludeExtensions();
        case PreferenceList::AlwaysSelect: return settings().autoAlwaysSelectFolders();
        case PreferenceList::NeverSelect: return settings().autoNeverSelectFolders();
    }
    return {};
}

void PreferencesController::store(PreferenceList list, const std::vector<std::string>& entries) {
    switch (list) {
        case PreferenceList::ExcludeFolders: settings().setExcludeFolders(entries); break;
        case PreferenceList::ExcludeExtensions: settings().setExcludeExtensions(entries); break;
        case PreferenceList::AlwaysSelect: settings().setAutoAlwaysSelectFolders(entries); break;
        case PreferenceList::NeverSelect: settings().setAutoNeverSelectFolders(entries); break;
    }
}

std::string PreferencesController::normalFolder(const std::string& text) {
    std::string path = trimmed(text);
    if (path == "~" || path.starts_with("~/")) path = user_paths::home() + path.substr(1);
    if (path.empty() || path[0] != '/') return {};
    std::string normal = std::filesystem::path(path).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return normal;
}

std::string PreferencesController::displayFolder(const std::string& folder) {
    const std::string home = user_paths::home();
    if (home.empty() || home == "/") return folder;
    if (folder == home) return "~";
    return folder.starts_with(home + "/") ? "~" + folder.substr(home.size()) : folder;
}

PreferenceChange PreferencesController::addEntry(PreferenceList list, const std::string& text) {
    std::vector<std::string> current = entries(list);
    const std::string title = listTitle(list);
    if (!holdsFolders(list)) {
        std::string ending = trimmed(text);
        if (ending.empty() || ending == ".") return refused("Type a name ending, such as .tmp.");
        if (ending.find('/') != std::string::npos || ending.find_first_of(" \t") != std::string::npos)
            return refused(inQuotes(ending) + " is not a name ending.", "A name ending has no \"/\" and no spaces, such as .tmp.");
        if (ending[0] != '.') ending.insert(0, ".");
        for (const auto& entry : current)
            if (lowered(entry) == lowered(ending))
                return refused(inQuotes(ending) + " is already in the " + title + " list.",
                               entry == ending ? std::string() : "It is there as " + inQuotes(entry) + ".");
        current.push_back(ending);
        store(list, current);
        return accepted();
    }

    const std::string folder = normalFolder(text);
    if (folder.empty())
        return refused(trimmed(text).empty() ? "Choose a folder to add." : inQuotes(trimmed(text)) + " is not a full path.",
                       "A folder is given by its full path, starting with \"/\" or \"~/\".");
    if (std::find(current.begin(), current.end(), folder) != current.end())
        return refused(inQuotes(folder) + " is already in the " + title + " list.", "Nothing was changed.");
    FileAttributes attributes;
    const Status status = FileSystem::standard().attributes(folder, attributes);
    if (!status.isOk()) return refused(inQuotes(folder) + " cannot be added.", status.message());
    if (attributes.kind != FileKind::Folder) return refused(inQuotes(folder) + " is not a folder.", "Only folders can be added to this list.");
    if (isSelectList(list)) {
        const auto other = entries(otherSelectList(list));
        if (std::find(other.begin(), other.end(), folder) != other.end()) {
            PreferenceChange change;
            change.needsMove = true;
            const std::string otherTitle = listTitle(otherSelectList(list));
            change.message = "This folder already added to " + otherTitle + " list";
            change.informativeText = "Do you want to remove this folder from " + otherTitle + " list and add it to " +
                                     title + " list?";
            return change;
        }
    }
    current.push_back(folder);
    store(list, current);
    return accepted();
}

PreferenceChange PreferencesController::moveToList(PreferenceList list, const std::string& folder) {
    if (!isSelectList(list)) return refused("Only the Always Select and Never Select lists trade folders.");
    const std::string normal = normalFolder(folder);
    auto other = entries(otherSelectList(list));
    const auto found = std::find(other.begin(), other.end(), normal);
    if (found == other.end()) return addEntry(list, folder);
    auto current = entries(list);
    if (std::find(current.begin(), current.end(), normal) == current.end()) current.push_back(normal);
    other.erase(found);
    store(otherSelectList(list), other);
    store(list, current);
    return accepted();
}

PreferenceChange PreferencesController::removeEntries(PreferenceList list, const std::vector<std::size_t>& rows) {
    auto current = entries(list);
    if (rows.empty()) return refused("Select the entries to remove first.");
    const std::set<std::size_t> unique(rows.begin(), rows.end());
    if (*unique.rbegin() >= current.size())
        return refused("The list changed meanwhile.", "Nothing was removed; select the entries again.");
    for (auto row = unique.rbegin(); row != unique.rend(); ++row) current.erase(current.begin() + static_cast<std::ptrdiff_t>(*row));
    store(list, current);
    return accepted();
}

void PreferencesController::restoreDefaults(PreferenceList list) {
    switch (list) {
        case PreferenceList::ExcludeFolders: settings().restoreDefaultExcludeFolders(); break;
        case PreferenceList::ExcludeExtensions: settings().restoreDefaultExcludeExtensions(); break;
        case PreferenceList::AlwaysSelect: settings().restoreDefaultAutoAlwaysSelectFolders(); break;
        case PreferenceList::NeverSelect: settings().restoreDefaultAutoNeverSelectFolders(); break;
    }
}

// ---------------------------------------------------------------------------------------------------
// Selection and removal.

bool PreferencesController::allowRemovingAllCopies() const { return settings().allowRemovingAllDuplicateCopies(); }
void PreferencesController::setAllowRemovingAllCopies(bool value) { settings().setAllowRemovingAllDuplicateCopies(value); }
bool PreferencesController::removeToTrash() const { return settings().moveCleanedDuplicatesToTheTrashCan(); }
void PreferencesController::setRemoveToTrash(bool value) { settings().setMoveCleanedDuplicatesToTheTrashCan(value); }
bool PreferencesController::removeEmptyFolders() const { return settings().removeEmptyFolders(); }
void PreferencesController::setRemoveEmptyFolders(bool value) { settings().setRemoveEmptyFolders(value); }
bool PreferencesController::checkBeforeRemoving() const { return settings().verifyBeforeRemove(); }
void PreferencesController::setCheckBeforeRemoving(bool value) { settings().setVerifyBeforeRemove(value); }
bool PreferencesController::keepHistory() const { return settings().logRemovedDuplicates(); }
void PreferencesController::setKeepHistory(bool value) { settings().setLogRemovedDuplicates(value); }

// ---------------------------------------------------------------------------------------------------
// Messages.

const std::vector<PreferenceMessage>& PreferencesController::messages() {
    static const std::vector<PreferenceMessage> list = {
        {"Starting a new scan while results are shown", &Settings::showNewScanMessage, &Settings::setShowNewScanMessage},
        {"Rescanning the current folders", &Settings::showRestartScanMessage, &Settings::setShowRestartScanMessage},
        {"Removing copies permanently", &Settings::showRemovePermanentlyMessage, &Settings::setShowRemovePermanentlyMessage},
        {"Removing copies on network disks permanently", &Settings::showRemovePermanentlyItemsOnRemoteDisksMessage,
         &Settings::setShowRemovePermanentlyItemsOnRemoteDisksMessage},
        {"Selecting the last copy of a group", &Settings::showRemoveLastInCategoriesMessage,
         &Settings::setShowRemoveLastInCategoriesMessage},
        {"Selecting the last copies in a folder of a heap", &Settings::showRemoveLastInHeapsMessage,
         &Settings::setShowRemoveLastInHeapsMessage},
        {"What Auto Select selected", &Settings::showAutoSelectMessage, &Settings::setShowAutoSelectMessage},
        {"Auto Select did not change the selection", &Settings::showAutoSelectMessageThatSelectionNotChanged,
         &Settings::setShowAutoSelectMessageThatSelectionNotChanged},
        {"Auto Select left copies in Never Select folders",
         &Settings::showAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList,
         &Settings::setShowAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList},
        {"A duplicate folder chosen while selecting in a folder", &Settings::showSelectInFolderDuplicateFolderSelected,
         &Settings::setShowSelectInFolderDuplicateFolderSelected},
    };
    return list;
}

bool PreferencesController::showsMessage(std::size_t index) const {
    return index < messages().size() && (settings().*messages()[index].shown)();
}

void PreferencesController::setShowsMessage(std::size_t index, bool shown) {
    if (index < messages().size()) (settings().*messages()[index].setShown)(shown);
}

void PreferencesController::showAllMessagesAgain() { settings().restoreDefaultsForAlertWindows(); }
