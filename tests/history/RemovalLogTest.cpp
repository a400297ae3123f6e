// The removal log: the exact JSON layout, the recorder's run (nothing removed, logging off, real
// groups), reading the file objects back, and the date formats. Runs with TZ at GMT+3.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "history/AppBundle.h"
#include "history/JArray.h"
#include "history/JObject.h"
#include "history/JTextValue.h"
#include "history/KeptItem.h"
#include "history/LogManager.h"
#include "history/PermanentlyRemovedItem.h"
#include "history/RemoveDate.h"
#include "history/RestoreItem.h"
#include "history/VXLog.h"
#include "history/VXLogFactory.h"
#include "history/VXLogGroup.h"
#include "history/WritableLog.h"
#include "history/WriterToJSON.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "results/ResultsTree.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
constexpr std::int64_t kMay4 = 1557000000;  // 2019-05-04 20:00:00 UTC, 23:00:00 at GMT+3

std::vector<std::string> logFiles() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(*VXLogFactory::logFolderPath(), ec))
        names.push_back(entry.path().filename().string());
    return names;
}

VXLogItem item(std::string path, std::uint64_t size, std::optional<std::int64_t> date, bool folder = false) {
    VXLogItem i;
    i.path = std::move(path);
    i.fileItemSize = size;
    i.modificationDate = date;
    i.isDirectory = folder;
    return i;
}

std::string writeJson(const std::shared_ptr<JValue>& value) {
    std::string out;
    WriterToJSON().writeValue(value, [&out](const std::string& piece) { out += piece; });
    return out;
}

struct RemovalLogFixture : ::testing::Test {
    void SetUp() override {
        setenv("TZ", "Etc/GMT-3", 1);  // POSIX sign: three hours east of UTC
        tzset();
        settings = std::make_shared<Settings>(settingsDir / "settings.json");
        Settings::setStandard(settings);
        fs::remove_all(*VXLogFactory::logFolderPath());
    }
    void TearDown() override {
        LogManager::shared().waitUntilSaved();
        Settings::setStandard(nullptr);
    }
    TempDir settingsDir;
    std::shared_ptr<Settings> settings;
};
}  // namespace

TEST_F(RemovalLogFixture, WrittenRunHasTheExactLayout) {
    auto first = std::make_shared<VXLogGroup>(7);
    first->addItem(item("/data/a \"quoted\"\\back/keep.jpg", 10, kMay4));
    first->addItem(item("/data/b/copy.jpg", 10, kMay4));
    first->addItem(item("/data/c/gone", 0, std::nullopt, true));
    auto second = std::make_shared<VXLogGroup>(9);
    second->addItem(item("/data/d/only.jpg", 5, kMay4 + 61));

    VXLog& log = VXLog::shared();
    log.beginLogOfGroupRecords({first, second});
    log.onItemWithPathInGroup(7, "/data/b/copy.jpg", std::string("/t/files/copy.jpg"));
    log.onItemWithPathInGroup(7, "/data/c/gone", std::nullopt);
    log.onItemWithPathInGroup(8, "/data/b/copy.jpg", std::nullopt);  // unknown group: ignored
    log.endLog();
    EXPECT_FALSE(log.groupWithIdentifier(7));
    LogManager::shared().waitUntilSaved();

    const auto names = logFiles();
    ASSERT_EQ(names.size(), 1u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(names[0], m, std::regex(R"((\d{4}-\d{2}-\d{2}) (\d{2})\.(\d{2})\.(\d{2}) GMT\+3\.log)")))
        << names[0];
    const std::string date = m[1].str() + " " + m[2].str() + ":" + m[3].str() + ":" + m[4].str() + " GMT+3";

    const std::string expected =
        "{\n"
        "  \"application\": \"" + app_bundle::appNameWithReleaseAndBuildNumber() + "\",\n"
        "  \"date\": \"" + date + "\",\n"
        "  \"changes\": {\n"
        "    \"1\": {\n"
        "      \"kept\": [\n"
        "        {\n"
        "          \"path\": \"\\/data\\/a \\\"quoted\\\"\\\\back\\/keep.jpg\",\n"
        "          \"size\": \"10\",\n"
        "          \"date_mod\": \"2019-05-04 23:00:00 GMT+3\",\n"
        "          \"isDirectory\": \"0\"\n"
        "        }\n"
        "      ],\n"
        "      \"removed\": [\n"
        "        {\n"
        "          \"path\": \"\\/data\\/c\\/gone\",\n"
        "          \"size\": \"0\",\n"
        "          \"isDirectory\": \"1\"\n"
        "        }\n"
        "      ],\n"
        "      \"moved to trash\": [\n"
        "        {\n"
        "          \"path in trash\": \"\\/t\\/files\\/copy.jpg\",\n"
        "          \"original path\": \"\\/data\\/b\\/copy.jpg\",\n"
        "          \"size\": \"10\",\n"
        "          \"date_mod\": \"2019-05-04 23:00:00 GMT+3\",\n"
        "          \"isDirectory\": \"0\"\n"
        "        }\n"
        "      ]\n"
        "    },\n"
        "    \"2\": {\n"
        "      \"kept\": [\n"
        "        {\n"
        "          \"path\": \"\\/data\\/d\\/only.jpg\",\n"
        "          \"size\": \"5\",\n"
        "          \"date_mod\": \"2019-05-04 23:01:01 GMT+3\",\n"
        "          \"isDirectory\": \"0\"\n"
        "        }\n"
        "      ]\n"
        "    }\n"
        "  }\n"
        "}";
    const std::string path = *VXLogFactory::logFolderPath() + "/" + names[0];
    EXPECT_EQ(readText(path), expected);

    // A standard parser reads the paths back unchanged, into the record item of each array.
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(readText(path))).object();
    const QJsonObject group = root.value("changes").toObject().value("1").toObject();
    const auto kept = KeptItem::itemFromJsonObject(group.value("kept").toArray().at(0));
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->originalPath(), "/data/a \"quoted\"\\back/keep.jpg");
    EXPECT_EQ(kept->fileSize(), 10);
    EXPECT_EQ(kept->originalFileModificationDate(), kMay4);
    const auto removed = PermanentlyRemovedItem::itemFromJsonObject(group.value("removed").toArray().at(0));
    ASSERT_TRUE(removed);
    EXPECT_TRUE(removed->isDirectory());
    EXPECT_FALSE(removed->originalFileModificationDate());
    const auto trashed = RestoreItem::itemFromJsonObject(group.value("moved to trash").toArray().at(0));
    ASSERT_TRUE(trashed);
    EXPECT_EQ(trashed->originalPath(), "/data/b/copy.jpg");
    EXPECT_EQ(trashed->pathInTrash(), "/t/files/copy.jpg");
    EXPECT_FALSE(RestoreItem::itemFromJsonObject(group.value("kept").toArray().at(0)));
}

TEST_F(RemovalLogFixture, WriterOrdersKeysAndWritesEmptyContainersOnTheirOwnLines) {
    auto object = std::make_shared<JObject>();
    object->setValueForKey(JTextValue::withText("z"), "unordered");
    object->setValueForKey(std::make_shared<JArray>(), "empty array");
    object->setSortOrderForKey(2, "empty array");
    object->setValueForKey(std::make_shared<JObject>(), "empty object");
    object->setSortOrderForKey(1, "empty object");
    object->setValueForKey(JTextValue::withText("tab\there\nline\rcr\bbs\fff"), "controls");
    object->setSortOrderForKey(3, "controls");
    object->setSortOrderForKey(0, "never set");  // an order without a value writes nothing
    EXPECT_EQ(writeJson(object),
              "{\n"
              "  \"empty object\": {\n"
              "    },\n"
              "  \"empty array\": [\n"
              "    ],\n"
              "  \"controls\": \"tab\\there\\nline\\rcr\\bbs\\fff\",\n"
              "  \"unordered\": \"z\"\n"
              "}");
    EXPECT_EQ(writeJson(JTextValue::withText("\xC3\xBC/")), "\"\xC3\xBC\\/\"");
}

TEST_F(RemovalLogFixture, TrashedFileWithoutTrashPathHasNoSuchMember) {
    VXLog::shared();  // hands the removal-log factory to the log manager
    LogManager::shared().beginLog();
    const auto current = LogManager::shared().currentLog();
    ASSERT_TRUE(current);
    LogConfigurator file;
    file.path = "/x/y.jpg";
    file.size = 3;
    current->inGroupWithIdFileMovedToTrashWithPath("4", std::nullopt, file);
    LogManager::shared().endLog();
    LogManager::shared().waitUntilSaved();
    const auto names = logFiles();
    ASSERT_EQ(names.size(), 1u);
    const std::string text = readText(*VXLogFactory::logFolderPath() + "/" + names[0]);
    EXPECT_NE(text.find("      \"moved to trash\": [\n"
                        "        {\n"
                        "          \"original path\": \"\\/x\\/y.jpg\",\n"
                        "          \"size\": \"3\",\n"
                        "          \"isDirectory\": \"0\"\n"
                        "        }\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("path in trash"), std::string::npos);
}

// A name that is not UTF-8 is shown with U+FFFD and recorded exactly beside it; readers take the exact
// bytes, while an older log (no bytes member) or a bytes member that does not match its text reads the
// text as before.
TEST_F(RemovalLogFixture, PathsThatAreNotUtf8AreRecordedExactlyAndReadBack) {
    const std::string kept = "/data/a/caf\xE9.jpg", trashed = "/data/b/\xFF\xFEname.jpg",
                      inTrash = "/t/files/\xFF\xFEname.jpg", removed = "/data/c/ok\xC3\xA9\x80.jpg";
    auto group = std::make_shared<VXLogGroup>(3);
    group->addItem(item(kept, 10, kMay4));
    group->addItem(item(trashed, 10, kMay4));
    group->addItem(item(removed, 10, kMay4));
    group->addItem(item("/data/d/plain \xC3\xBC.jpg", 10, kMay4));
    VXLog& log = VXLog::shared();
    log.beginLogOfGroupRecords({group});
    log.onItemWithPathInGroup(3, trashed, inTrash);
    log.onItemWithPathInGroup(3, removed, std::nullopt);
    ASSERT_TRUE(log.endLog().isWritten());
    LogManager::shared().waitUntilSaved();
    const auto names = logFiles();
    ASSERT_EQ(names.size(), 1u);
    const std::string text = readText(*VXLogFactory::logFolderPath() + "/" + names[0]);

    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text));
    ASSERT_TRUE(document.isObject()) << text;
    const QJsonObject changes = document.object()["changes"].toObject()["1"].toObject();
    ASSERT_EQ(changes["kept"].toArray().size(), 2);
    std::set<std::string> keptPaths;
    for (const auto& v : changes["kept"].toArray()) {
        const auto k = KeptItem::itemFromJsonObject(v);
        ASSERT_TRUE(k);
        keptPaths.insert(k->originalPath());
    }
    EXPECT_EQ(keptPaths, (std::set<std::string> {kept, "/data/d/plain \xC3\xBC.jpg"}));
    const auto r = RestoreItem::itemFromJsonObject(changes["moved to trash"].toArray().at(0));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->originalPath(), trashed);
    EXPECT_EQ(r->pathInTrash(), inTrash);
    const auto p = PermanentlyRemovedItem::itemFromJsonObject(changes["removed"].toArray().at(0));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->originalPath(), removed);
    // Valid UTF-8 gets no bytes member; the others get theirs after the file's details.
    EXPECT_EQ(text.find("plain \xC3\xBC.jpg\",\n          \"size\": \"10\",\n          \"date_mod\": \"2019-05-04 23:00:00 "
                        "GMT+3\",\n          \"isDirectory\": \"0\"\n        }"),
              text.find("plain")) << text;
    const auto written = [](const std::string& path) {  // base64 as the writer puts it, "/" as "\/"
        std::string out;
        for (char c : QByteArray::fromStdString(path).toBase64().toStdString()) out += c == '/' ? std::string("\\/") : std::string(1, c);
        return out;
    };
    EXPECT_NE(text.find("\"isDirectory\": \"0\",\n          \"path in trash bytes\": \"" + written(inTrash) +
                        "\",\n          \"original path bytes\": \"" + written(trashed) + "\"\n"),
              std::string::npos) << text;

    const auto parse = [](const std::string& json) {
        return QJsonDocument::fromJson(QByteArray::fromStdString(json)).array().at(0);
    };
    // An older log: the U+FFFD text is all there is.
    const auto older = KeptItem::itemFromJsonObject(parse("[{\"path\": \"/a/caf\xEF\xBF\xBD.jpg\"}]"));
    ASSERT_TRUE(older);
    EXPECT_EQ(older->originalPath(), "/a/caf\xEF\xBF\xBD.jpg");
    // Bytes that do not show as the text, or that are not base64, are not used.
    const std::string other = QByteArray("/a/other\xE9.jpg").toBase64().toStdString();
    EXPECT_EQ(KeptItem::itemFromJsonObject(parse("[{\"path\": \"/a/caf\xEF\xBF\xBD.jpg\", \"path bytes\": \"" + other + "\"}]"))
                  ->originalPath(),
              "/a/caf\xEF\xBF\xBD.jpg");
    EXPECT_EQ(KeptItem::itemFromJsonObject(parse("[{\"path\": \"/a/caf\xEF\xBF\xBD.jpg\", \"path bytes\": \"%%%\"}]"))
                  ->originalPath(),
              "/a/caf\xEF\xBF\xBD.jpg");
}

TEST_F(RemovalLogFixture, NothingRemovedOrLoggingOffWritesNoFile) {
    auto group = std::make_shared<VXLogGroup>(1);
    group->addItem(item("/d/a.jpg", 1, kMay4));
    group->addItem(item("/d/b.jpg", 1, kMay4));
    VXLog& log = VXLog::shared();

    log.beginLogOfGroupRecords({group});
    EXPECT_TRUE(log.groupWithIdentifier(1));
    log.endLog();
    LogManager::shared().waitUntilSaved();
    EXPECT_FALSE(log.groupWithIdentifier(1));
    EXPECT_TRUE(logFiles().empty());

    settings->setLogRemovedDuplicates(false);
    log.beginLogOfGroupRecords({group});
    EXPECT_FALSE(log.isLoggingTurnOn());
    log.onItemWithPathInGroup(1, "/d/a.jpg", std::string("/t/a.jpg"));
    EXPECT_FALSE(log.hasRemovedItems());
    log.endLog();
    LogManager::shared().waitUntilSaved();
    EXPECT_TRUE(logFiles().empty());
}

TEST_F(RemovalLogFixture, RecordsRealGroupsFromTheResultsModel) {
    TempDir files;
    files.writeFile("a.jpg", "same");
    files.writeFile("b.jpg", "same");
    ResultsTree tree(files.path());
    auto container = std::make_shared<DuplicatesContainer>(true, nullptr);
    auto group = container->addGroupWithItems({tree.file("a.jpg", 4), tree.file("b.jpg", 4)});
    ASSERT_TRUE(group);
    const auto members = group->getItems();
    ASSERT_EQ(members.size(), 2u);
    const std::int64_t modified = members[1]->getLastModificationDate();

    VXLog& log = VXLog::shared();
    log.beginLogOfGroups({group});
    log.onItem(members[1], "/trash/files/b.jpg");
    log.endLog();
    LogManager::shared().waitUntilSaved();

    const auto names = logFiles();
    ASSERT_EQ(names.size(), 1u);
    const QJsonObject root =
        QJsonDocument::fromJson(QByteArray::fromStdString(readText(*VXLogFactory::logFolderPath() + "/" + names[0])))
            .object();
    const QJsonObject saved = root.value("changes").toObject().value("1").toObject();
    const auto kept = KeptItem::itemFromJsonObject(saved.value("kept").toArray().at(0));
    const auto trashed = RestoreItem::itemFromJsonObject(saved.value("moved to trash").toArray().at(0));
    ASSERT_TRUE(kept && trashed);
    EXPECT_EQ(kept->originalPath(), files / "a.jpg");
    EXPECT_EQ(trashed->originalPath(), files / "b.jpg");
    EXPECT_EQ(trashed->pathInTrash(), "/trash/files/b.jpg");
    EXPECT_EQ(trashed->fileSize(), 4);
    EXPECT_EQ(trashed->originalFileModificationDate(), modified);
    container->saveRoots(tree.roots());
}

TEST(RemovalLogItems, OlderAndIncompleteFileObjectsReadBack) {
    const auto parse = [](const char* json) { return QJsonDocument::fromJson(json).array().at(0); };
    // No size, no flag: size unknown, a path without extension is a folder.
    const auto noSize = KeptItem::itemFromJsonObject(parse(R"([{"path": "/a/folder"}])"));
    ASSERT_TRUE(noSize);
    EXPECT_EQ(noSize->fileSize(), -1);
    EXPECT_TRUE(noSize->isDirectory());
    // A plain path string: kept or removed, never trashed.
    EXPECT_TRUE(PermanentlyRemovedItem::itemFromJsonObject(parse(R"(["/a/b.txt"])")));
    EXPECT_FALSE(PermanentlyRemovedItem::itemFromJsonObject(parse(R"(["/a/b.txt"])"))->isDirectory());
    EXPECT_FALSE(RestoreItem::itemFromJsonObject(parse(R"(["/a/b.txt"])")));
    // Without its path key, or a trashed one without its Trash path: no item.
    EXPECT_FALSE(KeptItem::itemFromJsonObject(parse(R"([{"original path": "/a"}])")));
    EXPECT_FALSE(RestoreItem::itemFromJsonObject(parse(R"([{"original path": "/a/b.txt", "size": "3"}])")));
    // An unparsable date leaves the date absent; the item stays.
    const auto badDate = KeptItem::itemFromJsonObject(parse(R"([{"path": "/a.txt", "date_mod": "yesterday"}])"));
    ASSERT_TRUE(badDate);
    EXPECT_FALSE(badDate->originalFileModificationDate());
}

TEST(RemoveDateFormats, ZoneStyleAndEveryAcceptedFormatRoundTrip) {
    EXPECT_EQ(remove_date::zoneText(0), "GMT");
    EXPECT_EQ(remove_date::zoneText(3 * 3600), "GMT+3");
    EXPECT_EQ(remove_date::zoneText(-4 * 3600), "GMT-4");
    EXPECT_EQ(remove_date::zoneText(5 * 3600 + 1800), "GMT+5:30");
    EXPECT_EQ(remove_date::zoneText(-(9 * 3600 + 1800)), "GMT-9:30");
    for (int offset : {0, 3 * 3600, -4 * 3600, 5 * 3600 + 1800, -(9 * 3600 + 1800), 14 * 3600})
        EXPECT_EQ(remove_date::zoneOffsetFromText(remove_date::zoneText(offset)), offset) << offset;
    EXPECT_EQ(remove_date::zoneOffsetFromText("GMT+03:00"), 3 * 3600);
    EXPECT_EQ(remove_date::zoneOffsetFromText("UTC"), 0);
    EXPECT_EQ(remove_date::zoneOffsetFromText("PDT"), -7 * 3600);
    EXPECT_FALSE(remove_date::zoneOffsetFromText("Mars"));

    setenv("TZ", "Etc/GMT-3", 1);
    tzset();
    EXPECT_EQ(remove_date::removeDateToString(kMay4), "2019-05-04 23.00.00 GMT+3");
    EXPECT_EQ(remove_date::stringWithDate(kMay4), "2019-05-04 23:00:00 GMT+3");
    for (const char* text : {"2019-05-04 23:00:00 GMT+3", "2019-05-04 23.00.00 GMT+3", "2019-05-04 23:00:00",
                             "2019-05-04 23.00.00", "2019-05-04 20:00:00 GMT", "2019-05-04 16.00.00 GMT-4",
                             "2019-05-05 01:30:00 GMT+5:30"})
        EXPECT_EQ(remove_date::removeDateFromString(text), kMay4) << text;
    for (const char* text : {"2019-05-04 23:00.00 GMT+3", "2019-05-04", "2019-13-04 23:00:00", "notes",
                             "2019-05-04 23:00:00 GMT+3 extra", "2019-05-04 23:00:00 Mars", ""})
        EXPECT_FALSE(remove_date::removeDateFromString(text)) << text;

    // At a zone with a half-hour offset the name still parses back to the same second.
    setenv("TZ", "Asia/Kolkata", 1);
    tzset();
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    EXPECT_EQ(remove_date::removeDateFromString(remove_date::removeDateToString(now)), now);
    setenv("TZ", "Etc/GMT-3", 1);
    tzset();
}
