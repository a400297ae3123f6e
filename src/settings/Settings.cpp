#include "settings/Settings.h"

#include <QJsonArray>

#include <cmath>
#include <limits>

#include "platform/JsonFileStore.h"
#include "platform/UserPaths.h"
#include "scan/PathsGenerator.h"
#include "settings/AppNotification.h"
#include "settings/SettingsKeys.h"


namespace {
const char* const kFolderSplitStateTexts[] = {"folder preview", "folder preview and folder content"};

std::mutex& hookMutex() {
    static std::mutex mutex;
    return mutex;
}
std::function<void()>& deselectHook() {  // guarded by hookMutex()
    static std::function<void()> hook;
    return hook;
}

std::mutex& standardMutex() {
    static std::mutex mutex;
    return mutex;
}
std::shared_ptr<Settings>& standardInstance() {  // guarded by standardMutex()
    static std::shared_ptr<Settings> instance;
    return instance;
}
std::vector<std::shared_ptr<Settings>>& retiredInstances() {  // guarded by standardMutex()
    static std::vector<std::shared_ptr<Settings>> retired;
    return retired;
}

QJsonValue toJson(const std::vector<std::string>& list) {
    QJsonArray array;
    for (const auto& entry : list) array.append(QString::fromStdString(entry));
    return array;
}

QJsonValue unsignedToJson(std::uint64_t value) {
    if (value <= static_cast<std::uint64_t>(std::numeric_limits<qint64>::max()))
        return QJsonValue(static_cast<qint64>(value));
    return QJsonValue(static_cast<double>(value));
}

// The stored list when the value is an array of strings.
std::optional<std::vector<std::string>> stringList(const std::optional<QJsonValue>& value) {
    if (!value || !value->isArray()) return std::nullopt;
    const QJsonArray array = value->toArray();
    std::vector<std::string> result;
    result.reserve(static_cast<std::size_t>(array.size()));
    for (const auto& entry : array) {
        if (!entry.isString()) return std::nullopt;
        result.push_back(entry.toString().toStdString());
    }
    return result;
}

std::string homeJoined(const std::string& relative) {
    std::string home = PathsGenerator::GetInstance().homeDirectory();
    if (home.empty() || home.back() != '/') home += '/';
    return home + relative;
}
}  // namespace

std::atomic<bool> Settings::s_bUserRevertedForceFullHashCalculation{false};

// ---------------------------------------------------------------------------------------------------
// Construction and the process-wide instance.

Settings::Settings(std::string filePath) : m_sFilePath(std::move(filePath)) {
    if (m_sFilePath.empty()) return;
    m_pStore = std::make_unique<JsonFileStore>(m_sFilePath);
    JsonFileStore::Contents contents = m_pStore->read();
    if (contents.problem) {
        m_bLoadProblemReported = true;
        m_sUnusableFile = m_sFilePath + " " + *contents.problem;
        m_sWarning = "settings: " + m_sFilePath + " " + *contents.problem +
                     "; every setting reads as its default, and the file will be kept as " + m_pStore->backupPath() +
                     " when a setting is next changed";
    }
    replaceCache(contents.document);

    // Values of the wrong type read as their defaults; say so once, naming the first such key.
    int wrong = 0;
    std::string first;
    for (const auto& description : settingDescriptions()) {
        const auto found = m_mapValues.find(description.key);
        if (found == m_mapValues.end()) continue;
        const QJsonValue& value = found->second;
        bool fits = true;
        switch (description.type) {
            case SettingType::Bool:
            case SettingType::UnsignedInteger:
            case SettingType::Size:
            case SettingType::Integer:
            case SettingType::Float: fits = value.isBool() || value.isDouble(); break;
            case SettingType::Text:
            case SettingType::FolderSplitState: fits = value.isString(); break;
            case SettingType::TextList:
                fits = value.isArray();
                for (const auto& entry : value.toArray()) fits = fits && entry.isString();
                break;
        }
        if (!fits && wrong++ == 0) first = description.key;
    }
    if (wrong > 0 && !m_sWarning) {
        m_sWarning = "settings: " + m_sFilePath + ": \"" + first + "\"" +
                     (wrong > 1 ? " and " + std::to_string(wrong - 1) + " more" : std::string()) +
                     " hold a value of the wrong type; the default is used instead";
    }
}

Settings::~Settings() = default;

Settings& Settings::standard() {
    std::lock_guard lock(standardMutex());
    auto& instance = standardInstance();
    if (!instance) instance = std::make_shared<Settings>(user_paths::settingsFile());
    return *instance;
}

void Settings::setStandard(std::shared_ptr<Settings> settings) {
    std::lock_guard lock(standardMutex());
    auto& instance = standardInstance();
    if (instance) retiredInstances().push_back(std::move(instance));
    instance = std::move(settings);
}

std::optional<std::string> Settings::unusableFileProblem() const {
    std::lock_guard lock(m_mutex);
    return m_sUnusableFile;
}

std::optional<std::string> Settings::takeLoadWarning() {
    std::lock_guard lock(m_mutex);
    std::optional<std::string> warning = std::move(m_sWarning);
    m_sWarning.reset();
    return warning;
}

void Settings::addWarning(const std::string& warning) {
    std::lock_guard lock(m_mutex);
    if (!m_sWarning) m_sWarning = warning;
}

void Settings::replaceCache(const QJsonObject& document) {
    std::unordered_map<std::string, QJsonValue> values;
    for (auto it = document.begin(); it != document.end(); ++it) values.emplace(it.key().toStdString(), it.value());
    std::lock_guard lock(m_mutex);
    m_mapValues.swap(values);
}

std::optional<QJsonValue> Settings::storedValue(const std::string& key) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_mapValues.find(key);
    if (found == m_mapValues.end()) return std::nullopt;
    return found->second;
}

void Settings::applyChanges(const std::vector<Change>& changes) {
    const auto mutate = [&changes](QJsonObject& document) {
        for (const auto& change : changes) {
            const QString key = QString::fromStdString(change.key);
            if (change.value) document.insert(key, *change.value);
            else document.remove(key);
        }
    };
    std::lock_guard writeLock(m_writeMutex);
    QJsonObject current;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& [key, value] : m_mapValues) current.insert(QString::fromStdString(key), value);
    }
    if (!m_pStore) {
        mutate(current);
        replaceCache(current);
        return;
    }
    QJsonObject written;
    std::optional<std::string> notice;
    const Status status = m_pStore->update(current, mutate, written, notice);
    replaceCache(written);
    if (notice && !m_bLoadProblemReported) addWarning("settings: " + *notice);
    if (!status) {
        addWarning("settings: could not save the settings: " + status.message());
    } else {
        std::lock_guard lock(m_mutex);
        m_sUnusableFile.reset();  // the file now holds what is in effect
    }
}

// ---------------------------------------------------------------------------------------------------
// Typed primitives.

bool Settings::hasValueForKey(const std::string& key) const { return storedValue(key).has_value(); }

bool Settings::getBoolValueForKey(const std::string& key, bool defaultValue) const {
    const auto value = storedValue(key);
    if (!value) return defaultValue;
    if (value->isBool()) return value->toBool();
    if (value->isDouble()) return value->toDouble() != 0.0;
    return defaultValue;
}

std::uint64_t Settings::getUnsignedLongLongValueForKey(const std::string& key, std::uint64_t defaultValue) const {
    const auto value = storedValue(key);
    if (!value) return defaultValue;
    if (value->isBool()) return value->toBool() ? 1 : 0;
    if (!value->isDouble()) return defaultValue;
    const qint64 integer = value->toInteger(-1);
    if (integer >= 0) return static_cast<std::uint64_t>(integer);
    const double number = value->toDouble();
    if (!(number >= 0.0) || number >= 18446744073709551616.0) return defaultValue;
    return static_cast<std::uint64_t>(number);
}

std::int32_t Settings::getIntValueForKey(const std::string& key, std::int32_t defaultValue) const {
    const auto value = storedValue(key);
    if (!value) return defaultValue;
    if (value->isBool()) return value->toBool() ? 1 : 0;
    if (!value->isDouble()) return defaultValue;
    const double number = std::trunc(value->toDouble());
    if (!(number >= std::numeric_limits<std::int32_t>::min() && number <= std::numeric_limits<std::int32_t>::max()))
        return defaultValue;
    return static_cast<std::int32_t>(number);
}

double Settings::getFloatValueForKey(const std::string& key, double defaultValue) const {
    const auto value = storedValue(key);
    if (!value) return defaultValue;
    if (value->isBool()) return value->toBool() ? 1.0 : 0.0;
    if (value->isDouble()) return value->toDouble();
    return defaultValue;
}

std::optional<std::string> Settings::getStringValueForKey(const std::string& key) const {
    const auto value = storedValue(key);
    if (!value || !value->isString()) return std::nullopt;
    return value->toString().toStdString();
}

std::vector<std::string> Settings::getArrayValueForKey(const std::string& key,
                                                       const std::vector<std::string>& defaultValue) const {
    auto list = stringList(storedValue(key));
    return list ? std::move(*list) : defaultValue;
}

void Settings::saveBoolValue(bool value, const std::string& key) { applyChanges({{key, QJsonValue(value)}}); }

void Settings::saveUnsignedLongLongValue(std::uint64_t value, const std::string& key) {
    applyChanges({{key, unsignedToJson(value)}});
}

void Settings::saveIntValue(std::int32_t value, const std::string& key) {
    applyChanges({{key, QJsonValue(static_cast<qint64>(value))}});
}

void Settings::saveFloatValue(double value, const std::string& key) { applyChanges({{key, QJsonValue(value)}}); }

void Settings::saveStringValue(const std::optional<std::string>& value, const std::string& key) {
    if (value) applyChanges({{key, QJsonValue(QString::fromStdString(*value))}});
    else applyChanges({{key, std::nullopt}});
}

void Settings::saveArrayValue(const std::optional<std::vector<std::string>>& value, const std::string& key) {
    if (value) applyChanges({{key, toJson(*value)}});
    else applyChanges({{key, std::nullopt}});
}

void Settings::removeValueForKey(const std::string& key) { applyChanges({{key, std::nullopt}}); }

// ---------------------------------------------------------------------------------------------------
// Accessors. A default is a property of its getter.

#define DORVANE_BOOL_SETTING(name, Name, defaultValue)                                             \
    bool Settings::name() const { return getBoolValueForKey(settings_keys::name, defaultValue); }        \
    void Settings::set##Name(bool value) { saveBoolValue(value, settings_keys::name); }
#define DORVANE_BOOL_SETTING_POSTING(name, Name, defaultValue, post)                               \
    bool Settings::name() const { return getBoolValueForKey(settings_keys::name, defaultValue); }        \
    void Settings::set##Name(bool value) {                                                       \
        saveBoolValue(value, settings_keys::name);                                                        \
        AppNotification::post();                                                                 \
    }
#define DORVANE_UNSIGNED_SETTING(name, Name, defaultValue)                                                 \
    std::uint64_t Settings::name() const { return getUnsignedLongLongValueForKey(settings_keys::name, defaultValue); } \
    void Settings::set##Name(std::uint64_t value) { saveUnsignedLongLongValue(value, settings_keys::name); }
#define DORVANE_INT_SETTING(name, Name, defaultValue)                                           \
    std::int32_t Settings::name() const { return getIntValueForKey(settings_keys::name, defaultValue); } \
    void Settings::set##Name(std::int32_t value) { saveIntValue(value, settings_keys::name); }
#define DORVANE_FLOAT_SETTING(name, Name, defaultValue)                                        \
    double Settings::name() const { return getFloatValueForKey(settings_keys::name, defaultValue); } \
    void Settings::set##Name(double value) { saveFloatValue(value, settings_keys::name); }
#define DORVANE_STRING_SETTING(name, Name)                                                                  \
    std::optional<std::string> Settings::name() const { return getStringValueForKey(settings_keys::name); }         \
    void Settings::set##Name(const std::optional<std::string>& value) { saveStringValue(value, settings_keys::name); }
#define DORVANE_LIST_SETTING(name, Name, defaultList)                                                       \
    std::vector<std::string> Settings::name() const {                                                      \
        auto list = stringList(storedValue(settings_keys::name));                                                   \
        return list ? std::move(*list) : defaultList;                                                      \
    }                                                                                                      \
    void Settings::set##Name(const std::optional<std::vector<std::string>>& value) {                       \
        saveArrayValue(value, settings_keys::name);                                                                 \
    }

DORVANE_BOOL_SETTING(defineMinimalDuplicatesFileSizeAutomatically, DefineMinimalDuplicatesFileSizeAutomatically, true)
DORVANE_BOOL_SETTING(defineMinimalDuplicatesFileSizeAsZero, DefineMinimalDuplicatesFileSizeAsZero, false)
DORVANE_UNSIGNED_SETTING(minDuplicatesFileSize, MinDuplicatesFileSize, 1048576)
DORVANE_UNSIGNED_SETTING(hashBlockSize, HashBlockSize, 8192)
DORVANE_BOOL_SETTING_POSTING(forceFullHashCalculation, ForceFullHashCalculation, false,
                             CreateOnForceFullHashCalculationChangedNotification)
DORVANE_BOOL_SETTING(scanInHiddenFolders, ScanInHiddenFolders, false)
DORVANE_BOOL_SETTING(useDigestCache, UseDigestCache, true)
bool Settings::excludeTimeMachineBackups() const { return getBoolValueForKey(settings_keys::excludeTimeMachineBackups, true); }
bool Settings::skipVolumeSystemFolders() const { return getBoolValueForKey(settings_keys::skipVolumeSystemFolders, true); }

// The default lists are built afresh on every read while the key is absent.
DORVANE_LIST_SETTING(excludeFolders, ExcludeFolders, createDefaultExcludeFoldersArray())
DORVANE_LIST_SETTING(excludeFiles, ExcludeFiles, createDefaultExcludeFilesArray())
DORVANE_LIST_SETTING(excludeExtensions, ExcludeExtensions, createDefaultExcludeExtensionsArray())
DORVANE_LIST_SETTING(autoAlwaysSelectFolders, AutoAlwaysSelectFolders, createDefaultAutoSelectFoldersArray())
DORVANE_LIST_SETTING(autoNeverSelectFolders, AutoNeverSelectFolders, createDefaultNeverSelectFoldersArray())
DORVANE_LIST_SETTING(lastTenFolders, LastTenFolders, std::vector<std::string>())

DORVANE_BOOL_SETTING_POSTING(moveCleanedDuplicatesToTheTrashCan, MoveCleanedDuplicatesToTheTrashCan, true,
                             CreateRemoveToTrashSettingChangedNotification)
DORVANE_BOOL_SETTING_POSTING(allowRemovingAllDuplicateCopies, AllowRemovingAllDuplicateCopies, false,
                             CreateOnAllowRemovingAllDuplicateCopiesChangedNotification)
DORVANE_BOOL_SETTING(removeEmptyFolders, RemoveEmptyFolders, false)
DORVANE_BOOL_SETTING(verifyBeforeRemove, VerifyBeforeRemove, true)
DORVANE_BOOL_SETTING_POSTING(logRemovedDuplicates, LogRemovedDuplicates, true,
                             CreateOnLogRemovedDuplicatesChangedNotification)
DORVANE_STRING_SETTING(lastOpenedFolderToScan, LastOpenedFolderToScan)

DORVANE_BOOL_SETTING(mergeDialogueExpandOptions, MergeDialogueExpandOptions, true)
DORVANE_BOOL_SETTING(mergeDialogueMoveMergedFiles, MergeDialogueMoveMergedFiles, false)
DORVANE_BOOL_SETTING(mergeDialogueNeedMergeDuplicateFilesWithDifferentNames,
                     MergeDialogueNeedMergeDuplicateFilesWithDifferentNames, true)
DORVANE_UNSIGNED_SETTING(cleanedFileSize, CleanedFileSize, 0)
DORVANE_UNSIGNED_SETTING(cleanedFileCount, CleanedFileCount, 0)

DORVANE_BOOL_SETTING(showNewScanMessage, ShowNewScanMessage, true)
DORVANE_BOOL_SETTING(showRestartScanMessage, ShowRestartScanMessage, true)
DORVANE_BOOL_SETTING(showRemovePermanentlyMessage, ShowRemovePermanentlyMessage, true)
DORVANE_BOOL_SETTING(showRemovePermanentlyItemsOnRemoteDisksMessage, ShowRemovePermanentlyItemsOnRemoteDisksMessage,
                     true)
DORVANE_BOOL_SETTING(showRemoveLastInCategoriesMessage, ShowRemoveLastInCategoriesMessage, true)
DORVANE_BOOL_SETTING(showRemoveLastInHeapsMessage, ShowRemoveLastInHeapsMessage, true)
DORVANE_BOOL_SETTING_POSTING(showAutoSelectMessage, ShowAutoSelectMessage, true,
                             CreateAutoSelectPreferencesChangedNotification)
DORVANE_BOOL_SETTING_POSTING(showAutoSelectMessageThatSelectionNotChanged, ShowAutoSelectMessageThatSelectionNotChanged,
                             true, CreateAutoSelectPreferencesChangedNotification)
DORVANE_BOOL_SETTING_POSTING(showAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList,
                             ShowAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList, true,
                             CreateAutoSelectPreferencesChangedNotification)
DORVANE_BOOL_SETTING(showSelectInFolderDuplicateFolderSelected, ShowSelectInFolderDuplicateFolderSelected, true)

DORVANE_BOOL_SETTING(showOverviewAfterScanning, ShowOverviewAfterScanning, true)
DORVANE_BOOL_SETTING(showShortFilePath, ShowShortFilePath, false)
DORVANE_INT_SETTING(sortType, SortType, 0)
DORVANE_INT_SETTING(sortDirection, SortDirection, 1)
DORVANE_FLOAT_SETTING(fsDividerPosition, FsDividerPosition, 1.0)
DORVANE_FLOAT_SETTING(fsDividerPreviewPosition, FsDividerPreviewPosition, 0.0)
DORVANE_BOOL_SETTING(fsIsNeedToShowInfoPanel, FsIsNeedToShowInfoPanel, true)
DORVANE_BOOL_SETTING(showOverlayOverviewScreen, ShowOverlayOverviewScreen, true)
DORVANE_BOOL_SETTING(showOverlayCategoryScreen, ShowOverlayCategoryScreen, true)
DORVANE_BOOL_SETTING(showOverlayCategorySingularScreen, ShowOverlayCategorySingularScreen, true)
DORVANE_BOOL_SETTING(showOverlaySimilarsScreen, ShowOverlaySimilarsScreen, true)
DORVANE_BOOL_SETTING(showOverlaySimilarsOnlyMergeScreen, ShowOverlaySimilarsOnlyMergeScreen, true)
DORVANE_UNSIGNED_SETTING(welcomeScreenAppearanceCount, WelcomeScreenAppearanceCount, 0)
DORVANE_STRING_SETTING(selectedFilesPresentation, SelectedFilesPresentation)
DORVANE_STRING_SETTING(selectedFilesSortType, SelectedFilesSortType)

#undef DORVANE_BOOL_SETTING
#undef DORVANE_BOOL_SETTING_POSTING
#undef DORVANE_UNSIGNED_SETTING
#undef DORVANE_INT_SETTING
#undef DORVANE_FLOAT_SETTING
#undef DORVANE_STRING_SETTING
#undef DORVANE_LIST_SETTING

// Stored as text: state 2 is written as the second text and reads back as 1; anything else reads as 0.
std::int32_t Settings::folderSplitState() const {
    const auto text = getStringValueForKey(settings_keys::folderSplitState);
    return text && *text == kFolderSplitStateTexts[1] ? 1 : 0;
}

void Settings::setFolderSplitState(std::int32_t value) {
    saveStringValue(std::string(kFolderSplitStateTexts[value == 0 ? 0 : 1]), settings_keys::folderSplitState);
}

// ---------------------------------------------------------------------------------------------------
// Default lists, in their Linux form.

std::vector<std::string> Settings::createDefaultExcludeFoldersArray() {
    return {"/proc", "/sys", "/dev", "/run", homeJoined(".local/share/Trash"), homeJoined(".cache")};
}

std::vector<std::string> Settings::createDefaultExcludeFilesArray() { return {}; }

std::vector<std::string> Settings::createDefaultExcludeExtensionsArray() {
    return {".framework", ".build", ".plist", ".def", ".info", ".lib", ".so"};
}

std::vector<std::string> Settings::createDefaultAutoSelectFoldersArray() { return {homeJoined("Downloads")}; }

std::vector<std::string> Settings::createDefaultNeverSelectFoldersArray() { return {}; }

// ---------------------------------------------------------------------------------------------------
// The full-hash choice of the current run.

bool Settings::actualStateOfFullHashCalculation() const {
    return forceFullHashCalculation() != s_bUserRevertedForceFullHashCalculation.load(std::memory_order_relaxed);
}

void Settings::setActualStateOfFullHashCalculation(bool value) {
    s_bUserRevertedForceFullHashCalculation.store(forceFullHashCalculation() != value, std::memory_order_relaxed);
}

void Settings::setUserRevertedForceFullHashCalculation(bool reverted) {
    s_bUserRevertedForceFullHashCalculation.store(reverted, std::memory_order_relaxed);
}

// ---------------------------------------------------------------------------------------------------
// Restores.

void Settings::setDeselectFullySelectedGroupsHook(std::function<void()> hook) {
    std::lock_guard lock(hookMutex());
    deselectHook() = std::move(hook);
}

void Settings::restoreDefaultsScan() {
    setForceFullHashCalculation(false);
    applyChanges({{settings_keys::scanInHiddenFolders, QJsonValue(false)},
                  {settings_keys::defineMinimalDuplicatesFileSizeAutomatically, std::nullopt},
                  {settings_keys::defineMinimalDuplicatesFileSizeAsZero, std::nullopt},
                  {settings_keys::minDuplicatesFileSize, std::nullopt}});
}

void Settings::restoreDefaultExcludeFolders() { setExcludeFolders(std::nullopt); }
void Settings::restoreDefaultExcludeFiles() { setExcludeFiles(std::nullopt); }
void Settings::restoreDefaultExcludeExtensions() { setExcludeExtensions(std::nullopt); }
void Settings::restoreDefaultAutoAlwaysSelectFolders() { setAutoAlwaysSelectFolders(std::nullopt); }
void Settings::restoreDefaultAutoNeverSelectFolders() { setAutoNeverSelectFolders(std::nullopt); }

void Settings::restoreRemoveDefaults() {
    // Removing every copy of a group is about to be forbidden again: no group may stay fully selected.
    std::function<void()> hook;
    {
        std::lock_guard lock(hookMutex());
        hook = deselectHook();
    }
    if (hook) hook();
    setMoveCleanedDuplicatesToTheTrashCan(true);
    setAllowRemovingAllDuplicateCopies(false);
    setRemoveEmptyFolders(false);
    setLogRemovedDuplicates(true);
    setShowRemovePermanentlyMessage(true);
    setShowRemovePermanentlyItemsOnRemoteDisksMessage(true);
    setShowRemoveLastInCategoriesMessage(true);
    setShowRemoveLastInHeapsMessage(true);
}

void Settings::restoreDefaultsForAlertWindows() {
    setShowNewScanMessage(true);
    setShowRestartScanMessage(true);
    setShowRemovePermanentlyMessage(true);
    setShowRemovePermanentlyItemsOnRemoteDisksMessage(true);
    setShowRemoveLastInCategoriesMessage(true);
    setShowRemoveLastInHeapsMessage(true);
    setShowAutoSelectMessage(true);
    setShowAutoSelectMessageThatSelectionNotChanged(true);
    setShowAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList(true);
    removeValueForKey(settings_keys::showSelectInFolderDuplicateFolderSelected);
}

void Settings::restoreShowOverviewAfterScanning() { saveBoolValue(true, settings_keys::showOverviewAfterScanning); }

void Settings::restoreDefaultsForAllSettings() {
    restoreDefaultsScan();
    restoreDefaultExcludeFolders();
    restoreDefaultExcludeFiles();
    restoreDefaultExcludeExtensions();
    restoreDefaultAutoAlwaysSelectFolders();
    restoreDefaultAutoNeverSelectFolders();
    restoreRemoveDefaults();
    restoreDefaultsForAlertWindows();
    restoreShowOverviewAfterScanning();
    AppNotification::CreateDuplicateItemSelectionChangedNotification();
}
