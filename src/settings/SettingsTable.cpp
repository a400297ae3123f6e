// The table of every setting behind `dorvane settings`: one row per setting drives the listing, the
// defaults shown, and get/set by key with type checking. Sets go through the typed setters, so their
// notifications are posted as from the window.
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <variant>

#include "settings/Settings.h"
#include "settings/SettingsKeys.h"

namespace {
using Value = std::variant<bool, std::uint64_t, std::int32_t, double, std::optional<std::string>,
                           std::vector<std::string>>;

struct Row {
    const std::string& key;
    const char* accessor;
    SettingType type;
    std::function<Value(const Settings&)> get;
    std::function<void(Settings&, const Value&)> set;  // empty: stored through the typed primitive
};

#define ROW(type, cppType, name, Name)                                                                    \
    Row{settings_keys::name, #name, SettingType::type, [](const Settings& s) -> Value { return s.name(); }, \
        [](Settings& s, const Value& v) { s.set##Name(std::get<cppType>(v)); }}
#define LIST_ROW(name, Name)                                                                                  \
    Row{settings_keys::name, #name, SettingType::TextList, [](const Settings& s) -> Value { return s.name(); }, \
        [](Settings& s, const Value& v) { s.set##Name(std::get<std::vector<std::string>>(v)); }}
#define READ_ONLY_BOOL_ROW(name)                                                                         \
    Row{settings_keys::name, #name, SettingType::Bool, [](const Settings& s) -> Value { return s.name(); }, \
        nullptr}

const std::vector<Row>& rows() {
    static const std::vector<Row> table = {
        ROW(Bool, bool, defineMinimalDuplicatesFileSizeAutomatically, DefineMinimalDuplicatesFileSizeAutomatically),
        ROW(Bool, bool, defineMinimalDuplicatesFileSizeAsZero, DefineMinimalDuplicatesFileSizeAsZero),
        ROW(UnsignedInteger, std::uint64_t, minDuplicatesFileSize, MinDuplicatesFileSize),
        ROW(UnsignedInteger, std::uint64_t, hashBlockSize, HashBlockSize),
        ROW(Bool, bool, forceFullHashCalculation, ForceFullHashCalculation),
        ROW(Bool, bool, scanInHiddenFolders, ScanInHiddenFolders),
        READ_ONLY_BOOL_ROW(excludeTimeMachineBackups),
        READ_ONLY_BOOL_ROW(skipVolumeSystemFolders),
        LIST_ROW(excludeFolders, ExcludeFolders),
        LIST_ROW(excludeFiles, ExcludeFiles),
        LIST_ROW(excludeExtensions, ExcludeExtensions),
        LIST_ROW(autoAlwaysSelectFolders, AutoAlwaysSelectFolders),
        LIST_ROW(autoNeverSelectFolders, AutoNeverSelectFolders),
        ROW(Bool, bool, moveCleanedDuplicatesToTheTrashCan, MoveCleanedDuplicatesToTheTrashCan),
        ROW(Bool, bool, allowRemovingAllDuplicateCopies, AllowRemovingAllDuplicateCopies),
        ROW(Bool, bool, removeEmptyFolders, RemoveEmptyFolders),
        ROW(Bool, bool, verifyBeforeRemove, VerifyBeforeRemove),
        ROW(Bool, bool, logRemovedDuplicates, LogRemovedDuplicates),
        LIST_ROW(lastTenFolders, LastTenFolders),
        ROW(Text, std::optional<std::string>, lastOpenedFolderToScan, LastOpenedFolderToScan),
        ROW(Bool, bool, mergeDialogueExpandOptions, MergeDialogueExpandOptions),
        ROW(Bool, bool, mergeDialogueMoveMergedFiles, MergeDialogueMoveMergedFiles),
        ROW(Bool, bool, mergeDialogueNeedMergeDuplicateFilesWithDifferentNames,
            MergeDialogueNeedMergeDuplicateFilesWithDifferentNames),
        ROW(UnsignedInteger, std::uint64_t, cleanedFileSize, CleanedFileSize),
        ROW(UnsignedInteger, std::uint64_t, cleanedFileCount, CleanedFileCount),
        ROW(Bool, bool, showNewScanMessage, ShowNewScanMessage),
        ROW(Bool, bool, showRestartScanMessage, ShowRestartScanMessage),
        ROW(Bool, bool, showRemovePermanentlyMessage, ShowRemovePermanentlyMessage),
        ROW(Bool, bool, showRemovePermanentlyItemsOnRemoteDisksMessage, ShowRemovePermanentlyItemsOnRemoteDisksMessage),
        ROW(Bool, bool, showRemoveLastInCategoriesMessage, ShowRemoveLastInCategoriesMessage),
        ROW(Bool, bool, showRemoveLastInHeapsMessage, ShowRemoveLastInHeapsMessage),
        ROW(Bool, bool, showAutoSelectMessage, ShowAutoSelectMessage),
        ROW(Bool, bool, showAutoSelectMessageThatSelectionNotChanged, ShowAutoSelectMessageThatSelectionNotChanged),
        ROW(Bool, bool, showAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList,
            ShowAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList),
        ROW(Bool, bool, showSelectInFolderDuplicateFolderSelected, ShowSelectInFolderDuplicateFolderSelected),
        ROW(Bool, bool, showOverviewAfterScanning, ShowOverviewAfterScanning),
        ROW(Bool, bool, showShortFilePath, ShowShortFilePath),
        ROW(Integer, std::int32_t, sortType, SortType),
        ROW(Integer, std::int32_t, sortDirection, SortDirection),
        ROW(FolderSplitState, std::int32_t, folderSplitState, FolderSplitState),
        ROW(Float, double, fsDividerPosition, FsDividerPosition),
        ROW(Float, double, fsDividerPreviewPosition, FsDividerPreviewPosition),
        ROW(Bool, bool, fsIsNeedToShowInfoPanel, FsIsNeedToShowInfoPanel),
        ROW(Bool, bool, showOverlayOverviewScreen, ShowOverlayOverviewScreen),
        ROW(Bool, bool, showOverlayCategoryScreen, ShowOverlayCategoryScreen),
        ROW(Bool, bool, showOverlayCategorySingularScreen, ShowOverlayCategorySingularScreen),
        ROW(Bool, bool, showOverlaySimilarsScreen, ShowOverlaySimilarsScreen),
        ROW(Bool, bool, showOverlaySimilarsOnlyMergeScreen, ShowOverlaySimilarsOnlyMergeScreen),
        ROW(UnsignedInteger, std::uint64_t, welcomeScreenAppearanceCount, WelcomeScreenAppearanceCount),
        ROW(Text, std::optional<std::string>, selectedFilesPresentation, SelectedFilesPresentation),
        ROW(Text, std::optional<std::string>, selectedFilesSortType, SelectedFilesSortType),
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
            message = row.key + " takes a boolean (true or false), not " + quoted;
            return std::nullopt;
        }
        case SettingType::UnsignedInteger: {
            std::uint64_t number = 0;
            if (text[0] != '-' && text[0] != '+' && parseNumber(text, number)) return Value(number);
            message = row.key + " takes a whole number from 0 to 18446744073709551615, not " + quoted;
            return std::nullopt;
        }
        case SettingType::Integer: {
            std::int32_t number = 0;
            if (parseNumber(text, number)) return Value(number);
            message = row.key + " takes a whole number from -2147483648 to 2147483647, not " + quoted;
            return std::nullopt;
        }
        case SettingType::FolderSplitState: {
            std::int32_t number = 0;
            if (parseNumber(text, number) && number >= 0 && number <= 2) return Value(number);
            message = row.key + " takes 0, 1 or 2, not " + quoted;
            return std::nullopt;
        }
        case SettingType::Float: {
            double number = 0;
            if (parseNumber(text, number) && std::isfinite(number)) return Value(number);
            message = row.key + " takes a number, not " + quoted;
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
            message = row.key + " takes a JSON array of strings such as [\"/path/one\",\"/path/two\"], not " + quoted;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

SettingResult unknownKey(const std::string& key) {
    return {false, "unknown setting \"" + key + "\" (`dorvane settings` lists every key)", {}};
}
}  // namespace

std::string Settings::typeName(SettingType type) {
    switch (type) {
        case SettingType::Bool: return "bool";
        case SettingType::UnsignedInteger: return "unsigned 64-bit";
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
    for (const auto& row : rows())
        descriptions.push_back({row.key, row.accessor, row.type, row.set != nullptr, valueText(row.get(empty))});
    return descriptions;
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
