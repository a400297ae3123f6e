#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "platform/NotificationCenter.h"
#include "scan/PathsGenerator.h"
#include "settings/AppNotification.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace {
QJsonObject readDocument(const std::string& path) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(readText(path))).object();
}

// Counts the posts of the given names while alive.
class PostRecorder {
public:
    explicit PostRecorder(const std::vector<std::string>& names) {
        for (const auto& name : names)
            m_tokens.push_back(NotificationCenter::defaultCenter().addObserver(
                name, [this](const Notification& n) { m_counts[n.name]++; }));
    }
    ~PostRecorder() {
        for (auto token : m_tokens) NotificationCenter::defaultCenter().removeObserver(token);
    }
    int count(const std::string& name) const {
        auto it = m_counts.find(name);
        return it == m_counts.end() ? 0 : it->second;
    }

private:
    std::vector<NotificationCenter::Token> m_tokens;
    std::map<std::string, int> m_counts;
};

class SettingsTest : public ::testing::Test {
protected:
    void TearDown() override {
        Settings::setUserRevertedForceFullHashCalculation(false);
        Settings::setDeselectFullySelectedGroupsHook(nullptr);
    }
    std::string file() const { return m_dir / "config/settings.json"; }
    TempDir m_dir;
};
}  // namespace

TEST_F(SettingsTest, EmptyStoreAnswersTheDefaultsWithoutCreatingTheFile) {
    Settings settings(file());
    EXPECT_EQ(settings.minDuplicatesFileSize(), 1048576u);
    EXPECT_EQ(settings.hashBlockSize(), 8192u);
    EXPECT_EQ(settings.sortDirection(), 1);
    EXPECT_EQ(settings.sortType(), 0);
    EXPECT_TRUE(settings.defineMinimalDuplicatesFileSizeAutomatically());
    EXPECT_FALSE(settings.forceFullHashCalculation());
    EXPECT_TRUE(settings.excludeTimeMachineBackups());
    EXPECT_TRUE(settings.skipVolumeSystemFolders());
    EXPECT_TRUE(settings.moveCleanedDuplicatesToTheTrashCan());
    EXPECT_DOUBLE_EQ(settings.fsDividerPosition(), 1.0);
    EXPECT_EQ(settings.folderSplitState(), 0);
    EXPECT_FALSE(settings.lastOpenedFolderToScan().has_value());
    EXPECT_TRUE(settings.lastTenFolders().empty());

    const std::string home = PathsGenerator::GetInstance().homeDirectory();
    const auto folders = settings.excludeFolders();
    ASSERT_FALSE(folders.empty());
    EXPECT_EQ(folders.front(), "/proc");
    EXPECT_NE(std::find(folders.begin(), folders.end(), home + "/.cache"), folders.end());
    EXPECT_NE(std::find(folders.begin(), folders.end(), home + "/.local/share/Trash"), folders.end());
    EXPECT_EQ(settings.autoAlwaysSelectFolders(), std::vector<std::string>{home + "/Downloads"});
    EXPECT_EQ(settings.excludeExtensions().front(), ".framework");

    EXPECT_FALSE(settings.takeLoadWarning().has_value());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(file())));
}

TEST_F(SettingsTest, ValuesOfTheWrongTypeReadAsDefaultsAndAreReportedOnce) {
    m_dir.writeFile("config/settings.json", R"({
        "KEY_scanInHiddenFolders": "yes",
        "KEY_moveCleanedDuplicatesToTheTrashCan": 0,
        "us:minDuplicatesFileSize": "big",
        "s:hashBlockSize": -5,
        "KEY_exclude_folders": ["/a", 2],
        "KEY_sortDirection": 1e12,
        "KEY_showShortFilePath": 1
    })");
    Settings settings(file());
    EXPECT_FALSE(settings.scanInHiddenFolders());               // a string in a boolean key
    EXPECT_FALSE(settings.moveCleanedDuplicatesToTheTrashCan());  // a number is a boolean
    EXPECT_TRUE(settings.showShortFilePath());
    EXPECT_EQ(settings.minDuplicatesFileSize(), 1048576u);
    EXPECT_EQ(settings.hashBlockSize(), 8192u);
    EXPECT_EQ(settings.excludeFolders().front(), "/proc");
    EXPECT_EQ(settings.sortDirection(), 1);

    const auto warning = settings.takeLoadWarning();
    ASSERT_TRUE(warning.has_value());
    EXPECT_NE(warning->find(file()), std::string::npos);
    EXPECT_EQ(warning->find('\n'), std::string::npos);
    EXPECT_FALSE(settings.takeLoadWarning().has_value());
}

TEST_F(SettingsTest, SettersWriteAtOnceUnderTheExactKeys) {
    {
        Settings settings(file());
        settings.setMinDuplicatesFileSize(0xFFFFFFFFFFFFull);
        settings.setShowAutoSelectMessageThatSelectionNotChanged(false);
        settings.setShowOverlayOverviewScreen(false);
        settings.setLastOpenedFolderToScan(std::string("/data/photos"));
        settings.setFsDividerPreviewPosition(0.25);
        settings.setFolderSplitState(2);
        settings.setExcludeFiles(std::vector<std::string>{"/x/é", "/y"});
    }
    const QJsonObject document = readDocument(file());
    EXPECT_TRUE(document.contains(QString::fromUtf8("Show Alert That\xC2\xA0" "Auto Select Did Not Change Selection")));
    EXPECT_FALSE(document.contains("Show Alert That Auto Select Did Not Change Selection"));
    EXPECT_TRUE(document.contains("KEY_showOverlayOverviewSceen"));
    EXPECT_EQ(document.value("KEY_folderSplitState").toString(), "folder preview and folder content");

    Settings reread(file());
    EXPECT_EQ(reread.minDuplicatesFileSize(), 0xFFFFFFFFFFFFull);
    EXPECT_FALSE(reread.showAutoSelectMessageThatSelectionNotChanged());
    EXPECT_FALSE(reread.showOverlayOverviewScreen());
    EXPECT_EQ(reread.lastOpenedFolderToScan(), "/data/photos");
    EXPECT_DOUBLE_EQ(reread.fsDividerPreviewPosition(), 0.25);
    EXPECT_EQ(reread.folderSplitState(), 1);
    EXPECT_EQ(reread.excludeFiles(), (std::vector<std::string>{"/x/é", "/y"}));

    reread.setLastOpenedFolderToScan(std::nullopt);
    EXPECT_FALSE(Settings(file()).lastOpenedFolderToScan().has_value());
}

TEST_F(SettingsTest, ListsGoBackToTheirDefaultWhenSetToNothing) {
    Settings settings(file());
    settings.setExcludeFolders(std::vector<std::string>{});
    EXPECT_TRUE(settings.excludeFolders().empty());  // an empty list is a value, not the default
    settings.setExcludeFolders(std::vector<std::string>{"/mine"});
    EXPECT_EQ(settings.excludeFolders(), std::vector<std::string>{"/mine"});
    settings.setExcludeFolders(std::nullopt);
    EXPECT_FALSE(readDocument(file()).contains("KEY_exclude_folders"));
    EXPECT_EQ(settings.excludeFolders(), Settings::createDefaultExcludeFoldersArray());
}

TEST_F(SettingsTest, RunFullHashStateFlipsWithoutChangingThePreference) {
    Settings settings(file());
    settings.setForceFullHashCalculation(true);
    EXPECT_TRUE(settings.actualStateOfFullHashCalculation());
    settings.setActualStateOfFullHashCalculation(false);
    EXPECT_FALSE(settings.actualStateOfFullHashCalculation());
    EXPECT_TRUE(settings.forceFullHashCalculation());
    EXPECT_TRUE(Settings(file()).forceFullHashCalculation());

    // A relaunch starts with the flag cleared.
    Settings::setUserRevertedForceFullHashCalculation(false);
    EXPECT_TRUE(Settings(file()).actualStateOfFullHashCalculation());

    settings.setActualStateOfFullHashCalculation(true);
    EXPECT_TRUE(settings.actualStateOfFullHashCalculation());
    settings.setForceFullHashCalculation(false);
    EXPECT_FALSE(settings.actualStateOfFullHashCalculation());
}

TEST_F(SettingsTest, RestoresResetTheirSettingsAndPostTheSettersNotifications) {
    Settings settings(file());
    settings.setForceFullHashCalculation(true);
    settings.setScanInHiddenFolders(true);
    settings.setMinDuplicatesFileSize(5);
    settings.setDefineMinimalDuplicatesFileSizeAutomatically(false);
    settings.setExcludeExtensions(std::vector<std::string>{".x"});
    settings.setAutoNeverSelectFolders(std::vector<std::string>{"/n"});
    settings.setMoveCleanedDuplicatesToTheTrashCan(false);
    settings.setAllowRemovingAllDuplicateCopies(true);
    settings.setRemoveEmptyFolders(true);
    settings.setLogRemovedDuplicates(false);
    settings.setShowRemoveLastInHeapsMessage(false);
    settings.setShowNewScanMessage(false);
    settings.setShowSelectInFolderDuplicateFolderSelected(false);
    settings.setShowOverviewAfterScanning(false);
    settings.setSortType(4);

    bool allowedWhenHookRan = false;
    int hookCalls = 0;
    Settings::setDeselectFullySelectedGroupsHook([&] {
        ++hookCalls;
        allowedWhenHookRan = settings.allowRemovingAllDuplicateCopies();
    });

    const std::vector<std::string> names = {
        AppNotification::OnForceFullHashCalculationChangedNotificationName(),
        AppNotification::RemoveToTrashSettingChangedNotificationName(),
        AppNotification::OnAllowRemovingAllDuplicateCopiesChangedNotificationName(),
        AppNotification::OnLogRemovedDuplicatesChangedNotificationName(),
        AppNotification::AutoSelectPreferencesChangedNotificationName(),
        AppNotification::DuplicateItemSelectionChangedNotificationName(),
    };
    {
        PostRecorder posts(names);
        settings.restoreRemoveDefaults();
        EXPECT_EQ(hookCalls, 1);
        EXPECT_TRUE(allowedWhenHookRan);  // groups are deselected before the rule changes
        EXPECT_EQ(posts.count(names[1]), 1);
        EXPECT_EQ(posts.count(names[2]), 1);
        EXPECT_EQ(posts.count(names[3]), 1);
        EXPECT_EQ(posts.count(names[5]), 0);
        EXPECT_TRUE(settings.moveCleanedDuplicatesToTheTrashCan());
        EXPECT_FALSE(settings.allowRemovingAllDuplicateCopies());
        EXPECT_FALSE(settings.removeEmptyFolders());
        EXPECT_TRUE(settings.logRemovedDuplicates());
        EXPECT_TRUE(settings.showRemoveLastInHeapsMessage());
        EXPECT_FALSE(settings.showNewScanMessage());  // not a removal confirmation
    }
    {
        PostRecorder posts(names);
        settings.restoreDefaultsForAllSettings();
        EXPECT_EQ(posts.count(names[0]), 1);
        EXPECT_EQ(posts.count(names[4]), 3);
        EXPECT_EQ(posts.count(names[5]), 1);
    }
    EXPECT_FALSE(settings.forceFullHashCalculation());
    EXPECT_FALSE(settings.scanInHiddenFolders());
    EXPECT_EQ(settings.minDuplicatesFileSize(), 1048576u);
    EXPECT_TRUE(settings.defineMinimalDuplicatesFileSizeAutomatically());
    EXPECT_EQ(settings.excludeExtensions(), Settings::createDefaultExcludeExtensionsArray());
    EXPECT_EQ(settings.autoNeverSelectFolders(), Settings::createDefaultNeverSelectFoldersArray());
    EXPECT_TRUE(settings.showNewScanMessage());
    EXPECT_TRUE(settings.showOverviewAfterScanning());
    EXPECT_EQ(settings.sortType(), 4);  // presentation settings are not restored
    const QJsonObject document = readDocument(file());
    EXPECT_FALSE(document.contains(
        QString::fromUtf8("Show Alert That\xC2\xA0" "Duplicate Folder Selected in Select In Folder Dialog")));
    EXPECT_FALSE(document.contains("us:minDuplicatesFileSize"));
    EXPECT_EQ(hookCalls, 2);
}

TEST_F(SettingsTest, CorruptFileIsKeptAsBackupAndReadsAsDefaults) {
    const std::string corrupt = R"({"KEY_sortType": 3, "KEY_sortDirection": )";
    m_dir.writeFile("config/settings.json", corrupt);
    Settings settings(file());
    EXPECT_EQ(settings.sortDirection(), 1);
    EXPECT_EQ(settings.sortType(), 0);
    const auto warning = settings.takeLoadWarning();
    ASSERT_TRUE(warning.has_value());
    EXPECT_NE(warning->find(file()), std::string::npos);
    EXPECT_NE(warning->find("JSON"), std::string::npos);
    EXPECT_EQ(readText(file()), corrupt);  // reading never rewrites the file

    settings.setSortType(2);
    EXPECT_EQ(readText(file() + ".bak"), corrupt);
    EXPECT_EQ(Settings(file()).sortType(), 2);
    EXPECT_FALSE(Settings(file()).takeLoadWarning().has_value());

    // An earlier backup is never replaced: the next one takes the first free number.
    m_dir.writeFile("config/settings.json", "{ broken again");
    Settings again(file());
    ASSERT_TRUE(again.unusableFileProblem().has_value());
    EXPECT_NE(again.unusableFileProblem()->find(file() + " is not valid JSON"), std::string::npos);
    EXPECT_NE(again.takeLoadWarning()->find(file() + ".bak.2"), std::string::npos);
    again.setSortType(1);
    EXPECT_FALSE(again.unusableFileProblem().has_value());  // the file now holds what is in effect
    EXPECT_EQ(readText(file() + ".bak"), corrupt);
    EXPECT_EQ(readText(file() + ".bak.2"), "{ broken again");
    m_dir.writeFile("config/settings.json", "{ and again");
    Settings third(file());
    third.setSortType(1);
    EXPECT_EQ(readText(file() + ".bak.3"), "{ and again");
    EXPECT_EQ(readText(file() + ".bak.2"), "{ broken again");

    m_dir.writeFile("config/settings.json", "[1, 2]");  // valid JSON, but not an object
    Settings notAnObject(file());
    EXPECT_TRUE(notAnObject.takeLoadWarning().has_value());
    EXPECT_EQ(notAnObject.sortType(), 0);
}

TEST_F(SettingsTest, TwoStoresOnOneFileKeepEachOthersKeys) {
    Settings first(file());
    Settings second(file());
    first.setSortType(3);
    second.setSortDirection(0);  // second never read sortType, yet must not drop it
    Settings reread(file());
    EXPECT_EQ(reread.sortType(), 3);
    EXPECT_EQ(reread.sortDirection(), 0);
    EXPECT_EQ(second.sortType(), 3);  // a write refreshes the writer's view

    // Writers racing on separate threads, as two processes would, lose nothing.
    std::vector<std::thread> writers;
    for (int w = 0; w < 2; ++w) {
        writers.emplace_back([this, w] {
            Settings own(file());
            for (int i = 0; i < 15; ++i) own.saveIntValue(i, "race." + std::to_string(w) + "." + std::to_string(i));
        });
    }
    for (auto& writer : writers) writer.join();
    const QJsonObject document = readDocument(file());
    for (int w = 0; w < 2; ++w)
        for (int i = 0; i < 15; ++i)
            EXPECT_TRUE(document.contains(QString::fromStdString("race." + std::to_string(w) + "." + std::to_string(i))))
                << w << "." << i;
    EXPECT_EQ(document.value("KEY_sortType").toInt(), 3);
}

TEST_F(SettingsTest, TableDrivesListingAndTypedGetSetByKey) {
    const auto descriptions = Settings::settingDescriptions();
    std::set<std::string> keys;
    for (const auto& description : descriptions) EXPECT_TRUE(keys.insert(description.key).second) << description.key;
    EXPECT_EQ(descriptions.size(), 52u);
    auto find = [&](const std::string& accessor) {
        return *std::find_if(descriptions.begin(), descriptions.end(),
                             [&](const SettingDescription& d) { return d.accessor == accessor; });
    };
    EXPECT_EQ(find("minDuplicatesFileSize").defaultText, "1048576");
    EXPECT_EQ(find("minDuplicatesFileSize").key, "us:minDuplicatesFileSize");
    EXPECT_EQ(find("excludeFiles").defaultText, "[]");
    EXPECT_FALSE(find("skipVolumeSystemFolders").hasSetter);

    Settings settings(file());
    EXPECT_FALSE(settings.valueTextForKey("no such key").ok);
    EXPECT_NE(settings.setValueTextForKey("no such key", "1").message.find("no such key"), std::string::npos);

    auto bad = settings.setValueTextForKey("KEY_scanInHiddenFolders", "maybe");
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(bad.message.find("boolean"), std::string::npos);
    EXPECT_FALSE(settings.setValueTextForKey("us:minDuplicatesFileSize", "-1").ok);
    EXPECT_FALSE(settings.setValueTextForKey("KEY_sortType", "3000000000").ok);
    EXPECT_FALSE(settings.setValueTextForKey("KEY_exclude_folders", "/not/json").ok);
    EXPECT_FALSE(settings.hasValueForKey("KEY_scanInHiddenFolders"));

    EXPECT_EQ(settings.setValueTextForKey("scanInHiddenFolders", "yes").valueText, "true");
    EXPECT_TRUE(settings.scanInHiddenFolders());
    EXPECT_TRUE(settings.setValueTextForKey("Skip Volume System Folders", "false").ok);
    EXPECT_FALSE(settings.skipVolumeSystemFolders());
    EXPECT_TRUE(settings.setValueTextForKey("KEY_exclude_folders", R"(["/a b","/c"])").ok);
    EXPECT_EQ(settings.excludeFolders(), (std::vector<std::string>{"/a b", "/c"}));
    EXPECT_EQ(settings.valueTextForKey("KEY_exclude_folders").valueText, R"(["/a b","/c"])");
    EXPECT_EQ(settings.resetValueForKey("KEY_exclude_folders").valueText, find("excludeFolders").defaultText);

    PostRecorder posts({AppNotification::RemoveToTrashSettingChangedNotificationName()});
    EXPECT_TRUE(settings.setValueTextForKey("moveCleanedDuplicatesToTheTrashCan", "0").ok);
    EXPECT_EQ(posts.count(AppNotification::RemoveToTrashSettingChangedNotificationName()), 1);
}

TEST_F(SettingsTest, StandardInstanceCanBeReplacedForTests) {
    auto replacement = std::make_shared<Settings>(file());
    Settings::setStandard(replacement);
    EXPECT_EQ(&Settings::standard(), replacement.get());
    Settings::standard().setHashBlockSize(4096);
    EXPECT_EQ(Settings(file()).hashBlockSize(), 4096u);
    Settings::setStandard(nullptr);
    EXPECT_EQ(Settings::standard().filePath(), testHome() + "/.config/dorvane/settings.json");
}
