// Choosing copies in the results window: check boxes through the group (the last copy refused with its
// tip, then confirmed once allowed), a folder command of the context menu as one model update, and the
// Auto Select button choosing what the command line's --select auto chooses, with its message and the
// totals following.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <set>

#include "app/CategorySummary.h"
#include "app/SelectionTotals.h"
#include "gui/AllowAllCopiesPanel.h"
#include "gui/CategoryDelegate.h"
#include "gui/GroupsModel.h"
#include "gui/MainWindow.h"
#include "gui/ResultsView.h"
#include "gui/SelectionBar.h"
#include "gui/WelcomeView.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesCategory.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "settings/Settings.h"
#include "settings/SizeText.h"
#include "support/DorvaneProcess.h"
#include "support/TestSupport.h"

namespace {
using namespace std::chrono_literals;

// What a message box said, and the button it was answered with.
struct AnsweredBox {
    QString text;
    QString informativeText;
    QStringList buttons;
    bool answered = false;
};

// Answers the next modal message box with the button of this caption, ticking its check box if asked.
std::shared_ptr<AnsweredBox> answerNextBox(const QString& caption, bool tick = false) {
    auto seen = std::make_shared<AnsweredBox>();
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, seen, caption, tick] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen->text = box->text();
        seen->informativeText = box->informativeText();
        // Captions as shown: a doubled "&" is one "&" on screen.
        auto shown = [](const QAbstractButton* b) { return QString(b->text()).replace(QLatin1String("&&"), QLatin1String("&")); };
        for (QAbstractButton* b : box->buttons()) seen->buttons << shown(b);
        if (tick && box->checkBox()) box->checkBox()->setChecked(true);
        for (QAbstractButton* b : box->buttons())
            if (shown(b) == caption) b->click();
        seen->answered = true;
        poll->deleteLater();
        poll->stop();
    });
    poll->start();
    return seen;
}

class SelectionWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings = std::make_shared<Settings>("");
        Settings::setStandard(settings);
        settings->setDefineMinimalDuplicatesFileSizeAutomatically(false);
        settings->setDefineMinimalDuplicatesFileSizeAsZero(true);
    }
    void TearDown() override {
        if (window) {
            EXPECT_TRUE(runMainLoopUntil([&] { return !bar()->controller().preview().running; }));
        }
        window.reset();
        drainMainLoop();
        Settings::setStandard(nullptr);
    }

    void scan(const std::string& folder) {
        window = std::make_unique<MainWindow>();
        window->controller().setDelays(0ms, 0ms);
        window->show();
        ASSERT_TRUE(window->controller().addFolder(folder));
        QTest::mouseClick(window->welcomeView()->scanButton(), Qt::LeftButton);
        ASSERT_TRUE(runMainLoopUntil([&] { return window->controller().screen() == WindowScreen::Results; }, 120000ms));
    }
    // Three photos alike, and two documents in docs/ each with a copy elsewhere; every folder holds a
    // file of its own, so no two folders are copies.
    void scanSmallTree() {
        dir.writePatternFile("tree/photos/beach.jpg", 60000, 1);
        dir.writePatternFile("tree/phone/beach.jpg", 60000, 1);
        dir.writePatternFile("tree/old/beach copy.jpg", 60000, 1);
        dir.writePatternFile("tree/docs/report.pdf", 30000, 2);
        dir.writePatternFile("tree/mail/report.pdf", 30000, 2);
        dir.writePatternFile("tree/docs/letter.txt", 9000, 3);
        dir.writePatternFile("tree/backup/letter.txt", 9000, 3);
        std::uint32_t seed = 10;
        for (const char* folder : {"photos", "phone", "old", "docs", "mail", "backup"})
            dir.writePatternFile(std::string("tree/") + folder + "/own.dat", 7000, seed++);
        scan(dir / "tree");
    }

    ResultsView* results() const { return window->resultsView(); }
    SelectionBar* bar() const { return window->resultsView()->selectionBar(); }
    GroupsModel* model() const { return window->resultsView()->model(); }

    // Space on a member row of the tree, as a person toggles its check box.
    void pressSpaceOn(const QModelIndex& index) {
        results()->tree()->setCurrentIndex(index);
        QTest::keyClick(results()->tree(), Qt::Key_Space);
    }
    QModelIndex memberRow(const std::string& relative) {
        const QString path = QString::fromStdString(dir / relative);
        for (int g = 0; g < model()->rowCount(); ++g) {
            const QModelIndex group = model()->index(g, 0);
            for (int m = 0; m < model()->rowCount(group); ++m)
                if (model()->index(m, 0, group).data().toString() == path) return model()->index(m, 0, group);
        }
        return {};
    }

    TempDir dir;
    std::shared_ptr<Settings> settings;
    std::unique_ptr<MainWindow> window;
};

TEST_F(SelectionWindowTest, TickingTheLastCopyIsRefusedWithTheTipAndConfirmedOnceAllowed) {
    scanSmallTree();
    results()->chooseCategoryType(0);  // Images
    ASSERT_EQ(model()->rowCount(), 1);
    results()->tree()->expand(model()->index(0, 0));
    const QModelIndex photos = memberRow("tree/photos/beach.jpg");
    const QModelIndex phone = memberRow("tree/phone/beach.jpg");
    const QModelIndex old = memberRow("tree/old/beach copy.jpg");
    ASSERT_TRUE(photos.isValid() && phone.isValid() && old.isValid());
    EXPECT_EQ(old.data(Qt::CheckStateRole).toInt(), Qt::Unchecked);

    pressSpaceOn(old);
    pressSpaceOn(phone);
    EXPECT_EQ(old.data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(phone.data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_TRUE(model()->index(0, GroupsModel::CopiesColumn).data().toString().endsWith("2 selected"));
    EXPECT_TRUE(bar()->totalsLabel()->text().startsWith("2 copies selected"));

    // The last copy: nothing selected, the tip beside the switch, and the row's tip says it too.
    const QString tip = QStringLiteral("This file is the last unselected copy of duplicates. If you want to select "
                                       "all copies change the option in Preferences.");
    pressSpaceOn(photos);
    EXPECT_EQ(photos.data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_FALSE(model()->memberAt(photos)->isSelected());
    ASSERT_TRUE(bar()->allowPanel()->isVisible());
    EXPECT_EQ(bar()->allowPanel()->tip(), tip);
    EXPECT_FALSE(bar()->allowPanel()->allowSwitch()->isChecked());
    EXPECT_TRUE(photos.data(Qt::ToolTipRole).toString().endsWith(tip));

    // The switch allows it; ticking then asks first.
    bar()->allowPanel()->allowSwitch()->click();
    EXPECT_TRUE(settings->allowRemovingAllDuplicateCopies());
    EXPECT_FALSE(photos.data(Qt::ToolTipRole).toString().contains(tip));
    bar()->allowPanel()->hide();
    auto box = answerNextBox("OK");
    pressSpaceOn(photos);
    ASSERT_TRUE(box->answered);
    EXPECT_EQ(box->text, "Attention");
    EXPECT_EQ(box->informativeText, "All copies of the file \"beach.jpg\" will be selected for removal.");
    EXPECT_EQ(photos.data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_TRUE(bar()->totalsLabel()->text().startsWith("3 copies selected"));

    // A ticked copy is unticked with the same key.
    pressSpaceOn(photos);
    EXPECT_EQ(photos.data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
}

TEST_F(SelectionWindowTest, AFolderCommandOfTheContextMenuIsOneModelUpdate) {
    scanSmallTree();
    results()->chooseCategoryType(3);  // Documents: report.pdf and letter.txt, each once in docs/
    ASSERT_EQ(model()->rowCount(), 2);
    for (int g = 0; g < model()->rowCount(); ++g) results()->tree()->expand(model()->index(g, 0));
    int dataChanges = 0, resets = 0, layouts = 0;
    QObject counting;  // the counters' connections end with this test
    QObject::connect(model(), &QAbstractItemModel::dataChanged, &counting, [&] { ++dataChanges; });
    QObject::connect(model(), &QAbstractItemModel::modelReset, &counting, [&] { ++resets; });
    QObject::connect(model(), &QAbstractItemModel::layoutChanged, &counting, [&] { ++layouts; });

    auto runFromMenu = [&](const std::string& memberPath, const QString& title) {
        QMenu menu;
        bar()->addMemberCommands(menu, model()->memberAt(memberRow(memberPath)), true);
        for (QAction* action : menu.actions())
            if (action->text() == title) {
                action->trigger();
                return true;
            }
        ADD_FAILURE() << "no menu entry " << title.toStdString();
        return false;
    };

    ASSERT_TRUE(runFromMenu("tree/docs/report.pdf", "Select All Copies in \"docs\""));
    EXPECT_EQ(dataChanges, 1);
    EXPECT_EQ(resets + layouts, 0);
    EXPECT_TRUE(model()->memberAt(memberRow("tree/docs/report.pdf"))->isSelected());
    EXPECT_TRUE(model()->memberAt(memberRow("tree/docs/letter.txt"))->isSelected());
    EXPECT_FALSE(model()->memberAt(memberRow("tree/mail/report.pdf"))->isSelected());

    // The sidebar row and the strip show the selection of that same batch.
    const auto container = window->controller().container();
    const SelectionTotals documents = SelectionTotals::of(container->getCategoryWithType(3)->progressBarDataInfo());
    EXPECT_EQ(documents.count, 2);
    EXPECT_EQ(results()->categories()->item(3)->data(CategoryDelegate::SelectionRole).toString(),
              QString::fromStdString(documents.shortText()));
    EXPECT_EQ(results()->categories()->item(0)->data(CategoryDelegate::SelectionRole).toString(), "None selected");
    EXPECT_EQ(bar()->totalsLabel()->text(), QString::fromStdString(SelectionTotals::of(container.get()).text()));

    ASSERT_TRUE(runFromMenu("tree/docs/letter.txt", "Keep All Copies in \"docs\""));
    EXPECT_EQ(dataChanges, 2);
    EXPECT_FALSE(model()->memberAt(memberRow("tree/docs/letter.txt"))->isSelected());
    EXPECT_TRUE(model()->memberAt(memberRow("tree/backup/letter.txt"))->isSelected());
    EXPECT_TRUE(model()->memberAt(memberRow("tree/mail/report.pdf"))->isSelected());

    ASSERT_TRUE(runFromMenu("tree/mail/report.pdf", "Keep Only this Copy"));
    EXPECT_EQ(dataChanges, 3);
    EXPECT_TRUE(model()->memberAt(memberRow("tree/docs/report.pdf"))->isSelected());
    EXPECT_EQ(resets + layouts, 0);

    // Leaving a folder out of the results builds the lists again; its copies are gone.
    ASSERT_TRUE(runMainLoopUntil([&] { return bar()->controller().canChangeResults(); }));
    ASSERT_TRUE(runFromMenu("tree/mail/report.pdf", "Add \"mail\" to Skip List"));
    EXPECT_GE(resets, 1);
    ASSERT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(model()->index(0, 0).data().toString(), "letter.txt");
}

TEST_F(SelectionWindowTest, AutoSelectChoosesWhatTheCommandLineChoosesAndTheTotalsFollow) {
    const std::string root = dir / "home";
    ASSERT_EQ(runTreeGenerator("'" + root + "' --files 400 --seed 23 --max-size 400000"), 0);
    scan(root);
    ASSERT_TRUE(runMainLoopUntil([&] { return bar()->controller().preview().ready; }));
    EXPECT_TRUE(bar()->previewLabel()->text().startsWith("Auto Select preview: "));
    EXPECT_EQ(bar()->totalsLabel()->text(), "No copies selected");

    auto box = answerNextBox("OK");
    QTest::mouseClick(bar()->autoSelectButton(), Qt::LeftButton);
    ASSERT_TRUE(box->answered);
    EXPECT_EQ(box->buttons, (QStringList{"Review & Remove", "OK"}));
    const QRegularExpression summary(
        QStringLiteral("^(\\d+) duplicates? of (.+) (was|were) selected for removal\\.\\n"
                       "Review and confirm the selected files? before removal\\.$"));
    const auto match = summary.match(box->text);
    ASSERT_TRUE(match.hasMatch()) << box->text.toStdString();

    // The window's choice, over every category.
    const auto container = window->controller().container();
    std::set<std::string> chosen;
    for (int type : CategorySummary::order())
        for (const auto& group : container->getCategoryWithType(type)->getGroups())
            for (const auto& item : group->getItems())
                if (item->isSelected()) chosen.insert(item->getFileItemPath());
    EXPECT_EQ(static_cast<std::size_t>(match.captured(1).toLongLong()), container->buildRemoveList().size());
    EXPECT_EQ(match.captured(2).toStdString(), size_text::format(container->getRemoveListTotalSize()));

    const DorvaneRun cli = runDorvaneBinary(
        {"scan", QString::fromStdString(root), "--select", "auto", "--all-sizes", "--format", "json", "-q"});
    ASSERT_EQ(cli.status, 0) << cli.err;
    std::set<std::string> cliChosen;
    for (const auto& category : QJsonDocument::fromJson(QByteArray::fromStdString(cli.out)).object()["categories"].toArray())
        for (const auto& group : category.toObject()["groups"].toArray())
            for (const auto& m : group.toObject()["members"].toArray())
                if (m.toObject()["selected"].toBool()) cliChosen.insert(m.toObject()["path"].toString().toStdString());
    ASSERT_FALSE(cliChosen.empty());
    EXPECT_EQ(chosen, cliChosen);

    // The totals follow at once: the strip and every sidebar row.
    const SelectionTotals totals = SelectionTotals::of(container.get());
    EXPECT_GT(totals.count, 0);
    EXPECT_EQ(bar()->totalsLabel()->text(), QString::fromStdString(totals.text()));
    const auto rows = CategorySummary::of(container.get());
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(results()->categories()->item(static_cast<int>(i))->data(CategoryDelegate::SelectionRole).toString(),
                  QString::fromStdString(rows[i].selection.shortText()));
}
}  // namespace
