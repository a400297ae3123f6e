// The Folders category of the results: its model over a scanned generated tree (duplicate folders and
// heaps by ranking), the sidebar's sizes and bars, and a model of 100 000 folder groups in a view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTreeView>

#include <filesystem>
#include <set>

#include "app/FoldersOverview.h"
#include "gui/CategoryDelegate.h"
#include "gui/FoldersModel.h"
#include "gui/MainWindow.h"
#include "gui/ResultsView.h"
#include "gui/WelcomeView.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/ResultsTree.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace {
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Entry title -> its folders, as the model shows them (children read through the model).
std::map<std::string, std::set<std::string>> shownEntries(FoldersModel* model, std::vector<std::set<std::string>>* lists = nullptr) {
    std::map<std::string, std::set<std::string>> shown;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex entry = model->index(row, FoldersModel::NameColumn);
        std::set<std::string> folders;
        for (int f = 0; f < model->rowCount(entry); ++f) folders.insert(model->index(f, 0, entry).data().toString().toStdString());
        shown[entry.data().toString().toStdString()] = folders;
        if (lists) lists->push_back(folders);
    }
    return shown;
}

class FoldersViewTest : public ::testing::Test {
protected:
    void SetUp() override { Settings::setStandard(std::make_shared<Settings>("")); }
    void TearDown() override {
        window.reset();
        drainMainLoop();
        Settings::setStandard(nullptr);
    }
    TempDir dir;
    std::unique_ptr<MainWindow> window;
};

TEST_F(FoldersViewTest, FoldersOfAGeneratedTreeShowTheirCopiesAndHeapsByRanking) {
    const std::string root = dir / "home";
    const std::string manifestPath = dir / "manifest.json";
    ASSERT_EQ(runTreeGenerator("'" + root + "' --files 600 --seed 11 --max-size 1500000 --manifest '" + manifestPath + "'"), 0);
    Settings::standard().setDefineMinimalDuplicatesFileSizeAutomatically(false);
    Settings::standard().setDefineMinimalDuplicatesFileSizeAsZero(true);
    window = std::make_unique<MainWindow>();
    window->controller().setDelays(0ms, 0ms);
    window->show();
    ASSERT_TRUE(window->controller().addFolder(root));
    QTest::mouseClick(window->welcomeView()->scanButton(), Qt::LeftButton);
    ASSERT_TRUE(runMainLoopUntil([&] { return window->controller().screen() == WindowScreen::Results; }, 120000ms));

    ResultsView* results = window->resultsView();
    QListWidget* sidebar = results->categories();
    ASSERT_EQ(sidebar->count(), 7);
    // Each row names its size in IEC units and carries the shares its bar paints (nothing is selected).
    for (int row = 0; row < sidebar->count(); ++row) {
        const QString detail = sidebar->item(row)->data(CategoryDelegate::DetailRole).toString();
        EXPECT_TRUE(detail.contains(QRegularExpression(QStringLiteral("^[0-9.]+ (B|KiB|MiB|GiB) · [0-9]+ groups?$"))))
            << detail.toStdString();
        EXPECT_EQ(sidebar->item(row)->data(CategoryDelegate::SelectedShareRole).toDouble(), 0.0);
        EXPECT_TRUE(sidebar->item(row)->data(CategoryDelegate::KeptShareRole).isValid());
    }
    EXPECT_TRUE(sidebar->item(6)->text().startsWith("Folders"));

    sidebar->setCurrentRow(6);
    FoldersModel* model = results->foldersModel();
    QTreeView* tree = results->foldersTree();
    EXPECT_TRUE(tree->isVisible());
    EXPECT_FALSE(results->tree()->isVisible());
    EXPECT_EQ(results->rankings()->currentIndex(), 0);
    DuplicatesCategory* folders = window->controller().container()->getCategoryWithType(6);
    ASSERT_EQ(model->rowCount(), static_cast<int>(folders->getGroupsCount()));
    ASSERT_GT(model->rowCount(), 0);
    EXPECT_EQ(model->headerData(FoldersModel::CountColumn, Qt::Horizontal).toString(), "Copies");
    EXPECT_TRUE(model->index(0, FoldersModel::SizeColumn).data().toString().contains(QRegularExpression("i?B$")));
    EXPECT_FALSE(model->index(0, FoldersModel::SizeColumn).data().toString().contains(QRegularExpression("[0-9] [kMG]B$")));

    // Every list of folders the generator copied whole and left identical is inside one shown group.
    std::vector<std::set<std::string>> shownGroups;
    shownEntries(model, &shownGroups);
    QFile file(QString::fromStdString(manifestPath));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    int found = 0;
    for (const auto& list : QJsonDocument::fromJson(file.readAll()).object()["duplicate_folders"].toArray()) {
        std::set<std::string> paths;
        for (const auto& p : list.toArray()) paths.insert(root + "/" + p.toString().toStdString());
        for (const auto& shown : shownGroups)
            if (std::includes(shown.begin(), shown.end(), paths.begin(), paths.end())) ++found;
    }
    EXPECT_GE(found, 2);
    for (const auto& group : shownGroups) EXPECT_GE(group.size(), 2u);

    // All Heaps: once computed, every pair the generator made to share files is a row.
    results->rankings()->setCurrentIndex(static_cast<int>(FolderRanking::AllHeaps));
    EXPECT_EQ(model->ranking(), FolderRanking::AllHeaps);
    ASSERT_TRUE(runMainLoopUntil([&] { return model->rowCount() > 0; }));
    EXPECT_EQ(model->headerData(FoldersModel::CountColumn, Qt::Horizontal).toString(), "Shared Groups");
    std::vector<std::set<std::string>> heapPairs;
    shownEntries(model, &heapPairs);
    const std::set<std::set<std::string>> pairs(heapPairs.begin(), heapPairs.end());
    EXPECT_EQ(pairs.size(), heapPairs.size());
    int generated = 0;
    for (int i = 0; fs::exists(root + "/Projects/shared_" + std::to_string(i)); ++i, ++generated)
        EXPECT_TRUE(pairs.count({root + "/Projects/shared_" + std::to_string(i) + "/a", root + "/Desktop/sorted_" + std::to_string(i)}));
    EXPECT_GE(generated, 1);

    // The rankings list some of those pairs, the biggest first.
    for (FolderRanking ranking : {FolderRanking::BiggestHeaps, FolderRanking::EasyHeaps}) {
        results->rankings()->setCurrentIndex(static_cast<int>(ranking));
        std::vector<std::set<std::string>> ranked;
        shownEntries(model, &ranked);
        EXPECT_FALSE(ranked.empty());
        for (const auto& pair : ranked) EXPECT_TRUE(pairs.count(pair));
        for (int row = 1; row < model->rowCount(); ++row)
            EXPECT_GE(model->entryAt(model->index(row - 1, 0))->size(), model->entryAt(model->index(row, 0))->size());
    }

    // The current folder fills the details; another category brings the groups back.
    const QModelIndex firstFolder = model->index(0, 0, model->index(0, 0));
    tree->setCurrentIndex(firstFolder);
    EXPECT_EQ(model->folderPathAt(firstFolder), firstFolder.data().toString().toStdString());
    sidebar->setCurrentRow(0);
    EXPECT_TRUE(results->tree()->isVisible());
    EXPECT_FALSE(tree->isVisible());
}

TEST_F(FoldersViewTest, AHundredThousandFolderGroupsFillTheViewAtOnce) {
    constexpr int kGroups = 100000;
    auto container = std::make_shared<DuplicatesContainer>(false, nullptr);
    ResultsTree resultsTree;
    for (int i = 0; i < kGroups; ++i) {
        FolderSystemItem* a = resultsTree.folder("a" + std::to_string(i));
        FolderSystemItem* b = resultsTree.folder("b" + std::to_string(i));
        resultsTree.file("x", 1000 + i, a);
        resultsTree.file("x", 1000 + i, b);
        ASSERT_TRUE(container->markAsDuplicatesFolder(a, b));
    }
    container->saveRoots(resultsTree.roots());

    FoldersOverview overview(container);
    FoldersModel model;
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setModel(&model);
    view.resize(900, 600);
    view.show();
    model.setOverview(&overview);
    QApplication::processEvents();
    ASSERT_EQ(model.rowCount(), kGroups);
    model.sort(FoldersModel::NameColumn, Qt::AscendingOrder);
    view.scrollToBottom();
    QApplication::processEvents();
    EXPECT_EQ(model.index(0, 0).data().toString(), "a0");
    view.expand(model.index(kGroups - 1, 0));
    EXPECT_EQ(model.rowCount(model.index(kGroups - 1, 0)), 2);
    model.setOverview(nullptr);
}
}  // namespace
