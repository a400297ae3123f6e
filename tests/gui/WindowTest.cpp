#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <sys/stat.h>

#include <cstdlib>
#include <map>

#include "app/WindowController.h"
#include "gui/FoldersModel.h"
#include "gui/GroupsModel.h"
#include "gui/MainWindow.h"
#include "gui/ResultsView.h"
#include "gui/WelcomeView.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

// Widgets need a QApplication; these tests never need a display.
std::unique_ptr<QCoreApplication> createTestApplication(int& argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return std::make_unique<QApplication>(argc, argv);
}

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }
QT_END_NAMESPACE

namespace {
using namespace std::chrono_literals;

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings::setStandard(std::make_shared<Settings>(""));
        // Three photos alike beside unique files, two pairs of documents, one unique document, and a
        // copied album (a duplicate folder, whose pictures are not listed as images).
        dir.writePatternFile("tree/photos/beach.jpg", 60000, 1);
        dir.writePatternFile("tree/photos/sunset.jpg", 50000, 5);
        dir.writePatternFile("tree/phone/beach.jpg", 60000, 1);
        dir.writePatternFile("tree/phone/call.txt", 5000, 6);
        dir.writePatternFile("tree/old/beach copy.jpg", 60000, 1);
        dir.writePatternFile("tree/old/2019.txt", 5000, 7);
        dir.writePatternFile("tree/album/a.png", 20000, 8);
        dir.writePatternFile("tree/album/b.png", 20000, 9);
        dir.writePatternFile("tree/album copy/a.png", 20000, 8);
        dir.writePatternFile("tree/album copy/b.png", 20000, 9);
        dir.writePatternFile("tree/docs/report.pdf", 30000, 2);
        dir.writePatternFile("tree/mail/report.pdf", 30000, 2);
        dir.writePatternFile("tree/docs/letter.txt", 9000, 3);
        dir.writePatternFile("tree/backup/letter.txt", 9000, 3);
        dir.writePatternFile("tree/docs/unique.pdf", 30000, 4);
        window = std::make_unique<MainWindow>();
        window->controller().setDelays(0ms, 0ms);
        window->show();
    }
    void TearDown() override {
        window.reset();
        drainMainLoop();
        Settings::setStandard(nullptr);
    }

    void scanTree() {
        ASSERT_TRUE(window->controller().addFolder(dir / "tree"));
        QTest::mouseClick(window->welcomeView()->scanButton(), Qt::LeftButton);
        ASSERT_TRUE(runMainLoopUntil([&] { return window->controller().screen() == WindowScreen::Results; }));
    }

    // The group rows the model shows: name -> (copies, member paths).
    std::map<QString, std::pair<QString, QStringList>> shownGroups() {
        GroupsModel* model = window->resultsView()->model();
        std::map<QString, std::pair<QString, QStringList>> groups;
        for (int row = 0; row < model->rowCount(); ++row) {
            QModelIndex group = model->index(row, GroupsModel::NameColumn);
            QStringList paths;
            for (int m = 0; m < model->rowCount(group); ++m) paths << model->index(m, 0, group).data().toString();
            paths.sort();
            groups[group.data().toString()] = {model->index(row, GroupsModel::CopiesColumn).data().toString(), paths};
        }
        return groups;
    }

    QString path(const std::string& relative) const { return QString::fromStdString(dir / relative); }

    TempDir dir;
    std::unique_ptr<MainWindow> window;
};

TEST_F(WindowTest, ScanOfAGeneratedTreeShowsItsGroupsByCategory) {
    scanTree();
    ResultsView* results = window->resultsView();
    // The sidebar lists every kind; the biggest (Images) is chosen first.
    ASSERT_EQ(results->categories()->count(), 7);
    EXPECT_TRUE(results->categories()->item(0)->text().startsWith("Images"));
    EXPECT_EQ(results->categories()->currentRow(), 0);
    auto images = shownGroups();
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images.begin()->second.first, "3");
    EXPECT_EQ(images.begin()->second.second,
              (QStringList{path("tree/old/beach copy.jpg"), path("tree/phone/beach.jpg"), path("tree/photos/beach.jpg")}));

    results->categories()->setCurrentRow(6);  // Folders: the copied album, in the Folders view
    FoldersModel* folders = results->foldersModel();
    ASSERT_EQ(folders->rowCount(), 1);
    const QModelIndex album = folders->index(0, FoldersModel::NameColumn);
    EXPECT_EQ(folders->index(0, FoldersModel::CountColumn).data().toString(), "2");
    ASSERT_EQ(folders->rowCount(album), 2);
    EXPECT_EQ((QStringList{folders->index(0, 0, album).data().toString(), folders->index(1, 0, album).data().toString()}),
              (QStringList{path("tree/album"), path("tree/album copy")}));

    results->categories()->setCurrentRow(3);  // Documents
    auto documents = shownGroups();
    ASSERT_EQ(documents.size(), 2u);
    EXPECT_EQ(documents["report.pdf"].second, (QStringList{path("tree/docs/report.pdf"), path("tree/mail/report.pdf")}));
    EXPECT_EQ(documents["letter.txt"].first, "2");

    // Sizes: a group row shows the total and what removing the extra copies frees on disk.
    GroupsModel* model = results->model();
    model->sort(GroupsModel::SizeColumn, Qt::DescendingOrder);
    EXPECT_EQ(model->index(0, 0).data().toString(), "report.pdf");
    EXPECT_EQ(model->groupAt(model->index(0, 0))->getTotalContentSize(), 60000u);
    struct stat copy {};
    ASSERT_EQ(::stat(path("tree/mail/report.pdf").toStdString().c_str(), &copy), 0);
    EXPECT_EQ(model->index(0, GroupsModel::FreeColumn).data().toString(),
              GroupsModel::formatSize(static_cast<std::uint64_t>(copy.st_blocks) * 512));
    model->sort(GroupsModel::SizeColumn, Qt::AscendingOrder);
    EXPECT_EQ(model->index(0, 0).data().toString(), "letter.txt");

    // The filter keeps groups by name or by a member's folder.
    results->filter()->setText("MAIL");
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->index(0, 0).data().toString(), "report.pdf");
    results->filter()->clear();
    EXPECT_EQ(model->rowCount(), 2);
}

TEST_F(WindowTest, BackNewScanAndInterimMoveBetweenScreens) {
    Settings::standard().setShowNewScanMessage(false);
    scanTree();
    window->controller().backToInterim();
    EXPECT_EQ(window->controller().screen(), WindowScreen::Interim);
    window->controller().showResultsFromInterim();
    EXPECT_EQ(window->controller().screen(), WindowScreen::Results);
    EXPECT_EQ(window->resultsView()->model()->rowCount(), 1);
    window->controller().newScan();
    EXPECT_EQ(window->controller().screen(), WindowScreen::Welcome);
    EXPECT_EQ(window->resultsView()->model()->rowCount(), 0);
    EXPECT_EQ(window->welcomeView()->folderList()->count(), 1);
}

TEST_F(WindowTest, DeleteRemovesTheChosenFolderFromTheWelcomeList) {
    ASSERT_TRUE(window->controller().addFolder(dir.makeFolder("a")));
    ASSERT_TRUE(window->controller().addFolder(dir.makeFolder("b")));
    QListWidget* list = window->welcomeView()->folderList();
    ASSERT_EQ(list->count(), 2);
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), path("b"));
}

TEST_F(WindowTest, MemberRowsHangUnderTheirGroup) {
    scanTree();
    GroupsModel* model = window->resultsView()->model();
    QTreeView* tree = window->resultsView()->tree();
    EXPECT_TRUE(model->hasChildren(model->index(0, 0)));
    tree->expand(model->index(0, 0));
    EXPECT_EQ(model->rowCount(model->index(0, 0)), 3);
    EXPECT_EQ(model->memberAt(model->index(1, 0, model->index(0, 0)))->getGroup(), model->groupAt(model->index(0, 0)));
    EXPECT_FALSE(model->parent(model->index(0, 0)).isValid());
    EXPECT_EQ(model->parent(model->index(2, 0, model->index(0, 0))), model->index(0, 0));
}
}  // namespace
