// The Folders view's content, the sidebar rows and the window's size texts, without widgets: scans of
// generated and hand-made trees through ScanSession, checked against the generator's manifest.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <set>

#include "app/CategorySummary.h"
#include "app/FoldersOverview.h"
#include "app/ScanSession.h"
#include "settings/SizeText.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "results/DuplicatesHeap.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace {
namespace fs = std::filesystem;

class FoldersOverviewTest : public ::testing::Test {
protected:
    void SetUp() override { Settings::setStandard(std::make_shared<Settings>("")); }
    void TearDown() override {
        drainMainLoop();
        Settings::setStandard(nullptr);
    }

    std::shared_ptr<DuplicatesContainer> scan(const std::string& folder) {
        ScanChoices choices;
        choices.minimalSizeMode = ScanChoices::MinimalSize::Fixed;
        choices.fixedMinimalSize = 0;
        choices.fullHash = true;
        std::shared_ptr<DuplicatesContainer> result;
        bool done = false;
        auto session = ScanSession::create({folder}, choices, [&](std::shared_ptr<DuplicatesContainer> c) {
            result = std::move(c);
            done = true;
        });
        session->start();
        EXPECT_TRUE(runMainLoopUntil([&] { return done; }, std::chrono::seconds(120)));
        return result;
    }

    static std::set<std::string> asSet(const std::vector<std::string>& paths) { return {paths.begin(), paths.end()}; }

    TempDir dir;
};

TEST(SizeText, UsesTheCommandLinesIecUnits) {
    EXPECT_EQ(size_text::format(0), "0 B");
    EXPECT_EQ(size_text::format(1023), "1023 B");
    EXPECT_EQ(size_text::format(1024), "1.0 KiB");
    EXPECT_EQ(size_text::format(1536 * 1024), "1.5 MiB");
    EXPECT_EQ(size_text::format(15 * 1024 * 1024), "15 MiB");
    EXPECT_EQ(size_text::format(std::int64_t(10) << 30), "10 GiB");
    EXPECT_EQ(size_text::format(std::int64_t(3) << 40), "3.0 TiB");
    EXPECT_EQ(size_text::format(-2048), "-2.0 KiB");
}

TEST_F(FoldersOverviewTest, GeneratedTreeGivesItsDuplicateFoldersAndHeapsWithTheRankings) {
    const std::string root = dir / "home";
    const std::string manifestPath = dir / "manifest.json";
    ASSERT_EQ(runTreeGenerator("'" + root + "' --files 700 --seed 21 --max-size 1500000 --manifest '" + manifestPath + "'"), 0);
    auto container = scan(root);
    ASSERT_TRUE(container);
    FoldersOverview overview(container);

    // Duplicate folders: the folder category's groups, biggest first, each listing its folders.
    const auto& folders = overview.entries(FolderRanking::DuplicateFolders);
    ASSERT_EQ(folders.size(), container->getCategoryWithType(6)->getGroupsCount());
    ASSERT_FALSE(folders.empty());
    std::vector<std::set<std::string>> shownFolderGroups;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        ASSERT_TRUE(folders[i].group);
        if (i > 0) {
            EXPECT_GE(folders[i - 1].size(), folders[i].size());
        }
        EXPECT_EQ(folders[i].count(), static_cast<std::int64_t>(folders[i].folderPaths().size()));
        EXPECT_LE(folders[i].sizeToFree(), folders[i].size());
        shownFolderGroups.push_back(asSet(folders[i].folderPaths()));
    }
    // Every list of folders the generator copied whole and left identical is inside one shown group.
    QFile file(QString::fromStdString(manifestPath));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject manifest = QJsonDocument::fromJson(file.readAll()).object();
    int copiedLists = 0;
    for (const auto& list : manifest["duplicate_folders"].toArray()) {
        std::set<std::string> paths;
        for (const auto& p : list.toArray()) paths.insert(root + "/" + p.toString().toStdString());
        int holding = 0;
        for (const auto& shown : shownFolderGroups)
            if (std::includes(shown.begin(), shown.end(), paths.begin(), paths.end())) ++holding;
        copiedLists += holding;
        EXPECT_LE(holding, 1) << *paths.begin();
    }
    EXPECT_GE(copiedLists, 2);

    // The heaps are not there until computed; then each pair of folders is listed once, biggest first.
    EXPECT_TRUE(overview.entries(FolderRanking::AllHeaps).empty());
    EXPECT_FALSE(overview.heapsReady());
    bool ready = false;
    overview.computeHeaps([&] { ready = true; });
    EXPECT_TRUE(overview.heapsRequested());
    ASSERT_TRUE(runMainLoopUntil([&] { return ready; }));
    EXPECT_TRUE(overview.heapsReady());
    const auto& all = overview.entries(FolderRanking::AllHeaps);
    std::set<std::set<std::string>> pairs;
    for (std::size_t i = 0; i < all.size(); ++i) {
        ASSERT_TRUE(all[i].heap);
        if (i > 0) {
            EXPECT_GE(all[i - 1].size(), all[i].size());
        }
        EXPECT_GE(all[i].count(), 2);
        EXPECT_EQ(all[i].sizeToFree() * 2, all[i].size());
        auto paths = all[i].folderPaths();
        ASSERT_EQ(paths.size(), 2u);
        EXPECT_TRUE(pairs.insert(asSet(paths)).second) << "listed twice: " << paths[0] << " and " << paths[1];
        EXPECT_NE(all[i].title().find(" \u2194 "), std::string::npos);
    }
    int generatedPairs = 0;
    for (int i = 0; fs::exists(root + "/Projects/shared_" + std::to_string(i)); ++i, ++generatedPairs)
        EXPECT_TRUE(pairs.count({root + "/Projects/shared_" + std::to_string(i) + "/a", root + "/Desktop/sorted_" + std::to_string(i)}))
            << "shared_" << i;
    EXPECT_GE(generatedPairs, 1);

    // The rankings hold heaps of the full list, biggest first; easy heaps are at most ten.
    for (FolderRanking ranking : {FolderRanking::BiggestHeaps, FolderRanking::EasyHeaps}) {
        const auto& ranked = overview.entries(ranking);
        EXPECT_FALSE(ranked.empty()) << FoldersOverview::title(ranking);
        for (std::size_t i = 0; i < ranked.size(); ++i) {
            EXPECT_TRUE(pairs.count(asSet(ranked[i].folderPaths()))) << FoldersOverview::title(ranking);
            if (i > 0) {
                EXPECT_GE(ranked[i - 1].sizeToFree(), ranked[i].sizeToFree());
            }
        }
    }
    EXPECT_LE(overview.entries(FolderRanking::EasyHeaps).size(), 10u);
    EXPECT_EQ(overview.entries(FolderRanking::BiggestHeaps).front().size(), all.front().size());
}

TEST_F(FoldersOverviewTest, HeapsThatArriveAfterTheOverviewIsGoneAreDropped) {
    for (const char* f : {"t/A", "t/B"}) {
        dir.writePatternFile(std::string(f) + "/one.bin", 30000, 1);
        dir.writePatternFile(std::string(f) + "/two.bin", 20000, 2);
        dir.writePatternFile(std::string(f) + "/own.bin", 10000, f[2]);
    }
    auto container = scan(dir / "t");
    ASSERT_TRUE(container);
    bool called = false;
    auto overview = std::make_unique<FoldersOverview>(container);
    overview->computeHeaps([&] { called = true; });
    overview.reset();
    container.reset();
    drainMainLoop(std::chrono::milliseconds(300));
    EXPECT_FALSE(called);

    // Computed on the calling thread, the same pair shows up.
    auto again = scan(dir / "t");
    FoldersOverview now(again);
    now.computeHeapsNow();
    ASSERT_EQ(now.entries(FolderRanking::AllHeaps).size(), 1u);
    EXPECT_EQ(asSet(now.entries(FolderRanking::AllHeaps)[0].folderPaths()), (std::set<std::string>{dir / "t/A", dir / "t/B"}));
    EXPECT_EQ(now.entries(FolderRanking::AllHeaps)[0].count(), 2);
    EXPECT_TRUE(now.entries(FolderRanking::DuplicateFolders).empty());
}

TEST_F(FoldersOverviewTest, SidebarRowsGiveSizesGroupsAndTheSelectedShares) {
    dir.writePatternFile("t/photos/a.jpg", 40000, 1);
    dir.writePatternFile("t/backup/a.jpg", 40000, 1);
    dir.writePatternFile("t/docs/report.pdf", 25000, 2);
    dir.writePatternFile("t/mail/report.pdf", 25000, 2);
    dir.writePatternFile("t/old/report.pdf", 25000, 2);
    // Each folder has a file of its own, so no folder is a copy of another.
    std::uint32_t seed = 10;
    for (const char* f : {"photos", "backup", "docs", "mail", "old"})
        dir.writePatternFile(std::string("t/") + f + "/own.bin", 7000, seed++);
    auto container = scan(dir / "t");
    ASSERT_TRUE(container);

    auto rows = CategorySummary::of(container.get());
    ASSERT_EQ(rows.size(), 7u);
    std::vector<std::string> names;
    for (const auto& r : rows) names.push_back(r.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Images", "Videos", "Music", "Documents", "Archives", "Other", "Folders"}));
    DuplicatesCategory* documents = container->getCategoryWithType(3);
    EXPECT_EQ(rows[3].size, documents->getTotalSize());
    EXPECT_EQ(rows[3].groups, 1u);
    EXPECT_EQ(rows[3].detailText(), size_text::format(documents->getTotalSize()) + " \u00b7 1 group");
    EXPECT_EQ(rows[1].detailText(), "0 B \u00b7 0 groups");
    EXPECT_EQ(rows[3].selectedShare, 0.0f);

    // One of three copies selected: a third of the category; all but one: two thirds, and the copy
    // that stays counts as kept.
    auto group = documents->getGroups().front();
    auto members = group->getItems();
    ASSERT_EQ(members.size(), 3u);
    ASSERT_TRUE(group->selectItem(members[0].get(), false));
    rows = CategorySummary::of(container.get());
    EXPECT_NEAR(rows[3].selectedShare, 1.0 / 3, 0.01);
    EXPECT_EQ(rows[3].keptShare, 0.0f);
    ASSERT_TRUE(group->selectItem(members[1].get(), false));
    rows = CategorySummary::of(container.get());
    EXPECT_NEAR(rows[3].selectedShare, 2.0 / 3, 0.01);
    EXPECT_NEAR(rows[3].keptShare, 1.0 / 3, 0.01);
    EXPECT_EQ(rows[3].selectedAllCopiesShare, 0.0f);
    EXPECT_EQ(rows[0].selectedShare, 0.0f);
    for (auto& m : members) m->deselectItem();

    EXPECT_EQ(CategorySummary::of(nullptr)[0].size, 0);
}
}  // namespace
