// Typed accessors of every user setting over one JSON document: a getter answers the stored value or
// the setting's default, a setter writes the file at once. Any thread may read and write (one mutex);
// setters that announce a change post on NotificationCenter::defaultCenter() (delivered on the main thread).
#pragma once

#include <QJsonObject>
#include <QJsonValue>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class JsonFileStore;

enum class SettingType { Bool, UnsignedInteger, Size, Integer, Float, Text, TextList, FolderSplitState };

// One row of the table of settings, for listings and get/set by name or key.
struct SettingDescription {
    std::string key;
    std::string accessor;
    SettingType type;
    bool hasSetter;           // false for the settings the application only reads
    std::string defaultText;  // the default as `dorvane settings` prints it
    std::string name;         // the short name people type: "min-size"
    std::string help;         // one line
    bool windowOnly = false;  // only the window reads it; the command line ignores it
};

// The outcome of a get or set by key: ok with the value as text, or a message saying what was wrong.
struct SettingResult {
    bool ok = false;
    std::string message;
    std::string valueText;
    bool isOk() const { return ok; }
    explicit operator bool() const { return ok; }
};

class Settings {
public:
    // Backed by the given file; it need not exist. An empty path keeps everything in memory only.
    explicit Settings(std::string filePath);
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // The process-wide settings on user_paths::settingsFile(), created on first use.
    static Settings& standard();
    // Replaces the process-wide instance (tests); nullptr returns to the user's file. Replaced
    // instances stay alive until the process ends, so references taken earlier stay valid.
    static void setStandard(std::shared_ptr<Settings> settings);

    const std::string& filePath() const { return m_sFilePath; }
    // A one-line warning about the file (unparsable, a value of the wrong type, a failed write), once.
    std::optional<std::string> takeLoadWarning();
    // While the settings in effect are the defaults standing in for a file that could not be used
    // (until a write replaces it): the file and why, "PATH is not valid JSON (…)".
    std::optional<std::string> unusableFileProblem() const;

    // Typed primitives. A value of the wrong type reads as the default.
    bool getBoolValueForKey(const std::string& key, bool defaultValue) const;
    std::uint64_t getUnsignedLongLongValueForKey(const std::string& key, std::uint64_t defaultValue) const;
    std::int32_t getIntValueForKey(const std::string& key, std::int32_t defaultValue) const;
    double getFloatValueForKey(const std::string& key, double defaultValue) const;
    std::optional<std::string> getStringValueForKey(const std::string& key) const;
    std::vector<std::string> getArrayValueForKey(const std::string& key,
                                                 const std::vector<std::string>& defaultValue) const;
    bool hasValueForKey(const std::string& key) const;
    void saveBoolValue(bool value, const std::string& key);
    void saveUnsignedLongLongValue(std::uint64_t value, const std::string& key);
    void saveIntValue(std::int32_t value, const std::string& key);
    void saveFloatValue(double value, const std::string& key);
    void saveStringValue(const std::optional<std::string>& value, const std::string& key);  // nullopt removes
    void saveArrayValue(const std::optional<std::vector<std::string>>& value, const std::string& key);  // nullopt removes
    void removeValueForKey(const std::string& key);
    // Every set is written at once; kept for callers that ask for it explicitly.
    void synchronize() {}

    // Scan.
    bool defineMinimalDuplicatesFileSizeAutomatically() const;
    void setDefineMinimalDuplicatesFileSizeAutomatically(bool value);
    bool defineMinimalDuplicatesFileSizeAsZero() const;
    void setDefineMinimalDuplicatesFileSizeAsZero(bool value);
    std::uint64_t minDuplicatesFileSize() const;
    void setMinDuplicatesFileSize(std::uint64_t value);
    std::uint64_t hashBlockSize() const;
    void setHashBlockSize(std::uint64_t value);
    bool forceFullHashCalculation() const;
    void setForceFullHashCalculation(bool value);  // posts OnForceFullHashCalculationChanged
    bool scanInHiddenFolders() const;
    void setScanInHiddenFolders(bool value);
    // Whether scans keep the digests of unchanged files between runs (the digest cache).
    bool useDigestCache() const;
    void setUseDigestCache(bool value);
    bool excludeTimeMachineBackups() const;
    bool skipVolumeSystemFolders() const;

    // Lists; nullopt removes the key, so the getter answers the default list again.
    std::vector<std::string> excludeFolders() const;
    void setExcludeFolders(const std::optional<std::vector<std::string>>& value);
    std::vector<std::string> excludeFiles() const;
    void setExcludeFiles(const std::optional<std::vector<std::string>>& value);
    std::vector<std::string> excludeExtensions() const;
    void setExcludeExtensions(const std::optional<std::vector<std::string>>& value);
    std::vector<std::string> autoAlwaysSelectFolders() const;
    void setAutoAlwaysSelectFolders(const std::optional<std::vector<std::string>>& value);
    std::vector<std::string> autoNeverSelectFolders() const;
    void setAutoNeverSelectFolders(const std::optional<std::vector<std::string>>& value);
    std::vector<std::string> lastTenFolders() const;
    void setLastTenFolders(const std::optional<std::vector<std::string>>& value);

    static std::vector<std::string> createDefaultExcludeFoldersArray();
    static std::vector<std::string> createDefaultExcludeFilesArray();
    static std::vector<std::string> createDefaultExcludeExtensionsArray();
    static std::vector<std::string> createDefaultAutoSelectFoldersArray();
    static std::vector<std::string> createDefaultNeverSelectFoldersArray();

    // Removal and history.
    bool moveCleanedDuplicatesToTheTrashCan() const;
    void setMoveCleanedDuplicatesToTheTrashCan(bool value);  // posts RemoveToTrashSettingChanged
    bool allowRemovingAllDuplicateCopies() const;
    void setAllowRemovingAllDuplicateCopies(bool value);  // posts OnAllowRemovingAllDuplicateCopiesChanged
    bool removeEmptyFolders() const;
    void setRemoveEmptyFolders(bool value);
    // Each copy is checked against the scan and a copy that stays just before it is removed.
    bool verifyBeforeRemove() const;
    void setVerifyBeforeRemove(bool value);
    bool logRemovedDuplicates() const;
    void setLogRemovedDuplicates(bool value);  // posts OnLogRemovedDuplicatesChanged
    std::optional<std::string> lastOpenedFolderToScan() const;
    void setLastOpenedFolderToScan(const std::optional<std::string>& value);  // nullopt removes

    // Merge.
    bool mergeDialogueExpandOptions() const;
    void setMergeDialogueExpandOptions(bool value);
    bool mergeDialogueMoveMergedFiles() const;
    void setMergeDialogueMoveMergedFiles(bool value);
    bool mergeDialogueNeedMergeDuplicateFilesWithDifferentNames() const;
    void setMergeDialogueNeedMergeDuplicateFilesWithDifferentNames(bool value);

    // Running totals.
    std::uint64_t cleanedFileSize() const;
    void setCleanedFileSize(std::uint64_t value);
    std::uint64_t cleanedFileCount() const;
    void setCleanedFileCount(std::uint64_t value);

    // Confirmation flags: true means the message is shown next time.
    bool showNewScanMessage() const;
    void setShowNewScanMessage(bool value);
    bool showRestartScanMessage() const;
    void setShowRestartScanMessage(bool value);
    bool showRemovePermanentlyMessage() const;
    void setShowRemovePermanentlyMessage(bool value);
    bool showRemovePermanentlyItemsOnRemoteDisksMessage() const;
    void setShowRemovePermanentlyItemsOnRemoteDisksMessage(bool value);
    bool showRemoveLastInCategoriesMessage() const;
    void setShowRemoveLastInCategoriesMessage(bool value);
    bool showRemoveLastInHeapsMessage() const;
    void setShowRemoveLastInHeapsMessage(bool value);
    bool showAutoSelectMessage() const;
    void setShowAutoSelectMessage(bool value);  // posts AutoSelectPreferencesChanged
    bool showAutoSelectMessageThatSelectionNotChanged() const;
    void setShowAutoSelectMessageThatSelectionNotChanged(bool value);  // posts AutoSelectPreferencesChanged
    bool showAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList() const;
    void setShowAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList(bool value);  // posts AutoSelectPreferencesChanged
    bool showSelectInFolderDuplicateFolderSelected() const;
    void setShowSelectInFolderDuplicateFolderSelected(bool value);

    // Presentation.
    bool showOverviewAfterScanning() const;
    void setShowOverviewAfterScanning(bool value);
    bool showShortFilePath() const;
    void setShowShortFilePath(bool value);
    std::int32_t sortType() const;
    void setSortType(std::int32_t value);
    std::int32_t sortDirection() const;
    void setSortDirection(std::int32_t value);
    std::int32_t folderSplitState() const;  // 0 or 1
    void setFolderSplitState(std::int32_t value);
    double fsDividerPosition() const;
    void setFsDividerPosition(double value);
    double fsDividerPreviewPosition() const;
    void setFsDividerPreviewPosition(double value);
    bool fsIsNeedToShowInfoPanel() const;
    void setFsIsNeedToShowInfoPanel(bool value);
    bool showOverlayOverviewScreen() const;
    void setShowOverlayOverviewScreen(bool value);
    bool showOverlayCategoryScreen() const;
    void setShowOverlayCategoryScreen(bool value);
    bool showOverlayCategorySingularScreen() const;
    void setShowOverlayCategorySingularScreen(bool value);
    bool showOverlaySimilarsScreen() const;
    void setShowOverlaySimilarsScreen(bool value);
    bool showOverlaySimilarsOnlyMergeScreen() const;
    void setShowOverlaySimilarsOnlyMergeScreen(bool value);
    std::uint64_t welcomeScreenAppearanceCount() const;
    void setWelcomeScreenAppearanceCount(std::uint64_t value);
    std::optional<std::string> selectedFilesPresentation() const;
    void setSelectedFilesPresentation(const std::optional<std::string>& value);  // nullopt removes
    std::optional<std::string> selectedFilesSortType() const;
    void setSelectedFilesSortType(const std::optional<std::string>& value);  // nullopt removes

    // Full-hash choice of the current run: a process-wide flag, never stored, written from the main thread.
    bool actualStateOfFullHashCalculation() const;
    void setActualStateOfFullHashCalculation(bool value);
    static void setUserRevertedForceFullHashCalculation(bool reverted);

    // Restores (main thread), each posting the notifications of the setters it goes through.
    void restoreDefaultsScan();
    void restoreDefaultExcludeFolders();
    void restoreDefaultExcludeFiles();
    void restoreDefaultExcludeExtensions();
    void restoreDefaultAutoAlwaysSelectFolders();
    void restoreDefaultAutoNeverSelectFolders();
    void restoreRemoveDefaults();  // first runs the deselect-fully-selected-groups hook
    void restoreDefaultsForAlertWindows();
    void restoreShowOverviewAfterScanning();
    void restoreDefaultsForAllSettings();  // then posts DuplicateItemSelectionChanged

    // Installed by the results manager: deselects, in the current results, every group whose copies
    // are all selected. Called on the main thread by restoreRemoveDefaults; empty by default.
    static void setDeselectFullySelectedGroupsHook(std::function<void()> hook);

    // The table of every setting, in the order of the listing, and get/set by key. A list is written
    // and read as a JSON array of strings; a boolean as true/false (also yes/no, 1/0).
    // `key` may be the stored key, the short name or the accessor name; a size takes 10K, 1.5M, 2G.
    static std::vector<SettingDescription> settingDescriptions();
    static std::optional<SettingDescription> findSetting(const std::string& key);
    static std::string typeName(SettingType type);
    SettingResult valueTextForKey(const std::string& key) const;
    SettingResult setValueTextForKey(const std::string& key, const std::string& text);
    SettingResult resetValueForKey(const std::string& key);  // removes the key: the default applies
    // Adds one entry to a list setting (nothing when it is there already) or removes one (an error
    // when it is not there).
    SettingResult addListEntryForKey(const std::string& key, const std::string& entry);
    SettingResult removeListEntryForKey(const std::string& key, const std::string& entry);

private:
    struct Change {
        std::string key;
        std::optional<QJsonValue> value;  // nullopt removes the key
    };
    std::optional<QJsonValue> storedValue(const std::string& key) const;
    // Writes the changes in one read-modify-write of the file and refreshes the cached values.
    void applyChanges(const std::vector<Change>& changes);
    void replaceCache(const QJsonObject& document);
    void addWarning(const std::string& warning);

    const std::string m_sFilePath;
    // Serialises writes so that readers never wait for the disk.
    std::mutex m_writeMutex;
    std::unique_ptr<JsonFileStore> m_pStore;  // null for a memory-only store; guarded by m_writeMutex
    bool m_bLoadProblemReported = false;      // the file was broken when loaded; guarded by m_writeMutex
    std::optional<std::string> m_sUnusableFile;  // see unusableFileProblem(); guarded by m_mutex
    mutable std::mutex m_mutex;
    std::unordered_map<std::string, QJsonValue> m_mapValues;  // the parsed document; guarded by m_mutex
    std::optional<std::string> m_sWarning;                    // the first warning not yet taken; guarded by m_mutex

    // Atomic because scan-time queues read the run's full-hash choice while the main thread sets it.
    static std::atomic<bool> s_bUserRevertedForceFullHashCalculation;
};
