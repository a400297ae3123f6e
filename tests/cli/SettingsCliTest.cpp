// `dorvane settings`: listing, get, set with type checks, reset, and the exit statuses; in process
// over a private settings file, and through the real binary once `settings` is one of its commands.
#include <gtest/gtest.h>

#include <QProcess>

#include <fstream>
#include <set>
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
    bool found = false, windowPart = false;
    std::set<std::string> names;
    while (std::getline(lines, line)) {
        if (line.starts_with("Only the window uses these")) windowPart = true;
        if (line.empty() || line.starts_with(" ") || line.starts_with("Only")) continue;
        const std::string name = line.substr(0, line.find(" = "));
        const auto description = Settings::findSetting(name);
        ASSERT_TRUE(description) << line;
        EXPECT_EQ(description->windowOnly, windowPart) << line;
        EXPECT_EQ(line.find("[window only]") != std::string::npos, windowPart) << line;
        names.insert(name);
        if (name == "min-size") {
            found = true;
            EXPECT_EQ(line, "min-size = 4.0 KiB (4096 bytes)  (default 1.0 MiB (1048576 bytes))");
            ASSERT_TRUE(std::getline(lines, line));
            EXPECT_TRUE(line.starts_with("    smaller files are not compared")) << line;
            EXPECT_TRUE(line.ends_with("; key \"us:minDuplicatesFileSize\"")) << line;
        }
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(names.size(), Settings::settingDescriptions().size());  // every short name once
    for (const auto& d : Settings::settingDescriptions()) {
        EXPECT_FALSE(d.help.empty()) << d.name;
        EXPECT_EQ(Settings::findSetting(d.key)->name, d.name);
        EXPECT_EQ(Settings::findSetting(d.accessor)->name, d.name);
    }
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
             {"set", "minDuplicatesFileSize", "12 parsecs"},
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
    EXPECT_NE(unknown.err.find("unknown setting 'KEY_noSuchSetting'"), std::string::npos) << unknown.err;
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
    EXPECT_NE(help.out.find("dorvane settings set NAME VALUE"), std::string::npos);

    std::ofstream(dir / "broken.json") << "{ not json";
    Settings::setStandard(std::make_shared<Settings>(dir / "broken.json"));
    CommandRun warned = settingsCommand({"get", "KEY_sortType"});
    EXPECT_EQ(warned.status, 0);
    EXPECT_NE(warned.err.find("warning"), std::string::npos) << warned.err;
}

TEST_F(SettingsCli, ShortNamesSizesAndOneListEntryAtATime) {
    CommandRun size = settingsCommand({"set", "min-size", "10M"});
    ASSERT_EQ(size.status, 0) << size.err;
    EXPECT_EQ(size.out, "min-size = 10 MiB (10485760 bytes)\n");
    EXPECT_EQ(settings->minDuplicatesFileSize(), 10485760u);
    EXPECT_EQ(settingsCommand({"set", "us:minDuplicatesFileSize", "1.5K"}).status, 0);
    EXPECT_EQ(settingsCommand({"get", "min-size"}).out, "1536\n");
    EXPECT_EQ(settingsCommand({"set", "sample-size", "2G"}).status, 0);
    EXPECT_EQ(settings->hashBlockSize(), 2147483648u);
    CommandRun notASize = settingsCommand({"set", "min-size", "ten"});
    EXPECT_EQ(notASize.status, 2);
    EXPECT_NE(notASize.err.find("min-size (us:minDuplicatesFileSize) takes a size"), std::string::npos) << notASize.err;

    const auto defaults = Settings::createDefaultExcludeExtensionsArray();
    CommandRun added = settingsCommand({"set", "exclude-extensions", "--add", ".iso"});
    ASSERT_EQ(added.status, 0) << added.err;
    auto expected = defaults;
    expected.push_back(".iso");
    EXPECT_EQ(settings->excludeExtensions(), expected);
    EXPECT_EQ(settingsCommand({"set", "exclude-extensions", "--add", ".iso"}).status, 0);  // there already
    EXPECT_EQ(settings->excludeExtensions(), expected);
    EXPECT_EQ(settingsCommand({"set", "KEY_exclude_extensions", "--remove", ".so"}).status, 0);
    std::erase(expected, ".so");
    EXPECT_EQ(settings->excludeExtensions(), expected);
    CommandRun absent = settingsCommand({"set", "exclude-extensions", "--remove", ".so"});
    EXPECT_EQ(absent.status, 2);
    EXPECT_NE(absent.err.find("'.so' is not in exclude-extensions"), std::string::npos) << absent.err;
    CommandRun notAList = settingsCommand({"set", "min-size", "--add", "1"});
    EXPECT_EQ(notAList.status, 2);
    EXPECT_NE(notAList.err.find("is not a list"), std::string::npos) << notAList.err;
    EXPECT_EQ(settings->excludeExtensions(), expected);

    CommandRun slip = settingsCommand({"set", "min-sise", "10M"});
    EXPECT_EQ(slip.status, 2);
    EXPECT_NE(slip.err.find("unknown setting 'min-sise'; did you mean 'min-size'?"), std::string::npos) << slip.err;
    CommandRun far = settingsCommand({"get", "colour-of-the-sky"});
    EXPECT_EQ(far.err.find("did you mean"), std::string::npos) << far.err;
    CommandRun reset = settingsCommand({"reset", "min-size"});
    EXPECT_EQ(reset.out, "min-size = 1.0 MiB (1048576 bytes) (the default)\n");
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
