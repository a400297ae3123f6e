// The merge dialog on screen (offscreen platform): what it shows for a heap, its options, and a merge
// run from its button to the per-item results, the window staying responsive meanwhile.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "app/FolderEntry.h"
#include "gui/MergeDialog.h"
#include "operations/MergeFixture.h"
#include "platform/FileLabels.h"

using MergeDialogTest = MergeFixture;

TEST_F(MergeDialogTest, AHeapIsMergedFromTheDialogAndItsItemsShowTheirResults) {
    write("photos/a.jpg", std::string(5000, 'a'));
    write("photos/b.jpg", std::string(5000, 'b'));
    write("photos/c.jpg", std::string(5000, 'c'));
    write("backup/a.jpg", std::string(5000, 'a'));
    write("backup/b.jpg", std::string(5000, 'b'));
    write("backup/d.jpg", std::string(3000, 'd'));
    ASSERT_TRUE(scan());
    const auto pairs = MergeManager::folderPairs(*container);
    ASSERT_EQ(pairs.size(), 1u);
    FolderEntry entry;
    entry.heap = pairs.front();
    QPointer<MergeDialog> dialog = MergeDialog::create(container, entry, nullptr);
    ASSERT_TRUE(dialog);
    std::vector<std::string> asked;
    dialog->setQuestionAnswerer([&](const WindowQuestion& q) {
        asked.push_back(q.message);
        return WindowAnswer{false, false};
    });
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));

    const std::string source = dialog->session().data().sourceFolder().name();
    const std::string destination = dialog->session().data().destinationFolder().name();
    EXPECT_EQ(dialog->description()->text().toStdString(),
              "1 file from \"" + source + "\" will be moved to \"" + destination +
                  "\".\nYou can customize Merge using the options below or changing direction.");
    EXPECT_EQ(dialog->leftList()->topLevelItem(0)->text(0), "Unique Files");
    EXPECT_TRUE(dialog->mergeButton()->isEnabled());
    EXPECT_EQ(dialog->labelChoice()->count(), 8);
    EXPECT_EQ(dialog->labelChoice()->itemText(4), "Blue");

    // Copy from photos into backup, whichever side photos is on.
    if (source != "photos") QTest::mouseClick(dialog->directionButton(), Qt::LeftButton);
    ASSERT_EQ(dialog->session().data().sourceFolder().name(), "photos");
    dialog->copyChoice()->setChecked(true);
    EXPECT_NE(dialog->description()->text().indexOf("will be copied"), -1);
    QTest::mouseClick(dialog->mergeButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog->copyChoice()->isEnabled());
    ASSERT_TRUE(runMainLoopUntil([&] { return dialog->session().state() == MergeWindowState::ViewResult; }));
    EXPECT_EQ(read(path("backup/c.jpg")), std::string(5000, 'c'));
    EXPECT_EQ(read(path("photos/c.jpg")), std::string(5000, 'c'));
    EXPECT_EQ(dialog->counts()->text(), "1 file copied");
    EXPECT_FALSE(dialog->mergeButton()->isVisible());
    QTreeWidget* sourceList = dialog->session().direction() == MergeDirection::LeftToRight ? dialog->leftList()
                                                                                           : dialog->rightList();
    EXPECT_EQ(sourceList->topLevelItem(1)->text(1), "copied");
    EXPECT_EQ(asked, (std::vector<std::string>{MergeSession::kMergedQuestion}));
    dialog->close();
    drainMainLoop();
    EXPECT_FALSE(dialog);  // deleted on close
}
