// What a newcomer reads from `dorvane`: errors that name their argument and give the reason, names that
// are not UTF-8 kept through scan, report and removal, no progress line without a terminal, the
// selection tip only when wanted, and removal refused on settings that are defaults in place of a
// broken file. Runs the real binary in the test's own home.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/DorvaneProcess.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }

std::string settingsFile() { return testHome() + "/.config/dorvane/settings.json"; }

QJsonObject parse(const std::string& text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n" << text;
    return document.object();
}
}  // namespace

TEST(MessagesCli, PathErrorsNameTheArgumentAndTheReason) {
    TempDir dir;
    dir.writeFile("file.txt", "x");
    DorvaneRun empty = runDorvaneBinary({"scan", "-q", ""});
    EXPECT_EQ(empty.status, 2);
    EXPECT_NE(empty.err.find("dorvane: '': no such folder\n"), std::string::npos) << empty.err;
    DorvaneRun notFolder = runDorvaneBinary({"scan", "-q", q(dir / "file.txt"), q(dir / "missing")});
    EXPECT_NE(notFolder.err.find("dorvane: '" + (dir / "file.txt") + "': not a folder\n"), std::string::npos);
    EXPECT_NE(notFolder.err.find("dorvane: '" + (dir / "missing") + "': no such folder\n"), std::string::npos);

    dir.writeFile("t/a.bin", "same");
    DorvaneRun output = runDorvaneBinary({"scan", "-q", "-o", q(dir / "no/such/folder/r.json"), q(dir / "t")});
    EXPECT_EQ(output.status, 1);
    EXPECT_NE(output.err.find("dorvane: cannot write the report to '" + (dir / "no/such/folder/r.json") +
                              "': No such file or directory"),
              std::string::npos)
        << output.err;

    DorvaneRun history = runDorvaneBinary({"history", "--folder", q(dir / "missing")});
    EXPECT_EQ(history.status, 2);
    EXPECT_NE(history.err.find("dorvane history: '" + (dir / "missing") + "': no such folder"), std::string::npos)
        << history.err;
}

TEST(MessagesCli, NoProgressLineWithoutATerminalAndTheSelectionTipOnlyWhenWanted) {
    TempDir dir;
    dir.writeFile("t/a.bin", std::string(5000, 'a'));
    dir.writeFile("t/b.bin", std::string(5000, 'a'));
    DorvaneRun plain = runDorvaneBinary({"scan", "--all-sizes", "--select", "auto", q(dir / "t")});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.err.find('\r'), std::string::npos);  // standard error is a pipe here
    EXPECT_EQ(plain.err.find("\x1b["), std::string::npos);
    EXPECT_NE(plain.err.find("dorvane: 1 copy ("), std::string::npos) << plain.err;
    EXPECT_NE(plain.err.find(") selected for removal"), std::string::npos) << plain.err;
    EXPECT_NE(plain.out.find("2 copies of 4.9 KiB"), std::string::npos) << plain.out;
    for (const char* silence : {"-q", "--yes"}) {
        DorvaneRun quiet = runDorvaneBinary({"scan", silence, "--all-sizes", "--select", "auto", q(dir / "t")});
        EXPECT_EQ(quiet.status, 0);
        EXPECT_EQ(quiet.err.find("selected for removal"), std::string::npos) << silence << ": " << quiet.err;
    }
    // Every size was compared: the 30-second stop did not fire, and the report does not say it did.
    DorvaneRun automatic = runDorvaneBinary({"scan", "-q", "--auto-size", q(dir / "t")});
    EXPECT_NE(automatic.out.find("files of every size were examined"), std::string::npos) << automatic.out;
    EXPECT_EQ(automatic.out.find("30 s"), std::string::npos) << automatic.out;
}

TEST(MessagesCli, ANameThatIsNotUtf8IsKeptThroughScanReportAndRemoval) {
    TempDir dir;
    const std::string odd = dir / "t/b\xff.bin";
    dir.writeFile("t/a.bin", std::string(6000, 'z'));
    { std::ofstream(odd, std::ios::binary) << std::string(6000, 'z'); }
    ASSERT_TRUE(fs::exists(odd));
    // Auto Select keeps the oldest copy: the one with the plain name.
    fs::last_write_time(dir / "t/a.bin", fs::last_write_time(odd) - std::chrono::hours(1));

    DorvaneRun text = runDorvaneBinary({"scan", "-q", "--all-sizes", q(dir / "t")});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find(dir / "t/b\\xff.bin"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Names not UTF-8:    1"), std::string::npos) << text.out;

    DorvaneRun json = runDorvaneBinary({"scan", "-q", "--all-sizes", "--format", "json", q(dir / "t")});
    ASSERT_EQ(json.status, 0) << json.err;
    const QJsonObject report = parse(json.out);
    EXPECT_EQ(report["scan"].toObject()["invalid_utf8_names"].toInt(), 1);
    int withBytes = 0;
    for (const auto& c : report["categories"].toArray())
        for (const auto& g : c.toObject()["groups"].toArray())
            for (const auto& m : g.toObject()["members"].toArray()) {
                const QJsonObject member = m.toObject();
                if (!member.contains("path_bytes")) continue;
                ++withBytes;
                EXPECT_EQ(QByteArray::fromBase64(member["path_bytes"].toString().toLatin1()).toStdString(), odd);
                EXPECT_EQ(member["path"].toString().toStdString(), dir / "t/b\xef\xbf\xbd.bin");
            }
    EXPECT_EQ(withBytes, 1);

    DorvaneRun removed =
        runDorvaneBinary({"scan", "-q", "--all-sizes", "--select", "auto", "--remove", q(dir / "t")});
    ASSERT_EQ(removed.status, 0) << removed.out << removed.err;
    EXPECT_FALSE(fs::exists(odd));
    EXPECT_TRUE(fs::exists(dir / "t/a.bin"));
    EXPECT_NE(removed.out.find("Removed 1 of 1 copy"), std::string::npos) << removed.out;
    // The run's history stays readable.
    DorvaneRun history = runDorvaneBinary({"history"});
    EXPECT_EQ(history.status, 0) << history.err;
    EXPECT_NE(history.out.find("1 moved to the Trash"), std::string::npos) << history.out;
}

TEST(MessagesCli, RemovalRefusesDefaultsStandingInForABrokenSettingsFile) {
    TempDir dir;
    dir.writeFile("t/a.bin", std::string(5000, 'q'));
    dir.writeFile("t/b.bin", std::string(5000, 'q'));
    fs::create_directories(fs::path(settingsFile()).parent_path());
    { std::ofstream(settingsFile()) << "{ \"KEY_autoNeverSelect_folders\": [\"/srv\"], "; }

    DorvaneRun refused = runDorvaneBinary({"scan", "-q", "--all-sizes", "--select", "auto", "--remove", q(dir / "t")});
    EXPECT_EQ(refused.status, 3);
    EXPECT_NE(refused.err.find("the settings file " + settingsFile() + " is not valid JSON"), std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("--yes"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "t/a.bin") && fs::exists(dir / "t/b.bin"));
    // Looking is not removing: a dry run goes on.
    EXPECT_EQ(runDorvaneBinary({"scan", "-q", "--all-sizes", "--select", "auto", "--remove", "--dry-run", q(dir / "t")})
                  .status,
              0);

    DorvaneRun confirmed =
        runDorvaneBinary({"scan", "-q", "--yes", "--all-sizes", "--select", "auto", "--remove", q(dir / "t")});
    EXPECT_EQ(confirmed.status, 0) << confirmed.err;
    EXPECT_EQ(fs::exists(dir / "t/a.bin") + fs::exists(dir / "t/b.bin"), 1);

    // Changing a setting keeps the broken file as a backup and ends the refusal.
    EXPECT_EQ(runDorvaneBinary({"settings", "set", "min-size", "1K"}).status, 0);
    EXPECT_TRUE(fs::exists(settingsFile() + ".bak"));
    dir.writeFile("t/c.bin", std::string(5000, 'q'));
    EXPECT_EQ(runDorvaneBinary({"scan", "-q", "--all-sizes", "--select", "auto", "--remove", q(dir / "t")}).status, 0);
    fs::remove(settingsFile());
    fs::remove(settingsFile() + ".bak");
}
