// `dorvane history` over a folder with two logs of one day, one of another day, a corrupt log and
// files that are not logs; logs of one second; entries that must never be read (links, a FIFO, a
// device, a folder, a huge file). The command line's sources are not part of the core library, so the
// files of the command are compiled into this test.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/HistoryCommand.cpp"
#include "cli/HistoryDetails.cpp"
#include "cli/RestoreChoice.cpp"
#include "support/TestSupport.h"

namespace {
std::string logText(const std::string& date, const std::string& groups) {
    return "{\n  \"application\": \"Dorvane\",\n  \"date\": \"" + date + "\",\n  \"changes\": {\n" + groups + "\n  }\n}";
}

struct HistoryFolder {
    HistoryFolder() {
        setenv("TZ", "Etc/GMT-3", 1);
        tzset();
        // Morning run: two copies to the Trash and one kept; one group with nothing removed.
        dir.writeFile("2019-05-04 09.15.00 GMT+3.log",
                      logText("2019-05-04 09:15:00 GMT+3",
                              R"("1": {"kept": [{"path": "\/a\/k.jpg", "size": "3"}],
                                       "moved to trash": [{"path in trash": "\/t\/x.jpg", "original path": "\/a\/x.jpg"},
                                                          {"path in trash": "\/t\/y.jpg", "original path": "\/a\/y.jpg"}]},
                                 "2": {"kept": [{"path": "\/a\/only.jpg"}]})"));
        // Evening run of the same day: one removed permanently, two kept (one an older plain path).
        dir.writeFile("2019-05-04 21.40.10 GMT+3.log",
                      logText("2019-05-04 21:40:10 GMT+3",
                              R"("1": {"kept": [{"path": "\/b\/k.txt"}, "\/b\/old.txt"], "removed": [{"path": "\/b\/r.txt"}]})"));
        // Next day, logged before the zone was written.
        dir.writeFile("2019-05-05 08.00.00.log",
                      logText("2019-05-05 08:00:00", R"("1": {"removed": ["\/c\/gone.txt"]})"));
        dir.writeFile("2019-05-06 10.00.00 GMT+3.log", "{ \"application\": \"Dorvane\", \"changes\": {");
        dir.writeFile("notes.txt", "not a log");
        dir.writeFile("not a date.log", "{}");
    }
    TempDir dir;
};
}  // namespace

TEST(HistoryCommand, ListsDaysNewestFirstAndNamesTheCorruptLog) {
    HistoryFolder folder;
    const std::string corrupt = folder.dir / "2019-05-06 10.00.00 GMT+3.log";
    const std::string corruptBefore = readText(corrupt);

    std::ostringstream out, err;
    EXPECT_EQ(runHistoryCommand({"--folder", folder.dir.path()}, out, err), 1);
    EXPECT_EQ(out.str(),
              "2019-05-05  1 removal: 0 moved to the Trash, 1 removed permanently, 0 kept\n"
              "  08:00:00  0 moved to the Trash, 1 removed permanently, 0 kept  (2019-05-05 08.00.00.log)\n"
              "2019-05-04  2 removals: 2 moved to the Trash, 1 removed permanently, 3 kept\n"
              "  21:40:10  0 moved to the Trash, 1 removed permanently, 2 kept  (2019-05-04 21.40.10 GMT+3.log)\n"
              "  09:15:00  2 moved to the Trash, 0 removed permanently, 1 kept  (2019-05-04 09.15.00 GMT+3.log)\n");
    // One line, naming the file; the file itself is left as it was.
    const std::string message = err.str();
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);
    EXPECT_NE(message.find("dorvane: skipped " + corrupt + ": is not valid JSON"), std::string::npos)
        << message;
    EXPECT_EQ(readText(corrupt), corruptBefore);

    std::ostringstream json, jsonErr;
    EXPECT_EQ(runHistoryCommand({"--folder=" + folder.dir.path(), "--format", "json"}, json, jsonErr), 1);
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(json.str())).object();
    const QJsonArray days = root.value("days").toArray();
    ASSERT_EQ(days.size(), 2);
    const QJsonObject may4 = days.at(1).toObject();
    EXPECT_EQ(may4.value("day").toString(), "2019-05-04");
    EXPECT_EQ(may4.value("movedToTrash").toInt(), 2);
    EXPECT_EQ(may4.value("removedPermanently").toInt(), 1);
    EXPECT_EQ(may4.value("kept").toInt(), 3);
    EXPECT_EQ(may4.value("logs").toArray().size(), 2);
    EXPECT_EQ(root.value("skipped").toArray().at(0).toObject().value("file").toString().toStdString(), corrupt);
}

TEST(HistoryCommand, EmptyHistoryAndBadUsage) {
    TempDir empty;
    std::ostringstream out, err;
    EXPECT_EQ(runHistoryCommand({"--folder", empty.path()}, out, err), 0);
    EXPECT_EQ(out.str(), "No removals recorded in " + empty.path() + "\n");
    EXPECT_EQ(runHistoryCommand({"--format", "xml"}, out, err), 2);
    EXPECT_EQ(runHistoryCommand({"--folder"}, out, err), 2);
}

TEST(HistoryCommand, LogsOfOneSecondAreListedLatestFirst) {
    setenv("TZ", "Etc/GMT-3", 1);
    tzset();
    TempDir dir;
    const std::string group = R"("1": {"removed": ["\/c\/gone.txt"]})";
    for (const char* name : {"2019-05-04 09.15.00 GMT+3.log", "2019-05-04 09.15.00 GMT+3 2.log",
                             "2019-05-04 09.15.00 GMT+3 10.log", "2019-05-04 09.15.00 2.log"})
        dir.writeFile(name, logText("2019-05-04 09:15:00 GMT+3", group));
    // Not numbered logs: a zero, a leading zero, a word.
    for (const char* name : {"2019-05-04 09.15.00 GMT+3 0.log", "2019-05-04 09.15.00 GMT+3 02.log",
                             "2019-05-04 09.15.00 GMT+3 copy.log"})
        dir.writeFile(name, logText("2019-05-04 09:15:00 GMT+3", group));
    std::ostringstream out, err;
    EXPECT_EQ(runHistoryCommand({"--folder", dir.path()}, out, err), 0) << err.str();
    EXPECT_EQ(out.str(),
              "2019-05-04  4 removals: 0 moved to the Trash, 4 removed permanently, 0 kept\n"
              "  09:15:00  0 moved to the Trash, 1 removed permanently, 0 kept  (2019-05-04 09.15.00 GMT+3 10.log)\n"
              "  09:15:00  0 moved to the Trash, 1 removed permanently, 0 kept  (2019-05-04 09.15.00 GMT+3 2.log)\n"
              "  09:15:00  0 moved to the Trash, 1 removed permanently, 0 kept  (2019-05-04 09.15.00 2.log)\n"
              "  09:15:00  0 moved to the Trash, 1 removed permanently, 0 kept  (2019-05-04 09.15.00 GMT+3.log)\n");
}

TEST(HistoryCommand, OnlyRegularFilesOfBoundedSizeAreReadTheOthersAreNamed) {
    setenv("TZ", "Etc/GMT-3", 1);
    tzset();
    TempDir dir;
    const std::string valid = dir.writeFile("2019-05-04 09.15.00 GMT+3.log",
                                            logText("2019-05-04 09:15:00 GMT+3", R"("1": {"removed": ["\/c\/a.txt"]})"));
    const std::string toZero = dir / "2019-05-05 10.00.00 GMT+3.log";
    ASSERT_EQ(symlink("/dev/zero", toZero.c_str()), 0);
    const std::string toLog = dir / "2019-05-05 10.30.00 GMT+3.log";
    ASSERT_EQ(symlink(valid.c_str(), toLog.c_str()), 0);
    const std::string fifo = dir / "2019-05-05 11.00.00 GMT+3.log";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = dir.writeFile("2019-05-05 12.00.00 GMT+3.log", "{");
    std::filesystem::resize_file(huge, RemovalHistoryReader::kMaxLogBytes + 1);  // sparse: no disk used
    const std::string folderLog = dir.makeFolder("2019-05-05 13.00.00 GMT+3.log");
    // Exactly at the limit is still read (and here is not JSON).
    const std::string atLimit = dir.writeFile("2019-05-05 14.00.00 GMT+3.log", "{");
    std::filesystem::resize_file(atLimit, RemovalHistoryReader::kMaxLogBytes);

    std::ostringstream out, err;
    EXPECT_EQ(runHistoryCommand({"--folder", dir.path()}, out, err), 1);
    EXPECT_EQ(out.str(),
              "2019-05-04  1 removal: 0 moved to the Trash, 1 removed permanently, 0 kept\n"
              "  09:15:00  0 moved to the Trash, 1 removed permanently, 0 kept  (2019-05-04 09.15.00 GMT+3.log)\n");
    const std::string message = err.str();
    for (const std::string& line : {"dorvane: skipped " + toZero + ": a symbolic link, not a regular file\n",
                                    "dorvane: skipped " + toLog + ": a symbolic link, not a regular file\n",
                                    "dorvane: skipped " + fifo + ": not a regular file\n",
                                    "dorvane: skipped " + huge + ": larger than 64 MiB\n",
                                    "dorvane: skipped " + folderLog + ": not a regular file\n",
                                    "dorvane: skipped " + atLimit + ": is not valid JSON"})
        EXPECT_NE(message.find(line), std::string::npos) << line << "\nin:\n" << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 6) << message;
    // Nothing was changed: the FIFO and the links are still there.
    struct stat st {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(lstat(toZero.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}
