// The table of every setting behind `dorvane settings`: one row per setting drives the listing, the
// defaults shown, and get/set by key with type checking. Sets go through the typed setters, so their
// notifications are posted as from the window.
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <variant>

#include "settings/Settings.h"
#include "settings/SettingsKeys.h"
#include "settings/SizeText.h"

namespace {
using Value = std::variant<bool, std::uint64_t, std::int32_t, double, std::optional<std::string>,
                           std::vector<std::string>>;

struct Row {
    const std::string& key;
    const char* accessor;
    SettingType type;
    std::function<Value(const Settings&)> get;
    std::function<void(Settings&, const Value&)> set;  // empty: stored through the typed primitive
    const char* name;
    bool windowOnly;
    const char* help;
};

constexpr bool kWindow = true;
constexpr bool kBoth = false;

#define ROW(type, cppType, name, Name, shortName, use, help)                                                   \
    Row{settings_keys::name, #name, SettingType::type, [](const Settings& s) -> Value { return s.name(); },     \
        [](Settings& s, const Value& v) { s.set##Name(std::get<cppType>(v)); }, shortName, use, help}
#define LIST_ROW(name, Name, shortName, use, help)                                                              \
    Row{settings_keys::name, #name, SettingType::TextList, [](const Settings& s) -> Value { return s.name(); }, \
        [](Settings& s, const Value& v) { s.set##Name(std::get<std::vector<std::string>>(v)); }, shortName, use, help}
#define READ_ONLY_BOOL_ROW(name, shortName, help)                                                            \
    Row{settings_keys::name, #name, SettingType::Bool, [](const Settings& s) -> Value { return s.name(); }, \
        nullptr, shortName, kBoth, help}

const std::vector<Row>& rows() {
    static const std::vector<Row> table = {
        ROW(Bool, bool, defineMinimalDuplicatesFileSizeAutomatically, DefineMinimalDuplicatesFileSizeAutomatically,
            "auto-min-size", kBoth, "let the scan choose the minimal file size (--auto-size)"),
        ROW(Bool, bool, defineMinimalDuplicatesFileSizeAsZero, DefineMinimalDuplicatesFileSizeAsZero, "all-sizes",
            kBoth, "compare files of every size when auto-min-size is off (--all-sizes)"),
        ROW(Size, std::uint64_t, minDuplicatesFileSize, MinDuplicatesFileSize, "min-size", kBoth,
            "smaller files are not compared when auto-min-size and all-sizes are off (--min-size)"),
        ROW(Size, std::uint64_t, hashBlockSize, HashBlockSize, "sample-size", kBoth,
            "the size of each of the three samples read from a large file"),
        ROW(Bool, bool, forceFullHashCalculation, ForceFullHashCalculation, "full-hash", kBoth,
            "digest every file whole instead of three samples (--full)"),
        ROW(Bool, bool, scanInHiddenFolders, ScanInHiddenFolders, "hidden-folders", kBoth,
            "look inside folders whose names begin with \".\" (--hidden)"),
        ROW(Bool, bool, useDigestCache, UseDigestCache, "digest-cache", kBoth,
            "remember the digests of unchanged files between scans (--no-cache: not this time)"),
        READ_ONLY_BOOL_ROW(excludeTimeMachineBackups, "skip-backups", "leave backup folders out of a scan"),
        READ_ONLY_BOOL_ROW(skipVolumeSystemFolders, "skip-system-folders",
                           "leave the system folders of other volumes out of a scan"),
        LIST_ROW(excludeFolders, ExcludeFolders, "exclude-folders", kBoth, "folders never scanned"),
        LIST_ROW(excludeFiles, ExcludeFiles, "exclude-files", kBoth, "files never compared"),
        LIST_ROW(excludeExtensions, ExcludeExtensions, "exclude-extensions", kBoth,
                 "files with these extensions are not compared (\".so\")"),
        LIST_ROW(autoAlwaysSelectFolders, AutoAlwaysSelectFolders, "always-select", kBoth,
                 "Auto Select prefers removing the copies in these folders"),
        LIST_ROW(autoNeverSelectFolders, AutoNeverSelectFolders, "never-select", kBoth,
                 "Auto Select never selects the copies in these folders"),
        ROW(Bool, bool, moveCleanedDuplicatesToTheTrashCan, MoveCleanedDuplicatesToTheTrashCan, "use-trash", kWindow,
            "the window removes to the Trash (the command line does unless --permanent)"),
        ROW(Bool, bool, allowRemovingAllDuplicateCopies, AllowRemovingAllDuplicateCopies, "allow-selecting-all",
            kWindow, "let every copy of a group be selected (one copy always stays on removal)"),
        ROW(Bool, bool, removeEmptyFolders, RemoveEmptyFolders, "remove-empty-folders", kBoth,
            "remove folders that a removal left empty"),
        ROW(Bool, bool, verifyBeforeRemove, VerifyBeforeRemove, "verify-before-remove", kBoth,
            "kept for older settings files; the check before each removal always runs"),
        ROW(Bool, bool, logRemovedDuplicates, LogRemovedDuplicates, "log-removals", kBoth,
            "write a history log of every removal run (needed by dorvane restore)"),
        LIST_ROW(lastTenFolders, LastTenFolders, "recent-folders", kWindow, "the Recent Folders menu"),
        ROW(Text, std::optional<std::string>, lastOpenedFolderToScan, LastOpenedFolderToScan, "last-added-folder",
            kWindow, "where the Add… dialog opens"),
        ROW(Bool, bool, mergeDialogueExpandOptions, MergeDialogueExpandOptions, "merge-show-options", kWindow,
            "the merge dialog shows its options"),
        ROW(Bool, bool, mergeDialogueMoveMergedFiles, MergeDialogueMoveMergedFiles, "merge-move-files", kWindow,
            "the merge dialog moves the merged files"),
        ROW(Bool, bool, mergeDialogueNeedMergeDuplicateFilesWithDifferentNames,
            MergeDialogueNeedMergeDuplicateFilesWithDifferentNames, "merge-different-names", kWindow,
            "the merge dialog also merges copies with different names"),
        ROW(Size, std::uint64_t, cleanedFileSize, CleanedFileSize, "freed-size", kWindow,
            "the space freed by every removal so far"),
        ROW(UnsignedInteger, std::uint64_t, cleanedFileCount, CleanedFileCount, "freed-count", kWindow,
            "the copies removed so far"),
        ROW(Bool, bool, showNewScanMessage, ShowNewScanMessage, "ask-new-scan", kWindow,
            "ask before New Scan drops the results"),
        ROW(Bool, bool, showRestartScanMessage, ShowRestartScanMessage, "ask-rescan", kWindow,
            "ask before Rescan drops the results"),
        ROW(Bool, bool, showRemovePermanentlyMessage, ShowRemovePermanentlyMessage, "ask-delete-permanently", kBoth,
            "ask before deleting copies for good (--permanent; --yes answers)"),
        ROW(Bool, bool, showRemovePermanentlyItemsOnRemoteDisksMessage, ShowRemovePermanentlyItemsOnRemoteDisksMessage,
            "ask-delete-on-network-disks", kWindow, "ask before deleting copies on network disks for good"),
        ROW(Bool, bool, showRemoveLastInCategoriesMessage, ShowRemoveLastInCategoriesMessage,
            "ask-select-last-in-kind", kWindow, "ask before selecting the last copies of a kind"),
        ROW(Bool, bool, showRemoveLastInHeapsMessage, ShowRemoveLastInHeapsMessage, "ask-select-last-in-shared",
            kWindow, "ask before selecting the last copies in folders that share duplicates"),
        ROW(Bool, bool, showAutoSelectMessage, ShowAutoSelectMessage, "selection-tip", kBoth,
            "after Auto Select, say how many copies were selected"),
        ROW(Bool, bool, showAutoSelectMessageThatSelectionNotChanged, ShowAutoSelectMessageThatSelectionNotChanged,
            "tell-selection-unchanged", kWindow, "say when Auto Select changed nothing"),
        ROW(Bool, bool, showAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList,
            ShowAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList, "tell-never-select-kept", kWindow,
            "say when the Never Select folders kept Auto Select from changing anything"),
        ROW(Bool, bool, showSelectInFolderDuplicateFolderSelected, ShowSelectInFolderDuplicateFolderSelected,
            "tell-folder-selected", kWindow, "say when Select in Folder selected a duplicate folder"),
        ROW(Bool, bool, showOverviewAfterScanning, ShowOverviewAfterScanning, "show-overview", kWindow,
            "show the overview when a scan ends"),
        ROW(Bool, bool, showShortFilePath, ShowShortFilePath, "short-paths", kWindow,
            "show paths shortened in the results"),
        ROW(Integer, std::int32_t, sortType, SortType, "sort-column", kWindow, "the results' sort column"),
        ROW(Integer, std::int32_t, sortDirection, SortDirection, "sort-direction", kWindow,
            "the results' sort direction"),
        ROW(FolderSplitState, std::int32_t, folderSplitState, FolderSplitState, "folder-split", kWindow,
            "what the folder pane shows (0 preview, 1 preview and contents)"),
        ROW(Float, double, fsDividerPosition, FsDividerPosition, "folder-divider", kWindow,
            "where the folder pane's divider stands"),
        ROW(Float, double, fsDividerPreviewPosition, FsDividerPreviewPosition, "folder-preview-divider", kWindow,
            "where the folder preview's divider stands"),
        ROW(Bool, bool, fsIsNeedToShowInfoPanel, FsIsNeedToShowInfoPanel, "folder-info-panel", kWindow,
            "the folder pane shows its information panel"),
        ROW(Bool, bool, showOverlayOverviewScreen, ShowOverlayOverviewScreen, "hint-overview", kWindow,
            "show the hints over the overview"),
        ROW(Bool, bool, showOverlayCategoryScreen, ShowOverlayCategoryScreen, "hint-kind", kWindow,
            "show the hints over a kind's groups"),
        ROW(Bool, bool, showOverlayCategorySingularScreen, ShowOverlayCategorySingularScreen, "hint-kind-single",
            kWindow, "show the hints over a kind with one group"),
        ROW(Bool, bool, showOverlaySimilarsScreen, ShowOverlaySimilarsScreen, "hint-similar", kWindow,
            "show the hints over similar files"),
        ROW(Bool, bool, showOverlaySimilarsOnlyMergeScreen, ShowOverlaySimilarsOnlyMergeScreen, "hint-similar-merge",
            kWindow, "show the hints over similar files that can only be merged"),
        ROW(UnsignedInteger, std::uint64_t, welcomeScreenAppearanceCount, WelcomeScreenAppearanceCount,
            "welcome-count", kWindow, "how often the welcome screen was shown"),
        ROW(Text, std::optional<std::string>, selectedFilesPresentation, SelectedFilesPresentation,
            "selected-files-view", kWindow, "how the list of selected files is shown"),
        ROW(Text, std::optional<std::string>, selectedFilesSortType, SelectedFilesSortType, "selected-files-sort",
            kWindow, "how the list of selected files is sorted"),
    };
    return table;
}

#undef ROW
#undef LIST_ROW
#undef READ_ONLY_BOOL_ROW

const Row* findRow(const std::string& keyOrAccessor) {
    const auto& table = rows();
    auto found = std::find_if(table.begin(), table.end(), [&](const Row& row) { return row.key == keyOrAccessor; });
    if (found == table.end())
        found = std::find_if(table.begin(), table.end(), [&](const Row& row) { return keyOrAccessor == row.name; });
    if (found == table.end())
        found = std::find_if(table.begin(), table.end(), [&](const Row& row) { return keyOrAccessor == row.accessor; });
    return found == table.end() ? nullptr : &*found;
}

std::string listText(const std::vector<std::string>& list) {
    QJsonArray array;
    for (const auto& entry : list) array.append(QString::fromStdString(entry));
    return QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString();
}

std::string valueText(const Value& value) {
    struct Visitor {
        std::string operator()(bool v) const { return v ? "true" : "false"; }
        std::string operator()(std::uint64_t v) const { return std::to_string(v); }
        std::string operator()(std::int32_t v) const { return std::to_string(v); }
        std::string operator()(double v) const {
            char buffer[64];
            const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
            return std::string(buffer, result.ptr);
        }
        std::string operator()(const std::optional<std::string>& v) const { return v ? *v : "(none)"; }
        std::string operator()(const std::vector<std::string>& v) const { return listText(v); }
    };
    return std::visit(Visitor{}, value);
}

std::string label(const Row& row) { return std::string(row.name) + " (" + row.key + ")"; }

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

template <class T>
bool parseNumber(const std::string& text, T& out) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, out);
    return result.ec == std::errc() && result.ptr == end;
}

// Parses `text` as a value of the row's type; answers nullopt and a message when it does not fit.
std::optional<Value> parseValue(const Row& row, const std::string& text, std::string& message) {
    const std::string quoted = "\"" + text + "\"";
    switch (row.type) {
        case SettingType::Bool: {
            const std::string word = lowered(text);
            if (word == "true" || word == "yes" || word == "1") return Value(true);
            if (word == "false" || word == "no" || word == "0") return Value(false);
            message = label(row) + " takes a boolean (true or false), not " + quoted;
            return std::nullopt;
        }
        case SettingType::Size: {
            if (const auto size = size_text::parse(text)) return Value(*size);
            message = label(row) + " takes a size: bytes, or 10K, 1.5M, 2G (not " + quoted + ")";
            return std::nullopt;
        }
        case SettingType::UnsignedInteger: {
            std::uint64_t number = 0;
            if (text[0] != '-' && text[0] != '+' && parseNumber(text, number)) return Value(number);
            message = label(row) + " takes a whole number from 0 to 18446744073709551615, not " + quoted;
            return std::nullopt;
        }
        case SettingType::Integer: {
            std::int32_t number = 0;
            if (parseNumber(text, number)) return Value(number);
            message = label(row) + " takes a whole number from -2147483648 to 2147483647, not " + quoted;
            return std::nullopt;
        }
        case SettingType::FolderSplitState: {
            std::int32_t number = 0;
            if (parseNumber(text, number) && number >= 0 && number <= 2) return Value(number);
            message = label(row) + " takes 0, 1 or 2, not " + quoted;
            return std::nullopt;
        }
        case SettingType::Float: {
            double number = 0;
            if (parseNumber(text, number) && std::isfinite(number)) return Value(number);
            message = label(row) + " takes a number, not " + quoted;
            return std::nullopt;
        }
        case SettingType::Text: return Value(std::optional<std::string>(text));
        case SettingType::TextList: {
            QJsonParseError error{};
            const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
            bool fits = error.error == QJsonParseError::NoError && document.isArray();
            std::vector<std::string> list;
            if (fits) {
                for (const auto& entry : document.array()) {
                    fits = fits && entry.isString();
                    list.push_back(entry.toString().toStdString());
                }
            }
            if (fits) return Value(std::move(list));
            message = label(row) + " takes a JSON array of strings such as [\"/path/one\",\"/path/two\"], not " + quoted;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// Edits needed to turn one text into the other (letters compared without case).
std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> previous(b.size() + 1), current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

// The short name closest to what was typed, when one is close enough to be a slip.
std::optional<std::string> closestName(const std::string& typed) {
    std::optional<std::string> best;
    std::size_t bestDistance = std::max<std::size_t>(3, typed.size() / 3) + 1;
    for (const auto& row : rows()) {
        for (const std::string& candidate : {std::string(row.name), row.key, std::string(row.accessor)}) {
            const std::size_t distance = editDistance(typed, candidate);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = row.name;
            }
        }
    }
    return best;
}

SettingResult unknownKey(const std::string& key) {
    const auto closest = closestName(key);
    return {false,
            "unknown setting '" + key + "'" + (closest ? "; did you mean '" + *closest + "'?" : std::string()) +
                " ('dorvane settings' lists them all)",
            {}};
}

SettingDescription describe(const Row& row, const Settings& empty) {
    return {row.key,  row.accessor, row.type, row.set != nullptr, valueText(row.get(empty)),
            row.name, row.help,     row.windowOnly};
}

SettingResult changeList(Settings& settings, const std::string& key, const std::string& entry, bool add) {
    const Row* row = findRow(key);
    if (!row) return unknownKey(key);
    if (row->type != SettingType::TextList)
        return {false, label(*row) + " is not a list: use 'dorvane settings set " + row->name + " VALUE'", {}};
    auto list = std::get<std::vector<std::string>>(row->get(settings));
    const auto found = std::find(list.begin(), list.end(), entry);
    if (add && found == list.end()) list.push_back(entry);
    if (!add) {
        if (found == list.end()) return {false, "'" + entry + "' is not in " + row->name, {}};
        list.erase(found);
    }
    row->set(settings, Value(std::move(list)));
    return {true, {}, valueText(row->get(settings))};
}
}  // namespace

std::string Settings::typeName(SettingType type) {
    switch (type) {
        case SettingType::Bool: return "bool";
        case SettingType::UnsignedInteger: return "unsigned 64-bit";
        case SettingType::Size: return "size";
        case SettingType::Integer: return "signed 32-bit";
        case SettingType::Float: return "float";
        case SettingType::Text: return "string";
        case SettingType::TextList: return "array of strings";
        case SettingType::FolderSplitState: return "folder split state (0 or 1)";
    }
    return "unknown";
}

std::vector<SettingDescription> Settings::settingDescriptions() {
    // The defaults are what the getters answer over an empty store.
    const Settings empty{std::string()};
    std::vector<SettingDescription> descriptions;
    descriptions.reserve(rows().size());
    for (const auto& row : rows()) descriptions.push_back(describe(row, empty));
    return descriptions;
}

std::optional<SettingDescription> Settings::findSetting(const std::string& key) {
    const Row* row = findRow(key);
    if (!row) return std::nullopt;
    const Settings empty{std::string()};
    return describe(*row, empty);
}

SettingResult Settings::valueTextForKey(const std::string& key) const {
    const Row* row = findRow(key);
    if (!row) return unknownKey(key);
    return {true, {}, valueText(row->get(*this))};
}

SettingResult Settings::setValueTextForKey(const std::string& key, const std::string& text) {
    const Row* row = findRow(key);
    if (!row) return unknownKey(key);
    std::string message;
    const std::optional<Value> value = parseValue(*row, text, message);
    if (!value) return {false, message, {}};
    if (row->set) row->set(*this, *value);
    else saveBoolValue(std::get<bool>(*value), row->key);  // the settings without a typed setter are booleans
    return {true, {}, valueText(row->get(*this))};
}

SettingResult Settings::resetValueForKey(const std::string& key) {
    const Row* row = findRow(key);
    if (!row) return unknownKey(key);
    removeValueForKey(row->key);
    return {true, {}, valueText(row->get(*this))};
}

SettingResult Settings::addListEntryForKey(const std::string& key, const std::string& entry) {
    return changeList(*this, key, entry, true);
}

SettingResult Settings::removeListEntryForKey(const std::string& key, const std::string& entry) {
    return changeList(*this, key, entry, false);
}
