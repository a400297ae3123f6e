// `dorvane restore` and `dorvane history --details` end to end, run as the real program in the test's
// own home (its Trash and its log folder): a generated tree removed to the Trash and restored byte for
// byte, two runs of one day, an occupied original place, and permanent removals restored from kept copies.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "support/DorvaneProcess.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
using Result = DorvaneRun;
Result dorvane(const QStringList& arguments) { return runDorvaneBinary(arguments); }

QString q(const std::string& s) { return QString::fromStdString(s); }

Result removeDuplicates(const std::string& tree, bool permanent = false) {
    QStringList arguments {"scan", "-q", "--full", "--all-sizes", "--no-folders", "--select", "auto", "--remove", "--yes",
                           "--format", "json", "-o", "/dev/null", q(tree)};
    if (permanent) arguments.insert(8, "--permanent");
    return dorvane(arguments);
}

// Every entry below the root: the bytes of files, the target of links, "" for folders.
std::map<std::string, std::string> snapshot(const std::string& root) {
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied);
         it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = fs::relative(it->path(), root).string();
        if (it->is_symlink()) entries[relative] = "-> " + fs::read_symlink(it->path()).string();
        else if (it->is_regular_file()) entries[relative] = readText(it->path().string());
        else entries[relative] = "";
    }
    return entries;
}

std::set<std::string> listFolder(const std::string& path) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(path, ec)) names.insert(e.path().filename().string());
    return names;
}

std::string trashFolder() { return testHome() + "/.local/share/Trash"; }

QJsonObject details(const QStringList& which) {
    Result r = dorvane(QStringList {"history", "--details"} + which + QStringList {"--format", "json"});
    EXPECT_EQ(r.status, 0) << r.err;
    return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
}

std::string logOf(const Result& removal) {
    const std::string prefix = "History written to ";
    const auto at = removal.out.find(prefix);
    EXPECT_NE(at, std::string::npos) << removal.out;
    if (at == std::string::npos) return {};
    return removal.out.substr(at + prefix.size(), removal.out.find('\n', at) - at - prefix.size());
}
}  // namespace

TEST(RestoreCli, ARemovedTreeComesBackByteForByteAndLeavesNothingInTheTrash) {
    TempDir dir;
    const std::string root = dir / "tree";
    ASSERT_EQ(runCommand("python3 '" DORVANE_MAKE_CORPUS "' '" + root + "' --files 200 --seed 41 --max-size 300000 --manifest '" +
                         (dir / "m.json") + "' >/dev/null 2>&1"),
              0);
    const auto before = snapshot(root);
    const auto trashFilesBefore = listFolder(trashFolder() + "/files");
    const auto trashInfoBefore = listFolder(trashFolder() + "/info");

    const Result removed = removeDuplicates(root);
    ASSERT_EQ(removed.status, 0) << removed.out << removed.err;
    ASSERT_NE(snapshot(root), before);
    const QJsonObject run = details({"--last"});
    const int count = run["counts"].toObject()["removed"].toInt();
    EXPECT_GT(count, 10);
    EXPECT_EQ(run["counts"].toObject()["restorable"].toInt(), count);

    const Result restored = dorvane({"restore", "--last"});
    EXPECT_EQ(restored.status, 0) << restored.out << restored.err;
    EXPECT_NE(restored.out.find("Restored " + std::to_string(count) + " of " + std::to_string(count) + " files."),
              std::string::npos)
        << restored.out;
    EXPECT_EQ(snapshot(root), before);
    EXPECT_EQ(listFolder(trashFolder() + "/files"), trashFilesBefore);
    EXPECT_EQ(listFolder(trashFolder() + "/info"), trashInfoBefore);

    // Every copy now reads as restored at its own place, and a second restore has nothing to do.
    const QJsonObject after = details({"--last"});
    EXPECT_EQ(after["counts"].toObject()["restored"].toInt(), count);
    for (const auto& g : after["groups"].toArray())
        for (const auto& r : g.toObject()["removed"].toArray())
            EXPECT_EQ(r.toObject()["restoredPath"], r.toObject()["path"]);
    const Result again = dorvane({"restore", "--last"});
    EXPECT_EQ(again.status, 0);
    EXPECT_NE(again.out.find("Restored 0 of " + std::to_string(count) + " files; " + std::to_string(count) +
                             " restored earlier."),
              std::string::npos)
        << again.out;
}

TEST(RestoreCli, TwoRunsOfADayAreRestoredApartAndAnOccupiedPlaceGetsARestoredName) {
    TempDir dir;
    dir.writeFile("one/a/photo.jpg", "first tree");
    dir.writeFile("one/b/photo.jpg", "first tree");
    dir.writeFile("two/a/notes.txt", "second tree");
    dir.writeFile("two/b/notes.txt", "second tree");
    const Result first = removeDuplicates(dir / "one");
    ASSERT_EQ(first.status, 0) << first.err;
    const Result second = removeDuplicates(dir / "two");
    ASSERT_EQ(second.status, 0) << second.err;
    const std::string firstLog = logOf(first);

    // Both runs are listed under one day, the newer first.
    const Result history = dorvane({"history", "--format", "json"});
    const QJsonArray days = QJsonDocument::fromJson(QByteArray::fromStdString(history.out)).object()["days"].toArray();
    ASSERT_GE(days.size(), 1);
    const QJsonArray logs = days[0].toObject()["logs"].toArray();
    ASSERT_GE(logs.size(), 2);
    EXPECT_EQ(logs[0].toObject()["file"].toString().toStdString(), logOf(second));
    EXPECT_EQ(logs[1].toObject()["file"].toString().toStdString(), firstLog);

    // The second run's copy: someone put another file at its place meanwhile.
    const bool secondRemovedA = !fs::exists(dir / "two/a/notes.txt");
    const std::string place = dir / (secondRemovedA ? "two/a/notes.txt" : "two/b/notes.txt");
    dir.writeFile(fs::relative(place, dir.path()).string(), "a new file");

    // Restoring the first run by its file name touches only the first tree.
    const Result restoredFirst = dorvane({"restore", q(fs::path(firstLog).filename().string())});
    EXPECT_EQ(restoredFirst.status, 0) << restoredFirst.out << restoredFirst.err;
    EXPECT_TRUE(fs::exists(dir / "one/a/photo.jpg") && fs::exists(dir / "one/b/photo.jpg"));
    EXPECT_EQ(readText(place), "a new file");

    const Result restoredSecond = dorvane({"restore", "--last"});
    EXPECT_EQ(restoredSecond.status, 0) << restoredSecond.out << restoredSecond.err;
    const std::string restoredName = fs::path(place).parent_path().string() + "/notes restored.txt";
    EXPECT_NE(restoredSecond.out.find("restored: " + place + " -> " + restoredName + " (from the Trash)"),
              std::string::npos)
        << restoredSecond.out;
    EXPECT_EQ(readText(restoredName), "second tree");
    EXPECT_EQ(readText(place), "a new file");
    // The restore under the new name is recognised afterwards.
    const QJsonObject run = details({"--last"});
    EXPECT_EQ(run["counts"].toObject()["restored"].toInt(), 1);
}

TEST(RestoreCli, PermanentlyRemovedCopiesComeBackOnlyFromAKeptCopy) {
    TempDir dir;
    dir.writeFile("p/a/song.mp3", std::string(5000, 's'));
    dir.writeFile("p/b/song.mp3", std::string(5000, 's'));
    dir.writeFile("p/c/clip.mov", std::string(7000, 'c'));
    dir.writeFile("p/d/clip.mov", std::string(7000, 'c'));
    const auto before = snapshot(dir / "p");
    const Result removed = removeDuplicates(dir / "p", true);
    ASSERT_EQ(removed.status, 0) << removed.err;

    // The clip's kept copy goes away too: that copy cannot come back.
    std::string keptClip = fs::exists(dir / "p/c/clip.mov") ? dir / "p/c/clip.mov" : dir / "p/d/clip.mov";
    std::string removedClip = keptClip == dir / "p/c/clip.mov" ? dir / "p/d/clip.mov" : dir / "p/c/clip.mov";
    fs::remove(keptClip);

    const Result restored = dorvane({"restore", "--last"});
    EXPECT_EQ(restored.status, 1) << restored.out;
    EXPECT_NE(restored.out.find("not restored: " + removedClip +
                                ": removed permanently, and no kept copy of it was found to restore from"),
              std::string::npos)
        << restored.out;
    EXPECT_NE(restored.out.find("Restored 1 of 2 files; 1 could not be restored."), std::string::npos) << restored.out;
    auto expected = before;
    expected.erase(fs::relative(keptClip, dir / "p").string());
    expected.erase(fs::relative(removedClip, dir / "p").string());
    EXPECT_EQ(snapshot(dir / "p"), expected);
}

TEST(RestoreCli, ClearingTheHistoryDeletesLogFilesOnly) {
    TempDir dir;
    const std::string log = R"({"date": "2019-05-04 12:00:00 GMT", "changes": {"1": {"removed": [{"path": "/a/x.txt"}]}}})";
    dir.writeFile("logs/2019-05-04 12.00.00 GMT.log", log);
    dir.writeFile("logs/2019-05-04 12.00.00 GMT 2.log", log);
    dir.writeFile("logs/2019-05-06 12.00.00 GMT.log", log);
    dir.writeFile("logs/notes.txt", "not a log");
    const std::string inTrash = dir.writeFile("Trash/files/x.txt", "still here");
    const QString logs = q(dir / "logs");

    const Result refused = dorvane({"history", "--clear", "--folder", logs});
    EXPECT_EQ(refused.status, 3);
    EXPECT_EQ(listFolder(dir / "logs").size(), 4u);
    const Result badDay = dorvane({"history", "--clear", "--day", "2019-5-4x", "--yes", "--folder", logs});
    EXPECT_EQ(badDay.status, 2);

    const Result oneDay = dorvane({"history", "--clear", "--day", "2019-05-04", "--yes", "--folder", logs});
    EXPECT_EQ(oneDay.status, 0) << oneDay.err;
    EXPECT_EQ(listFolder(dir / "logs"), (std::set<std::string> {"2019-05-06 12.00.00 GMT.log", "notes.txt"}));
    const Result all = dorvane({"history", "--clear", "--yes", "--folder", logs});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(listFolder(dir / "logs"), (std::set<std::string> {"notes.txt"}));
    EXPECT_EQ(readText(inTrash), "still here");
}

// A name holding the byte 0xFF, removed to the Trash: the Trash's record names it percent-encoded from
// the raw bytes, the history shows it as \xff with its exact bytes in JSON, and the copy comes back under
// its own bytes, alone when asked by its path (given as raw bytes), then with the rest of the run.
TEST(RestoreCli, ANameThatIsNotUtf8ComesBackByteForByteFromTheTrash) {
    TempDir dir;
    const std::string root = dir / "tree";
    ASSERT_EQ(runTreeGenerator("'" + root + "' --files 30 --seed 17 --max-size 40000 --manifest '" + (dir / "m.json") + "'"),
              0);
    const std::string odd = "\xFF name.bin";
    dir.writeFile("tree/Odd/" + odd, std::string(3000, 'o'));
    dir.writeFile("tree/Odder/" + odd, std::string(3000, 'o'));
    const auto before = snapshot(root);

    const Result removed = removeDuplicates(root);
    ASSERT_EQ(removed.status, 0) << removed.out << removed.err;
    const std::string a = root + "/Odd/" + odd, b = root + "/Odder/" + odd;
    ASSERT_NE(fs::exists(a), fs::exists(b));
    const std::string gone = fs::exists(a) ? b : a;

    // The Trash's record: every byte outside the unreserved ones and "/" as %XX.
    std::string encoded;
    for (unsigned char c : gone) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", c);
        encoded += std::isalnum(c) || std::strchr("-_.~/", c) ? std::string(1, static_cast<char>(c)) : std::string(hex);
    }
    ASSERT_NE(encoded.find("%FF%20name.bin"), std::string::npos);
    int records = 0;
    for (const auto& info : fs::directory_iterator(trashFolder() + "/info"))
        if (readText(info.path().string()).find("\nPath=" + encoded + "\n") != std::string::npos) ++records;
    EXPECT_EQ(records, 1);

    const QJsonObject run = details({"--last"});
    int found = 0;
    for (const auto& g : run["groups"].toArray())
        for (const auto& r : g.toObject()["removed"].toArray())
            if (r.toObject()["path_bytes"].toString().toStdString() == QByteArray::fromStdString(gone).toBase64().toStdString()) {
                ++found;
                EXPECT_EQ(r.toObject()["state"], "restorable");
                EXPECT_EQ(r.toObject()["source"], "trash");
            }
    EXPECT_EQ(found, 1);
    const Result text = dorvane({"history", "--details", "--last"});
    EXPECT_NE(text.out.find("\\xff name.bin  restorable from the Trash"), std::string::npos) << text.out;

    // By its path, as raw bytes on the command line.
    std::string out;
    const std::string relative = gone.substr(root.size() + 1, gone.size() - root.size() - 1 - odd.size());
    EXPECT_EQ(runCommand("cd '" + root + "' && '" DORVANE_BINARY "' restore --last \"" + relative +
                             "$(printf '\\377') name.bin\" </dev/null 2>&1",
                         &out),
              0)
        << out;
    EXPECT_NE(out.find("Restored 1 of 1 file."), std::string::npos) << out;
    EXPECT_EQ(readText(gone), std::string(3000, 'o'));

    const Result rest = dorvane({"restore", "--last"});
    EXPECT_EQ(rest.status, 0) << rest.out << rest.err;
    EXPECT_NE(rest.out.find("1 restored earlier"), std::string::npos) << rest.out;
    EXPECT_EQ(snapshot(root), before);
    for (const auto& info : fs::directory_iterator(trashFolder() + "/info"))
        EXPECT_EQ(readText(info.path().string()).find("\nPath=" + encoded + "\n"), std::string::npos) << info.path();
}
