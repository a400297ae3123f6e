// The stored keys of every setting, exactly as the settings file holds them; the names are the accessors'.
#pragma once

#include <string>

namespace settings_keys {
// Scan.
inline const std::string defineMinimalDuplicatesFileSizeAutomatically = "us:defineMinimalDuplicatesFileSizeAutomatically";
inline const std::string defineMinimalDuplicatesFileSizeAsZero = "us:defineMinimalDuplicatesFileSizeAsZero";
inline const std::string minDuplicatesFileSize = "us:minDuplicatesFileSize";
inline const std::string hashBlockSize = "s:hashBlockSize";
inline const std::string forceFullHashCalculation = "KEY_forceFullHashCalculation";
inline const std::string scanInHiddenFolders = "KEY_scanInHiddenFolders";
inline const std::string useDigestCache = "KEY_useDigestCache";
inline const std::string excludeTimeMachineBackups = "Exclude Time Machine Backups";
inline const std::string skipVolumeSystemFolders = "Skip Volume System Folders";
// Lists.
inline const std::string excludeFolders = "KEY_exclude_folders";
inline const std::string excludeFiles = "KEY_exclude_files";
inline const std::string excludeExtensions = "KEY_exclude_extensions";
inline const std::string autoAlwaysSelectFolders = "KEY_autoAlwaysSelect_folders";
inline const std::string autoNeverSelectFolders = "KEY_autoNeverSelect_folders";
inline const std::string lastTenFolders = "KEY_last_ten_folders";
// Removal, history, merge, totals.
inline const std::string moveCleanedDuplicatesToTheTrashCan = "KEY_moveCleanedDuplicatesToTheTrashCan";
inline const std::string allowRemovingAllDuplicateCopies = "KEY_allowRemovingAllDuplicateCopies";
inline const std::string removeEmptyFolders = "KEY_removeEmptyFolders";
inline const std::string verifyBeforeRemove = "KEY_verifyBeforeRemove";
inline const std::string logRemovedDuplicates = "Log Removed Duplicates";
inline const std::string lastOpenedFolderToScan = "Last opened folder to scan";
inline const std::string mergeDialogueExpandOptions = "KEY_MERGE_DIALOGUE_EXPAND_OPTIONS";
inline const std::string mergeDialogueMoveMergedFiles = "KEY_MERGE_DIALOGUE_MOVE_MERGED_FILES";
inline const std::string mergeDialogueNeedMergeDuplicateFilesWithDifferentNames =
    "KEY_MERGE_DIALOGUE_NEED_MERGE_DUPLICATES_WITH_DIFFERENT_NAMES";
inline const std::string cleanedFileSize = "KEY_cleanedFileSize";
inline const std::string cleanedFileCount = "KEY_cleanedFileCount";
// Confirmation flags. "\u00a0" is the no-break space the three "Show Alert That" keys carry after "That".
inline const std::string showNewScanMessage = "KEY_showNewScanMessage";
inline const std::string showRestartScanMessage = "KEY_showRestartScanMessage";
inline const std::string showRemovePermanentlyMessage = "KEY_showRemovePermanentlyMessage";
inline const std::string showRemovePermanentlyItemsOnRemoteDisksMessage = "KEY_showRemovePermanentlyItemsOnRemoteDisksMessage";
inline const std::string showRemoveLastInCategoriesMessage = "KEY_showRemoveLastInCategoriesMessage";
inline const std::string showRemoveLastInHeapsMessage = "KEY_showRemoveLastInHeapsMessage";
inline const std::string showAutoSelectMessage = "KEY_showAutoSelectMessage";
inline const std::string showAutoSelectMessageThatSelectionNotChanged =
    "Show Alert That\u00a0Auto Select Did Not Change Selection";
inline const std::string showAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList =
    "Show Alert That\u00a0Auto Select Did Not Change Selection Because Never Select List";
inline const std::string showSelectInFolderDuplicateFolderSelected =
    "Show Alert That\u00a0Duplicate Folder Selected in Select In Folder Dialog";
// Presentation.
inline const std::string showOverviewAfterScanning = "KEY_showOverviewAfterScanning";
inline const std::string showShortFilePath = "KEY_showShortFilePath";
inline const std::string sortType = "KEY_sortType";
inline const std::string sortDirection = "KEY_sortDirection";
inline const std::string folderSplitState = "KEY_folderSplitState";
inline const std::string fsDividerPosition = "SelectInFolder.DividerPosition";
inline const std::string fsDividerPreviewPosition = "SelectInFolder.DividerPreviewPosition";
inline const std::string fsIsNeedToShowInfoPanel = "SelectInFolder.IsNeedToShowInfoPanel";
inline const std::string showOverlayOverviewScreen = "KEY_showOverlayOverviewSceen";
inline const std::string showOverlayCategoryScreen = "KEY_showOverlayCategorySceen";
inline const std::string showOverlayCategorySingularScreen = "KEY_showOverlayCategorySingularSceen";
inline const std::string showOverlaySimilarsScreen = "KEY_showOverlaySimilarsSceen";
inline const std::string showOverlaySimilarsOnlyMergeScreen = "KEY_showOverlaySimilarsOnlyMergeSceen";
inline const std::string welcomeScreenAppearanceCount = "KEY_welcomeScreenAppearanceCount";
inline const std::string selectedFilesPresentation = "Selected Files Presentation";
inline const std::string selectedFilesSortType = "Selected Files Sort Type";
}  // namespace settings_keys
