#include "settings/AppNotification.h"

#include <QStringList>

#include "platform/NotificationCenter.h"

std::string AppNotification::ScannerWillStartNotificationName() { return "Scanner::WillStartNotification"; }
std::string AppNotification::DuplicateItemSelectionChangedNotificationName() { return "DuplicateItemSelectionChangedNotification"; }
std::string AppNotification::DuplicatesContainerDataChangedNotificationName() { return "DuplicatesContainerDataChangedNotification"; }
std::string AppNotification::SortingTypeChangedNotificationName() { return "SortingTypeChangedNotification"; }
std::string AppNotification::SelectedFilesVCSortChangedNotificationName() { return "SelectedFilesVCSortChangedNotification"; }
std::string AppNotification::RemoveToTrashSettingChangedNotificationName() { return "RemoveToTrashSettingChangedNotification"; }
std::string AppNotification::OnAllowRemovingAllDuplicateCopiesChangedNotificationName() { return "OnAllowRemovingAllDuplicateCopiesChangedNotification"; }
std::string AppNotification::OnLogRemovedDuplicatesChangedNotificationName() { return "OnLogRemovedDuplicatesChangedNotification"; }
std::string AppNotification::OnForceFullHashCalculationChangedNotificationName() { return "OnForceFullHashCalculationChangedNotificationName"; }
std::string AppNotification::AutoSelectPreferencesChangedNotificationName() { return "AutoSelectPreferencesChangedNotification"; }
std::string AppNotification::TryToScanHomeFolderNotificationName() { return "TryToScanHomeFolderNotification"; }
std::string AppNotification::OnFilesDroppedNotificationName() { return "OnFilesDroppedNotification"; }
std::string AppNotification::CoverFlowCommandAddFolderNotificationName() { return "CoverFlowCommand::AddFolderNotification"; }
std::string AppNotification::CoverFlowCommandStartScanNotificationName() { return "CoverFlowCommand::StartScanNotification"; }
std::string AppNotification::OnMainMenuItemClosedNotificationName() { return "OnMainMenuItemClosedNotification"; }
std::string AppNotification::LocalizedAppNameDidChangedNotificationName() { return "LocalizedAppNameDidChangedNotification"; }
std::string AppNotification::BackgroundTypeChangedNotificationName() { return "BackgroundTypeChangedNotification"; }
std::string AppNotification::ArrowNavigationNotificationName() { return "ArrowNavigationNotification"; }
std::string AppNotification::KeyPressedNotificationName() { return "KeyPressedNotification"; }
std::string AppNotification::FindInActiveViewNotificationName() { return "FindInActiveViewNotification"; }
std::string AppNotification::RevealInFinderNotificationName() { return "RevealInFinderNotification"; }
std::string AppNotification::GetInfoNotificationName() { return "GetInfoNotification"; }
std::string AppNotification::OpenFileNotificationName() { return "OpenFileNotification"; }
void AppNotification::CreateScannerWillStartNotification() { CreateNotificationWithName(ScannerWillStartNotificationName()); }
void AppNotification::CreateDuplicateItemSelectionChangedNotification() { CreateNotificationWithName(DuplicateItemSelectionChangedNotificationName()); }
void AppNotification::CreateDuplicatesContainerDataChangedNotification() { CreateNotificationWithName(DuplicatesContainerDataChangedNotificationName()); }
void AppNotification::CreateSortingTypeChangedNotification() { CreateNotificationWithName(SortingTypeChangedNotificationName()); }
void AppNotification::CreateSelectedFilesVCSortChangedNotification() { CreateNotificationWithName(SelectedFilesVCSortChangedNotificationName()); }
void AppNotification::CreateRemoveToTrashSettingChangedNotification() { CreateNotificationWithName(RemoveToTrashSettingChangedNotificationName()); }
void AppNotification::CreateOnAllowRemovingAllDuplicateCopiesChangedNotification() { CreateNotificationWithName(OnAllowRemovingAllDuplicateCopiesChangedNotificationName()); }
void AppNotification::CreateOnLogRemovedDuplicatesChangedNotification() { CreateNotificationWithName(OnLogRemovedDuplicatesChangedNotificationName()); }
void AppNotification::CreateOnForceFullHashCalculationChangedNotification() { CreateNotificationWithName(OnForceFullHashCalculationChangedNotificationName()); }
void AppNotification::CreateAutoSelectPreferencesChangedNotification() { CreateNotificationWithName(AutoSelectPreferencesChangedNotificationName()); }
void AppNotification::CreateTryToScanHomeFolderNotification() { CreateNotificationWithName(TryToScanHomeFolderNotificationName()); }
void AppNotification::CreateCoverFlowCommandAddFolderNotification() { CreateNotificationWithName(CoverFlowCommandAddFolderNotificationName()); }
void AppNotification::CreateCoverFlowCommandStartScanNotification() { CreateNotificationWithName(CoverFlowCommandStartScanNotificationName()); }
void AppNotification::CreateOnMainMenuItemClosedNotification() { CreateNotificationWithName(OnMainMenuItemClosedNotificationName()); }
void AppNotification::CreateLocalizedAppNameDidChangedNotification() { CreateNotificationWithName(LocalizedAppNameDidChangedNotificationName()); }
void AppNotification::CreateFindInActiveViewNotification() { CreateNotificationWithName(FindInActiveViewNotificationName()); }
void AppNotification::CreateRevealInFinderNotification() { CreateNotificationWithName(RevealInFinderNotificationName()); }
void AppNotification::CreateGetInfoNotification() { CreateNotificationWithName(GetInfoNotificationName()); }
void AppNotification::CreateOpenFileNotification() { CreateNotificationWithName(OpenFileNotificationName()); }

void AppNotification::CreateNotificationWithName(const std::string& name) {
    if (name.empty()) return;
    NotificationCenter::defaultCenter().post(name);
}

void AppNotification::CreateOnFilesDroppedNotificationWithPaths(const std::optional<std::vector<std::string>>& paths) {
    if (!paths) return;
    QStringList list;
    for (const auto& p : *paths) list.append(QString::fromStdString(p));
    NotificationCenter::defaultCenter().post(OnFilesDroppedNotificationName(), {{QStringLiteral("paths"), list}});
}

void AppNotification::CreateBackgroundTypeChangedNotificationWithType(int type) {
    NotificationCenter::defaultCenter().post(BackgroundTypeChangedNotificationName(), {{QStringLiteral("Type"), type}});
}

void AppNotification::CreateArrowNavigationNotificationWithType(int type) {
    NotificationCenter::defaultCenter().post(ArrowNavigationNotificationName(), {{QStringLiteral("Type"), type}});
}

void AppNotification::CreateKeyPressedNotificationWithEvent(const QVariant& event, int keyCode) {
    NotificationCenter::defaultCenter().post(KeyPressedNotificationName(),
                                             {{QStringLiteral("Event"), event}, {QStringLiteral("KeyCode"), keyCode}});
}

int AppNotification::GetBackgroundTypeFromNotification(const Notification& n) { return n.userInfo.value(QStringLiteral("Type")).toInt(); }
int AppNotification::GetArrowNavigationTypeFromNotification(const Notification& n) { return n.userInfo.value(QStringLiteral("Type")).toInt(); }
int AppNotification::GetKeyCodeFromNotification(const Notification& n) { return n.userInfo.value(QStringLiteral("KeyCode")).toInt(); }
QVariant AppNotification::GetEventFromNotification(const Notification& n) { return n.userInfo.value(QStringLiteral("Event")); }

std::vector<std::string> AppNotification::GetPathsFromOnFilesDroppedNotification(const Notification& n) {
    std::vector<std::string> paths;
    for (const QString& p : n.userInfo.value(QStringLiteral("paths")).toStringList()) paths.push_back(p.toStdString());
    return paths;
}
