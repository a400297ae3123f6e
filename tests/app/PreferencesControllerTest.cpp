// The Preferences logic without a window: sizes as typed, folder and ending lists with their checks,
// the Always/Never Select trade, and that a change reaches the next scan's choices.
#include <gtest/gtest.h>

#include "app/PreferencesController.h"
#include "app/ScanChoices.h"
#include "platform/UserPaths.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace {
class PreferencesControllerTest : public ::testing::Test {
protected:
    void SetUp() override { Settings::setStandard(std::make_shared<Settings>(dir / "settings.json")); }
    void TearDown() override { Settings::setStandard(nullptr); }
    Settings& settings() { return Settings::standard(); }

    TempDir dir;
    PreferencesController prefs;
};
}  // namespace

TEST_F(PreferencesControllerTest, SizesAreTypedAsPeopleWriteThemAndBadOnesChangeNothing) {
    EXPECT_EQ(prefs.minimalSizeMode(), MinimalSizeMode::Automatic);
    EXPECT_EQ(prefs.minimalSizeText(), "1M");
    EXPECT_EQ(PreferencesController::compactSizeText(0), "0");
    EXPECT_EQ(PreferencesController::compactSizeText(1500), "1500");
    EXPECT_EQ(PreferencesController::compactSizeText(3ull << 30), "3G");
    EXPECT_EQ(PreferencesController::compactSizeText(1536 * 1024), "1536K");

    ASSERT_TRUE(prefs.setMinimalSizeText(" 1.5 MiB "));
    EXPECT_EQ(settings().minDuplicatesFileSize(), 1572864u);
    EXPECT_EQ(prefs.minimalSizeMode(), MinimalSizeMode::Value);
    // The next scan starts with it.
    const auto resolved = ScanChoices {}.resolve();
    EXPECT_FALSE(resolved.automaticMinimalSize);
    EXPECT_EQ(resolved.minimalSize, 1572864u);

    prefs.setMinimalSizeMode(MinimalSizeMode::Zero);
    EXPECT_EQ(ScanChoices {}.resolve().minimalSize, 0u);
    for (const char* bad : {"-5", "-1M", "ten", "1.2.3K", "5 X", ""}) {
        const PreferenceChange change = prefs.setMinimalSizeText(bad);
        EXPECT_FALSE(change) << bad;
        EXPECT_FALSE(change.message.empty()) << bad;
    }
    EXPECT_EQ(prefs.setMinimalSizeText("-5").message, "The minimal size cannot be negative.");
    EXPECT_EQ(settings().minDuplicatesFileSize(), 1572864u);
    EXPECT_EQ(prefs.minimalSizeMode(), MinimalSizeMode::Zero);
}

TEST_F(PreferencesControllerTest, ListsTakeFullPathsOfFoldersAndEndingsOnceEach) {
    const std::string a = dir.makeFolder("a");
    const std::string file = dir.writeFile("file.txt", "x");
    const auto before = prefs.entries(PreferenceList::ExcludeFolders);

    ASSERT_TRUE(prefs.addEntry(PreferenceList::ExcludeFolders, a + "/sub/..//"));
    auto after = prefs.entries(PreferenceList::ExcludeFolders);
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after.back(), a);

    const PreferenceChange twice = prefs.addEntry(PreferenceList::ExcludeFolders, a + "/");
    EXPECT_FALSE(twice);
    EXPECT_EQ(twice.message, "\u201c" + a + "\u201d is already in the Excluded Folders list.");
    EXPECT_FALSE(prefs.addEntry(PreferenceList::ExcludeFolders, "relative/path"));
    EXPECT_FALSE(prefs.addEntry(PreferenceList::ExcludeFolders, file));
    EXPECT_FALSE(prefs.addEntry(PreferenceList::ExcludeFolders, dir / "missing"));
    EXPECT_EQ(prefs.entries(PreferenceList::ExcludeFolders), after);
    EXPECT_EQ(PreferencesController::normalFolder("~/Music/"), user_paths::home() + "/Music");
    EXPECT_EQ(PreferencesController::displayFolder(user_paths::home() + "/Music"), "~/Music");
    EXPECT_EQ(PreferencesController::displayFolder(user_paths::home() + "x/Music"), user_paths::home() + "x/Music");

    ASSERT_TRUE(prefs.addEntry(PreferenceList::ExcludeExtensions, "Tmp"));
    EXPECT_EQ(prefs.entries(PreferenceList::ExcludeExtensions).back(), ".Tmp");
    const PreferenceChange sameEnding = prefs.addEntry(PreferenceList::ExcludeExtensions, ".tmp");
    EXPECT_FALSE(sameEnding);
    EXPECT_EQ(sameEnding.informativeText, "It is there as \u201c.Tmp\u201d.");
    EXPECT_FALSE(prefs.addEntry(PreferenceList::ExcludeExtensions, "a/b"));
    EXPECT_FALSE(prefs.addEntry(PreferenceList::ExcludeExtensions, "."));

    // Rows out of range remove nothing; the others go together.
    const auto endings = prefs.entries(PreferenceList::ExcludeExtensions);
    EXPECT_FALSE(prefs.removeEntries(PreferenceList::ExcludeExtensions, {0, endings.size()}));
    EXPECT_FALSE(prefs.removeEntries(PreferenceList::ExcludeExtensions, {}));
    EXPECT_EQ(prefs.entries(PreferenceList::ExcludeExtensions), endings);
    ASSERT_TRUE(prefs.removeEntries(PreferenceList::ExcludeExtensions, {endings.size() - 1, 0, 0}));
    EXPECT_EQ(prefs.entries(PreferenceList::ExcludeExtensions),
              std::vector<std::string>(endings.begin() + 1, endings.end() - 1));
    prefs.restoreDefaults(PreferenceList::ExcludeExtensions);
    EXPECT_EQ(prefs.entries(PreferenceList::ExcludeExtensions), Settings::createDefaultExcludeExtensionsArray());
}

TEST_F(PreferencesControllerTest, AFolderIsInOneSelectListAtATime) {
    const std::string a = dir.makeFolder("a");
    ASSERT_TRUE(prefs.addEntry(PreferenceList::NeverSelect, a));
    const auto always = prefs.entries(PreferenceList::AlwaysSelect);

    const PreferenceChange change = prefs.addEntry(PreferenceList::AlwaysSelect, a);
    EXPECT_FALSE(change.ok);
    ASSERT_TRUE(change.needsMove);
    EXPECT_EQ(change.message, "This folder already added to Never Select list");
    EXPECT_EQ(change.informativeText,
              "Do you want to remove this folder from Never Select list and add it to Always Select list?");
    EXPECT_EQ(prefs.entries(PreferenceList::AlwaysSelect), always);  // asking changes nothing

    ASSERT_TRUE(prefs.moveToList(PreferenceList::AlwaysSelect, a));
    EXPECT_TRUE(prefs.entries(PreferenceList::NeverSelect).empty());
    EXPECT_EQ(prefs.entries(PreferenceList::AlwaysSelect).back(), a);
}

TEST_F(PreferencesControllerTest, EveryMessageFlagIsReachedAndShowAllTurnsThemOn) {
    const auto& messages = PreferencesController::messages();
    ASSERT_EQ(messages.size(), 10u);
    for (std::size_t i = 0; i < messages.size(); ++i) {
        EXPECT_TRUE(prefs.showsMessage(i)) << messages[i].title;
        prefs.setShowsMessage(i, false);
    }
    EXPECT_FALSE(settings().showNewScanMessage());
    EXPECT_FALSE(settings().showRemovePermanentlyItemsOnRemoteDisksMessage());
    EXPECT_FALSE(settings().showSelectInFolderDuplicateFolderSelected());
    Settings reread(dir / "settings.json");
    EXPECT_FALSE(reread.showAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList());
    prefs.showAllMessagesAgain();
    for (std::size_t i = 0; i < messages.size(); ++i) EXPECT_TRUE(prefs.showsMessage(i)) << messages[i].title;
}
