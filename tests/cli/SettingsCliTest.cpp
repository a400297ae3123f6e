// `dorvane settings`: listing, get, set with type checks, reset, and the exit statuses; in process
// over a private settings file, and through the real binary once `settings` is one of its commands.
#include <gtest/gtest.h>

#include <QProcess>

#include <fstream>
#include <sstream>

#include "settings/Settings.h"
#include "support/TestSupport.h"

// The command is part of the `dorvane` executable, not of the core library: compile it in here.
#include "cli/SettingsCommand.cpp"

namespace {
struct CommandRun {
    int status;
    std::string out;
    std::string err;
};

CommandRun settingsCommand(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    const int status = runSettingsCommand(arguments, out, err);
    return {status, out.str(), err.str()};
}

struct SettingsCli : ::testing::Test {
    TempDir dir;
    std::shared_ptr<Settings> settings;
    void SetUp() override {
        settings = std::make_shared<Settings>(dir / "settings.json");
        Settings::setStandard(settings);
    }
    void TearDown() override { Settings::setStandard(nullptr); }
};

CommandRun runBinary(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral(DORVANE_BINARY), QStringList{"settings"} + arguments);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}
}  // namespace

TEST_F(SettingsCli, ListsEverySettingWithValueAndDefault) {
    settings->setMinDuplicatesFileSize(4096);
    CommandRun run = settingsCommand({});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const auto& d : Settings::settingDescriptions()) EXPECT_NE(run.out.find(d.key), std::string::npos) << d.key;
    std::istringstream lines(run.out);
    std::string line;
    bool found = false;
    while (std::getline(lines, line))
        if (line.starts_with("us:minDuplicatesFileSize ")) {
            found = true;
            EXPECT_NE(line.find(" 4096  (default 1048576; unsigned 64-bit)"), std::string::npos) << line;
        }
    EXPECT_TRUE(found);
    EXPECT_EQ(settingsCommand({"list"}).out, run.out);
}

TEST_F(SettingsCli, GetSetAndResetWithTypeChecks) {
    EXPECT_EQ(settingsCommand({"get", "KEY_allowRemovingAllDuplicateCopies"}).out, "false\n");
    CommandRun set = settingsCommand({"set", "allowRemovingAllDuplicateCopies", "yes"});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_TRUE(settings->allowRemovingAllDuplicateCopies());
    EXPECT_EQ(settingsCommand({"get", "allowRemovingAllDuplicateCopies"}).out, "true\n");

    CommandRun list = settingsCommand({"set", "KEY_autoNeverSelect_folders", "[\"/srv/keep\",\"/srv/old\"]"});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(settings->autoNeverSelectFolders(), (std::vector<std::string>{"/srv/keep", "/srv/old"}));

    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"set", "KEY_allowRemovingAllDuplicateCopies", "maybe"},
             {"set", "minDuplicatesFileSize", "-1"},
             {"set", "minDuplicatesFileSize", "12kB"},
             {"set", "KEY_autoNeverSelect_folders", "/srv/keep"},
             {"set", "KEY_autoNeverSelect_folders", "[1, 2]"},
         }) {
        CommandRun run = settingsCommand(bad);
        EXPECT_EQ(run.status, 2) << bad[2];
        EXPECT_NE(run.err.find(bad[1]), std::string::npos) << run.err;
    }
    EXPECT_TRUE(settings->allowRemovingAllDuplicateCopies());  // bad values change nothing

    CommandRun unknown = settingsCommand({"get", "KEY_noSuchSetting"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown setting \"KEY_noSuchSetting\""), std::string::npos);
    EXPECT_EQ(settingsCommand({"set", "noSuch", "1"}).status, 2);
    EXPECT_EQ(settingsCommand({"reset", "noSuch"}).status, 2);

    CommandRun reset = settingsCommand({"reset", "KEY_allowRemovingAllDuplicateCopies"});
    EXPECT_EQ(reset.status, 0);
    EXPECT_FALSE(settings->allowRemovingAllDuplicateCopies());
    EXPECT_FALSE(settings->hasValueForKey("KEY_allowRemovingAllDuplicateCopies"));
    EXPECT_TRUE(settings->hasValueForKey("KEY_autoNeverSelect_folders"));
    EXPECT_EQ(settingsCommand({"reset"}).status, 0);
    EXPECT_FALSE(settings->hasValueForKey("KEY_autoNeverSelect_folders"));
}

TEST_F(SettingsCli, UsageErrorsAndWarnings) {
    for (const auto& wrong : std::vector<std::vector<std::string>>{
             {"get"}, {"get", "a", "b"}, {"set", "KEY_sortType"}, {"reset", "a", "b"}, {"list", "x"}, {"frobnicate"}})
        EXPECT_EQ(settingsCommand(wrong).status, 2) << wrong[0];
    CommandRun help = settingsCommand({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("dorvane settings set KEY VALUE"), std::string::npos);

    std::ofstream(dir / "broken.json") << "{ not json";
    Settings::setStandard(std::make_shared<Settings>(dir / "broken.json"));
    CommandRun warned = settingsCommand({"get", "KEY_sortType"});
    EXPECT_EQ(warned.status, 0);
    EXPECT_NE(warned.err.find("warning"), std::string::npos) << warned.err;
}

TEST(SettingsBinary, GetSetResetAndStatuses) {
    CommandRun help = runBinary({"--help"});
    if (help.status != 0) GTEST_SKIP() << "`dorvane settings` is not a command of this binary yet";
    CommandRun set = runBinary({"set", "KEY_showAutoSelectMessage", "false"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(runBinary({"get", "KEY_showAutoSelectMessage"}).out, "false\n");
    EXPECT_NE(runBinary({}).out.find("KEY_showAutoSelectMessage"), std::string::npos);
    EXPECT_EQ(runBinary({"set", "KEY_showAutoSelectMessage", "perhaps"}).status, 2);
    EXPECT_EQ(runBinary({"get", "KEY_nothing"}).status, 2);
    EXPECT_EQ(runBinary({"reset", "KEY_showAutoSelectMessage"}).status, 0);
    EXPECT_EQ(runBinary({"get", "KEY_showAutoSelectMessage"}).out, "true\n");
}
