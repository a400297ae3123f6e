// The application's notification names, their posters and payload readers. Posting goes through
// NotificationCenter::defaultCenter(), so observers run on the main thread; any thread may post.
#pragma once

#include <QVariant>

#include <optional>
#include <string>
#include <vector>

struct Notification;

class AppNotification {
public:
    static std::string ScannerWillStartNotificationName();
    static std::string DuplicateItemSelectionChangedNotificationName();
    static std::string DuplicatesContainerDataChangedNotificationName();
    static std::string SortingTypeChangedNotificationName();
    static std::string SelectedFilesVCSortChangedNotificationName();
    static std::string RemoveToTrashSettingChangedNotificationName();
    static std::string OnAllowRemovingAllDuplicateCopiesChangedNotificationName();
    static std::string OnLogRemovedDuplicatesChangedNotificationName();
    static std::string OnForceFullHashCalculationChangedNotificationName();
    static std::string AutoSelectPreferencesChangedNotificationName();
    static std::string TryToScanHomeFolderNotificationName();
    static std::string OnFilesDroppedNotificationName();
    static std::string CoverFlowCommandAddFolderNotificationName();
    static std::string CoverFlowCommandStartScanNotificationName();
    static std::string OnMainMenuItemClosedNotificationName();
    static std::string LocalizedAppNameDidChangedNotificationName();
    static std::string BackgroundTypeChangedNotificationName();
    static std::string ArrowNavigationNotificationName();
    static std::string KeyPressedNotificationName();
    static std::string FindInActiveViewNotificationName();
    static std::string RevealInFinderNotificationName();
    static std::string GetInfoNotificationName();
    static std::string OpenFileNotificationName();

    static void CreateScannerWillStartNotification();
    static void CreateDuplicateItemSelectionChangedNotification();
    static void CreateDuplicatesContainerDataChangedNotification();
    static void CreateSortingTypeChangedNotification();
    static void CreateSelectedFilesVCSortChangedNotification();
    static void CreateRemoveToTrashSettingChangedNotification();
    static void CreateOnAllowRemovingAllDuplicateCopiesChangedNotification();
    static void CreateOnLogRemovedDuplicatesChangedNotification();
    static void CreateOnForceFullHashCalculationChangedNotification();
    static void CreateAutoSelectPreferencesChangedNotification();
    static void CreateTryToScanHomeFolderNotification();
    static void CreateCoverFlowCommandAddFolderNotification();
    static void CreateCoverFlowCommandStartScanNotification();
    static void CreateOnMainMenuItemClosedNotification();
    static void CreateLocalizedAppNameDidChangedNotification();
    static void CreateFindInActiveViewNotification();
    static void CreateRevealInFinderNotification();
    static void CreateGetInfoNotification();
    static void CreateOpenFileNotification();
    // Posts nothing for an absent list.
    static void CreateOnFilesDroppedNotificationWithPaths(const std::optional<std::vector<std::string>>& paths);
    static void CreateBackgroundTypeChangedNotificationWithType(int type);
    static void CreateArrowNavigationNotificationWithType(int type);
    static void CreateKeyPressedNotificationWithEvent(const QVariant& event, int keyCode);
    // Posts any name without payload; an empty name posts nothing.
    static void CreateNotificationWithName(const std::string& name);

    static int GetBackgroundTypeFromNotification(const Notification& notification);
    static int GetArrowNavigationTypeFromNotification(const Notification& notification);
    static int GetKeyCodeFromNotification(const Notification& notification);
    static QVariant GetEventFromNotification(const Notification& notification);
    static std::vector<std::string> GetPathsFromOnFilesDroppedNotification(const Notification& notification);
};
