// The History window end to end in the test's private home: a generated tree scanned by the window,
// its copies removed to the private Trash by the core's removal run, then every file of the day ticked in
// the history model and restored by the Restore button; and a file with nothing left to restore from,
// brought back from an original pointed out after a wrong one. The removal step's command-line source is not
// part of the core library, so it is compiled into this test.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeView>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "app/HistoryBrowser.h"
#include "cli/Format.cpp"
#include "cli/RemoveRun.cpp"
#include "detection/FileType.h"
#include "gui/HistoryModel.h"
#include "gui/HistoryWindow.h"
#include "gui/MainWindow.h"
#include "gui/WelcomeView.h"
#include "history/RemoveDate.h"
#include "history/VXLogFactory.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
std::map<std::string, std::string> snapshot(const std::string& root) {
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = fs::relative(it->path(), root).string();
        if (it->is_regular_file()) {
            std::ifstream in(it->path(), std::ios::binary);
            std::stringstream s;
            s << in.rdbuf();
            entries[relative] = s.str();
        } else {
            entries[relative] = it->is_directory() ? "<folder>" : "<other>";
        }
    }
    return entries;
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) names.insert(e.path().filename().string());
    return names;
}

class HistoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings::setStandard(std::make_shared<Settings>(dir / "settings.json"));
        fs::remove_all(*VXLogFactory::logFolderPath());
    }
    void TearDown() override {
        drainMainLoop();
        Settings::setStandard(nullptr);
        fs::remove_all(*VXLogFactory::logFolderPath());
    }

    // Scans the tree in the window and removes every copy but the first of each file group to the Trash;
    // answers how many were removed.
    std::size_t scanAndRemove(const std::string& root) {
        Settings& settings = Settings::standard();
        settings.setDefineMinimalDuplicatesFileSizeAutomatically(false);
        settings.setMinDuplicatesFileSize(1);
        MainWindow window;
        window.controller().setDelays(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
        EXPECT_TRUE(window.controller().addFolder(root));
        window.controller().scanFromWelcome(false);
        EXPECT_TRUE(runMainLoopUntil([&] { return window.controller().screen() == WindowScreen::Results; }));
        const auto container = window.controller().container();
        if (!container) return 0;
        std::size_t selected = 0;
        for (DuplicatesCategory* category : container->getCategories()) {
            if (category->getType() == FileTypeFolder) continue;
            for (const auto& group : category->getGroups()) {
                const auto items = group->getItems();
                for (std::size_t i = 1; i < items.size(); ++i) selected += items[i]->selectItemForced(false);
            }
        }
        RemoveOptions options;
        options.yes = true;
        options.textSummary = false;
        RemovalOutcome outcome;
        options.outcome = &outcome;
        EXPECT_EQ(runRemoval(container, options), 0);
        EXPECT_EQ(outcome.removed.size(), selected);
        return outcome.removed.size();
    }

    TempDir dir;
};
}  // namespace

TEST_F(HistoryWindowTest, TickingAllOfADayAndRestoringPutsTheTreeBackByteForByte) {
    const std::string root = dir / "tree";
    ASSERT_EQ(runTreeGenerator("'" + root + "' --files 150 --seed 17 --max-size 200000 --manifest '" + (dir / "m.json") + "'"), 0);
    const auto before = snapshot(root);
    const std::string trash = testHome() + "/.local/share/Trash";
    const auto trashFilesBefore = namesIn(trash + "/files");
    const auto trashInfoBefore = namesIn(trash + "/info");

    const std::size_t removed = scanAndRemove(root);
    ASSERT_GT(removed, 5u);
    ASSERT_NE(snapshot(root), before);
    EXPECT_EQ(namesIn(trash + "/files").size(), trashFilesBefore.size() + removed);

    HistoryWindow window;
    window.show();
    ASSERT_EQ(window.days()->count(), 1);
    ASSERT_TRUE(runMainLoopUntil([&] { return !window.browser().isBusy(); }));
    HistoryModel* model = window.model();
    ASSERT_EQ(model->rowCount(), 1);  // one run
    const QModelIndex run = model->index(0, HistoryModel::PathColumn);
    ASSERT_EQ(model->rowCount(run), static_cast<int>(removed));
    EXPECT_EQ(window.countsText(), QStringLiteral("%1 removed files, %1 can be restored, 0 ticked").arg(removed));
    EXPECT_FALSE(window.restoreButton()->isEnabled());
    for (int f = 0; f < model->rowCount(run); ++f) {
        const QModelIndex file = model->index(f, HistoryModel::PathColumn, run);
        EXPECT_TRUE(model->flags(file) & Qt::ItemIsUserCheckable) << f;
        EXPECT_EQ(model->index(f, HistoryModel::StateColumn, run).data().toString(), QStringLiteral("in the Trash"));
    }

    ASSERT_TRUE(model->setData(run, Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(run.data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(window.browser().tickedCount(), static_cast<std::int64_t>(removed));
    ASSERT_TRUE(window.restoreButton()->isEnabled());
    window.restoreButton()->click();
    EXPECT_FALSE(window.restoreButton()->isEnabled());  // while the restore runs
    ASSERT_TRUE(runMainLoopUntil([&] { return !window.browser().isBusy(); }));
    drainMainLoop(std::chrono::milliseconds(250));  // the window's poll takes the result

    EXPECT_EQ(snapshot(root), before);
    EXPECT_EQ(namesIn(trash + "/files"), trashFilesBefore);
    EXPECT_EQ(namesIn(trash + "/info"), trashInfoBefore);
    EXPECT_EQ(window.summaryText(), QStringLiteral("Restored %1 of %1 files.").arg(removed));
    EXPECT_EQ(window.countsText(), QStringLiteral("%1 removed files, 0 can be restored, 0 ticked").arg(removed));
    const QModelIndex runAfter = model->index(0, HistoryModel::PathColumn);
    ASSERT_EQ(model->rowCount(runAfter), static_cast<int>(removed));
    EXPECT_FALSE(model->flags(runAfter) & Qt::ItemIsUserCheckable);
    for (int f = 0; f < model->rowCount(runAfter); ++f) {
        const QModelIndex file = model->index(f, HistoryModel::PathColumn, runAfter);
        EXPECT_FALSE(model->flags(file) & Qt::ItemIsUserCheckable) << f;
        EXPECT_EQ(file.data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
        EXPECT_FALSE(model->setData(file, Qt::Checked, Qt::CheckStateRole));
        EXPECT_EQ(model->index(f, HistoryModel::StateColumn, runAfter).data().toString(), QStringLiteral("restored"));
        EXPECT_EQ(model->index(f, HistoryModel::ResultColumn, runAfter).data().toString(), QStringLiteral("Restored"));
    }

    // Nothing is left to restore: Restore says so rather than doing nothing.
    std::vector<std::string> shown;
    window.setMessenger([&](const HistoryMessage& m, const QString&) {
        shown.push_back(m.message + " | " + m.informativeText);
        return false;
    });
    EXPECT_EQ(window.browser().restoreTicked(std::nullopt).informativeText,
              "All duplicates removed on this date have been restored already.");
}

TEST_F(HistoryWindowTest, AFileWithoutCopiesComesBackFromAnOriginalPointedOutInTheWindow) {
    const std::int64_t removedAt = QDateTime::currentSecsSinceEpoch() - 3600;
    const std::int64_t modifiedAt = removedAt - 86400;
    const auto setTime = [](const std::string& path, std::int64_t seconds) {
        const struct timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    };
    QJsonObject removed;
    removed.insert(QStringLiteral("path"), QString::fromStdString(dir / "album/lost.jpg"));
    removed.insert(QStringLiteral("size"), QStringLiteral("9"));
    removed.insert(QStringLiteral("date_mod"), QString::fromStdString(remove_date::stringWithDate(modifiedAt)));
    removed.insert(QStringLiteral("isDirectory"), QStringLiteral("0"));
    QJsonObject group;
    group.insert(QStringLiteral("kept"), QJsonArray {});
    group.insert(QStringLiteral("removed"), QJsonArray {removed});
    QJsonObject changes;
    changes.insert(QStringLiteral("1"), group);
    QJsonObject log;
    log.insert(QStringLiteral("date"), QString::fromStdString(remove_date::stringWithDate(removedAt)));
    log.insert(QStringLiteral("changes"), changes);
    dir.writeFile("Removed/" + remove_date::removeDateToString(removedAt) + ".log", QJsonDocument(log).toJson().toStdString());
    const std::string wrong = dir.writeFile("elsewhere/other.jpg", "123456789");  // today's date
    const std::string right = dir.writeFile("elsewhere/lost.jpg", "abcdefghi");
    setTime(right, modifiedAt);

    HistoryWindow window(nullptr, dir / "Removed");
    std::vector<std::string> asked;
    window.setMessenger([&](const HistoryMessage& m, const QString& second) {
        asked.push_back(m.message + " [" + second.toStdString() + "]");
        return true;
    });
    std::vector<std::string> offered {wrong, right};
    window.setFileChooser([&]() -> std::optional<std::string> {
        if (offered.empty()) return std::nullopt;
        const std::string next = offered.front();
        offered.erase(offered.begin());
        return next;
    });
    window.show();
    ASSERT_TRUE(runMainLoopUntil([&] { return !window.browser().isBusy(); }));
    drainMainLoop(std::chrono::milliseconds(250));
    HistoryModel* model = window.model();
    const QModelIndex run = model->index(0, HistoryModel::PathColumn);
    ASSERT_EQ(model->rowCount(run), 1);
    const QModelIndex lost = model->index(0, HistoryModel::PathColumn, run);
    EXPECT_FALSE(model->flags(lost) & Qt::ItemIsUserCheckable);
    EXPECT_EQ(window.countsText(), QStringLiteral("1 removed files, 0 can be restored, 0 ticked"));

    window.tree()->setCurrentIndex(lost);
    QPushButton* find = window.findChild<QPushButton*>(QStringLiteral("findOriginal"));
    ASSERT_NE(find, nullptr);
    ASSERT_TRUE(find->isEnabled());
    find->click();
    EXPECT_EQ(asked, (std::vector<std::string> {"Cannot restore file \"lost.jpg\" [Find File]",
                                                "File \"other.jpg\" is not the original for the removed duplicate [Yes]"}));
    ASSERT_TRUE(runMainLoopUntil([&] { return !window.browser().isBusy(); }));
    drainMainLoop(std::chrono::milliseconds(250));
    const QModelIndex chosen = model->index(0, HistoryModel::PathColumn, model->index(0, HistoryModel::PathColumn));
    EXPECT_EQ(model->index(0, HistoryModel::StateColumn, chosen.parent()).data().toString(),
              QString::fromStdString("from the chosen file " + right));
    ASSERT_TRUE(model->setData(chosen, Qt::Checked, Qt::CheckStateRole));
    window.restoreButton()->click();
    ASSERT_TRUE(runMainLoopUntil([&] { return !window.browser().isBusy(); }));
    drainMainLoop(std::chrono::milliseconds(250));
    EXPECT_EQ(window.summaryText(), QStringLiteral("Restored 1 of 1 files."));
    std::ifstream in(dir / "album/lost.jpg", std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "abcdefghi");
    EXPECT_TRUE(fs::exists(right));  // an original pointed out is copied, never moved
}
