// The History window's logic on a log written by hand: which files can be ticked, the messages when
// nothing can be restored, pointing out an original (a mismatch is refused, a match makes the file
// restorable), and a restore into another folder with its per-file results.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/HistoryBrowser.h"
#include "history/RemoveDate.h"
#include "support/TestSupport.h"

namespace {
const std::int64_t kRemovedAt = QDateTime::currentSecsSinceEpoch() - 3600;
const std::int64_t kModifiedAt = kRemovedAt - 86400;

QJsonObject record(const std::string& path, std::size_t size) {
    QJsonObject o;
    o.insert(QStringLiteral("path"), QString::fromStdString(path));
    o.insert(QStringLiteral("size"), QString::number(size));
    o.insert(QStringLiteral("date_mod"), QString::fromStdString(remove_date::stringWithDate(kModifiedAt)));
    o.insert(QStringLiteral("isDirectory"), QStringLiteral("0"));
    return o;
}

QJsonObject group(QJsonArray kept, QJsonArray removed) {
    QJsonObject g;
    g.insert(QStringLiteral("kept"), kept);
    g.insert(QStringLiteral("removed"), removed);
    g.insert(QStringLiteral("moved to trash"), QJsonArray());
    return g;
}

std::string file(const TempDir& dir, const std::string& relative, const std::string& content, std::int64_t mtime = kModifiedAt) {
    const std::string path = dir.writeFile(relative, content);
    const struct timespec times[2] = {{static_cast<time_t>(mtime), 0}, {static_cast<time_t>(mtime), 0}};
    EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    return path;
}

bool waitForJob(HistoryBrowser& browser) {
    return runMainLoopUntil([&] { return browser.poll() || !browser.isBusy(); });
}

const HistoryFileRow* rowFor(const HistoryBrowser& browser, const std::string& path, std::size_t* index = nullptr) {
    for (const auto& run : browser.runs())
        for (std::size_t i = 0; i < run.files.size(); ++i)
            if (run.files[i].item && run.files[i].path.ends_with(path)) {
                if (index) *index = i;
                return &run.files[i];
            }
    return nullptr;
}
}  // namespace

TEST(HistoryBrowser, OnlyRestorableFilesAreTickedAndAPointedOutOriginalMustMatch) {
    TempDir dir;
    const std::string kept = file(dir, "keep.txt", "hello");
    QJsonObject changes;
    changes.insert(QStringLiteral("1"), group(QJsonArray {record(kept, 5)}, QJsonArray {record(dir / "gone.txt", 5)}));
    changes.insert(QStringLiteral("2"), group(QJsonArray {record(dir / "nowhere.txt", 7)}, QJsonArray {record(dir / "lost.txt", 7)}));
    QJsonObject root;
    root.insert(QStringLiteral("date"), QString::fromStdString(remove_date::stringWithDate(kRemovedAt)));
    root.insert(QStringLiteral("changes"), changes);
    dir.writeFile("Removed/" + remove_date::removeDateToString(kRemovedAt) + ".log", QJsonDocument(root).toJson().toStdString());

    HistoryBrowser browser(dir / "Removed");
    ASSERT_EQ(browser.dayCount(), 1u);
    browser.chooseDay(0);
    ASSERT_TRUE(waitForJob(browser));
    ASSERT_EQ(browser.runs().size(), 1u);
    EXPECT_EQ(browser.removedCount(), 2);
    EXPECT_EQ(browser.restorableCount(), 1);
    std::size_t gone = 0, lost = 0;
    ASSERT_NE(rowFor(browser, "/gone.txt", &gone), nullptr);
    ASSERT_NE(rowFor(browser, "/lost.txt", &lost), nullptr);
    EXPECT_EQ(rowFor(browser, "/gone.txt")->state, HistoryFileState::FromKeptCopy);
    EXPECT_EQ(rowFor(browser, "/lost.txt")->stateText, "not restorable: removed permanently, and no kept copy found");

    EXPECT_EQ(browser.restoreTicked(std::nullopt).informativeText, "Tick the files to restore first.");
    EXPECT_FALSE(browser.setTicked(0, lost, true));
    EXPECT_TRUE(browser.messageForUnrestorable(0, gone).empty());
    const HistoryMessage offer = browser.messageForUnrestorable(0, lost);
    EXPECT_EQ(offer.message, "Cannot restore file \"lost.txt\"");
    EXPECT_EQ(offer.informativeText, "Any copy for the duplicate was not found.\nWould you like to find a file to restore manually?");
    EXPECT_TRUE(offer.offersFindFile);

    // Same size, a date 2 s after the recorded one and after the removal: not the original.
    const std::string late = file(dir, "elsewhere/late.txt", "abcdefg", kRemovedAt + 10);
    const HistoryMessage refused = browser.useAsOriginal(0, lost, late);
    EXPECT_EQ(refused.message, "File \"late.txt\" is not the original for the removed duplicate");
    EXPECT_EQ(refused.informativeText, "File size or modification date is different. Would you like to choose another one?");
    EXPECT_FALSE(browser.isBusy());
    const std::string match = file(dir, "elsewhere/found.txt", "abcdefg");
    EXPECT_TRUE(browser.useAsOriginal(0, lost, match).empty());
    ASSERT_TRUE(waitForJob(browser));
    EXPECT_EQ(rowFor(browser, "/lost.txt")->state, HistoryFileState::FromChosenFile);
    EXPECT_EQ(browser.restorableCount(), 2);

    // Both into another folder, each with its result; the sources stay.
    browser.setAllTicked(true);
    EXPECT_EQ(browser.tickedCount(), 2);
    const std::string to = dir.makeFolder("to");
    ASSERT_TRUE(browser.restoreTicked(to).empty());
    EXPECT_TRUE(browser.isBusy());
    EXPECT_FALSE(browser.setTicked(0, gone, false));  // no ticking while it runs
    ASSERT_TRUE(waitForJob(browser));
    EXPECT_EQ(browser.lastRestoreSummary(), "Restored 2 of 2 files.");
    EXPECT_EQ(readText(to + "/gone.txt"), "hello");
    EXPECT_EQ(readText(to + "/lost.txt"), "abcdefg");
    EXPECT_EQ(readText(kept), "hello");
    EXPECT_EQ(readText(match), "abcdefg");
    EXPECT_EQ(rowFor(browser, "/gone.txt")->result, "Restored as " + to + "/gone.txt");
    // Copies put into another folder leave their originals' places empty: still restorable, still ticked.
    EXPECT_EQ(rowFor(browser, "/gone.txt")->state, HistoryFileState::FromKeptCopy);
    EXPECT_EQ(browser.tickedCount(), 2);
    EXPECT_TRUE(browser.takeMessage().empty());
}
