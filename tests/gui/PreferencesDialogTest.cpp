// The Preferences window on the settings file of the test's private home: every control written and
// read back through a fresh reading of the file, the window showing what the file holds, and refused
// input named in the window while the file stays as it was.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "gui/MainWindow.h"
#include "gui/PreferencesDialog.h"
#include "platform/UserPaths.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace {
std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class PreferencesDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        file = user_paths::settingsFile();
        ASSERT_EQ(file.rfind(testHome(), 0), 0u) << "the settings file must be in the test's own home";
        std::filesystem::remove(file);
        Settings::setStandard(std::make_shared<Settings>(file));
        dialog = std::make_unique<PreferencesDialog>();
        dialog->setFolderChooser([this](const QString&) { return nextFolder; });
        dialog->setAsker([this](const std::string& message, const std::string&) {
            questions.push_back(message);
            return answer;
        });
        dialog->show();
    }
    void TearDown() override {
        dialog.reset();
        Settings::setStandard(nullptr);
    }

    template <typename T>
    T* child(const char* name) {
        T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(const char* name) { child<QAbstractButton>(name)->click(); }
    void typeSize(const QString& text) {
        QLineEdit* edit = child<QLineEdit>("minimalSize");
        edit->setText(text);
        emit edit->editingFinished();
    }
    void addFolder(const char* list, const std::string& folder) {
        nextFolder = folder;
        click((std::string(list) + "Add").c_str());
    }
    QStringList rows(const char* list) {
        QStringList out;
        QListWidget* view = child<QListWidget>(list);
        for (int i = 0; i < view->count(); ++i) out << view->item(i)->text();
        return out;
    }

    TempDir dir;
    std::string file;
    std::unique_ptr<PreferencesDialog> dialog;
    std::optional<std::string> nextFolder;
    std::vector<std::string> questions;
    bool answer = false;
};
}  // namespace

TEST_F(PreferencesDialogTest, EveryControlIsSavedAtOnceAndReadBackFromTheFile) {
    const std::string skip = dir.makeFolder("skip");
    const std::string downloads = dir.makeFolder("downloads");
    const std::string keep = dir.makeFolder("keep");
    ASSERT_EQ(dialog->tabs()->count(), 4);

    click("sizeValue");
    typeSize(QStringLiteral("256K"));
    click("hiddenFiles");
    click("fullScale");
    addFolder("excludeFolders", skip);
    child<QLineEdit>("excludeExtensionsEntry")->setText(QStringLiteral("bak"));
    click("excludeExtensionsAdd");
    addFolder("alwaysSelect", downloads);
    addFolder("neverSelect", keep);
    click("allowAllCopies");
    click("permanently");
    click("emptyFolders");
    click("keepHistory");
    QListWidget* messages = child<QListWidget>("messages");
    ASSERT_EQ(messages->count(), static_cast<int>(PreferencesController::messages().size()));
    for (int i = 0; i < messages->count(); ++i) messages->item(i)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(dialog->problemText(), QString());

    Settings saved(file);
    EXPECT_FALSE(saved.defineMinimalDuplicatesFileSizeAutomatically());
    EXPECT_FALSE(saved.defineMinimalDuplicatesFileSizeAsZero());
    EXPECT_EQ(saved.minDuplicatesFileSize(), 262144u);
    EXPECT_TRUE(saved.scanInHiddenFolders());
    EXPECT_TRUE(saved.forceFullHashCalculation());
    EXPECT_EQ(saved.excludeFolders().back(), skip);
    EXPECT_EQ(saved.excludeExtensions().back(), ".bak");
    EXPECT_EQ(saved.autoAlwaysSelectFolders().back(), downloads);
    EXPECT_EQ(saved.autoNeverSelectFolders(), std::vector<std::string> {keep});
    EXPECT_TRUE(saved.allowRemovingAllDuplicateCopies());
    EXPECT_FALSE(saved.moveCleanedDuplicatesToTheTrashCan());
    EXPECT_TRUE(saved.removeEmptyFolders());
    EXPECT_FALSE(saved.logRemovedDuplicates());
    EXPECT_FALSE(saved.showNewScanMessage());
    EXPECT_FALSE(saved.showRestartScanMessage());
    EXPECT_FALSE(saved.showRemovePermanentlyMessage());
    EXPECT_FALSE(saved.showRemovePermanentlyItemsOnRemoteDisksMessage());
    EXPECT_FALSE(saved.showRemoveLastInCategoriesMessage());
    EXPECT_FALSE(saved.showRemoveLastInHeapsMessage());
    EXPECT_FALSE(saved.showAutoSelectMessage());
    EXPECT_FALSE(saved.showAutoSelectMessageThatSelectionNotChanged());
    EXPECT_FALSE(saved.showAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList());
    EXPECT_FALSE(saved.showSelectInFolderDuplicateFolderSelected());
    // The check before each removal is shown, on, and cannot be switched off here.
    EXPECT_TRUE(child<QCheckBox>("checkBeforeRemoving")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("checkBeforeRemoving")->isEnabled());

    // A second window reads all of it back from the settings.
    dialog = std::make_unique<PreferencesDialog>();
    dialog->show();
    EXPECT_TRUE(child<QRadioButton>("sizeValue")->isChecked());
    EXPECT_EQ(child<QLineEdit>("minimalSize")->text(), QStringLiteral("256K"));
    EXPECT_TRUE(child<QCheckBox>("hiddenFiles")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("fullScale")->isChecked());
    EXPECT_EQ(rows("excludeFolders").last(), QString::fromStdString(skip));
    EXPECT_EQ(rows("excludeExtensions").last(), QStringLiteral(".bak"));
    EXPECT_EQ(rows("alwaysSelect").last(), QString::fromStdString(downloads));
    EXPECT_EQ(rows("neverSelect"), QStringList {QString::fromStdString(keep)});
    EXPECT_TRUE(child<QCheckBox>("allowAllCopies")->isChecked());
    EXPECT_TRUE(child<QRadioButton>("permanently")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("emptyFolders")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("keepHistory")->isChecked());
    messages = child<QListWidget>("messages");
    for (int i = 0; i < messages->count(); ++i) EXPECT_EQ(messages->item(i)->checkState(), Qt::Unchecked) << i;

    // And back: each control undoes its change in the file.
    click("sizeZero");
    EXPECT_TRUE(Settings(file).defineMinimalDuplicatesFileSizeAsZero());
    click("sizeAutomatic");
    EXPECT_TRUE(Settings(file).defineMinimalDuplicatesFileSizeAutomatically());
    click("hiddenFiles");
    click("fullScale");
    child<QListWidget>("excludeFolders")->setCurrentRow(child<QListWidget>("excludeFolders")->count() - 1);
    click("excludeFoldersRemove");
    click("excludeExtensionsDefaults");
    click("toTrash");
    click("allowAllCopies");
    click("emptyFolders");
    click("keepHistory");
    messages->item(2)->setCheckState(Qt::Checked);
    Settings partly(file);
    EXPECT_FALSE(partly.scanInHiddenFolders());
    EXPECT_FALSE(partly.forceFullHashCalculation());
    EXPECT_EQ(partly.excludeFolders(), Settings::createDefaultExcludeFoldersArray());
    EXPECT_EQ(partly.excludeExtensions(), Settings::createDefaultExcludeExtensionsArray());
    EXPECT_TRUE(partly.moveCleanedDuplicatesToTheTrashCan());
    EXPECT_FALSE(partly.allowRemovingAllDuplicateCopies());
    EXPECT_FALSE(partly.removeEmptyFolders());
    EXPECT_TRUE(partly.logRemovedDuplicates());
    EXPECT_TRUE(partly.showRemovePermanentlyMessage());
    EXPECT_FALSE(partly.showAutoSelectMessage());
    click("showAllMessages");
    EXPECT_TRUE(Settings(file).showAutoSelectMessage());
    for (int i = 0; i < messages->count(); ++i) EXPECT_EQ(messages->item(i)->checkState(), Qt::Checked) << i;
}

TEST_F(PreferencesDialogTest, BadInputIsNamedInTheWindowAndChangesNothing) {
    const std::string skip = dir.makeFolder("skip");
    const std::string both = dir.makeFolder("both");
    addFolder("excludeFolders", skip);
    addFolder("neverSelect", both);
    typeSize(QStringLiteral("2M"));
    const std::string before = fileText(file);
    const QStringList folders = rows("excludeFolders");

    typeSize(QStringLiteral("-5"));
    EXPECT_TRUE(dialog->problemText().startsWith(QStringLiteral("The minimal size cannot be negative."))) << dialog->problemText().toStdString();
    typeSize(QStringLiteral("lots"));
    EXPECT_EQ(dialog->problemText(), QStringLiteral("\u201clots\u201d is not a size. Type a number of bytes, or a size like 10K, 1.5M or 2G."));
    addFolder("excludeFolders", skip + "/");
    EXPECT_EQ(dialog->problemText(),
              QString::fromStdString("\u201c" + skip + "\u201d is already in the Excluded Folders list. Nothing was changed."));
    child<QLineEdit>("excludeExtensionsEntry")->setText(QStringLiteral(".PLIST"));
    click("excludeExtensionsAdd");
    EXPECT_TRUE(dialog->problemText().contains(QStringLiteral("already in the Excluded Extensions list"))) << dialog->problemText().toStdString();
    EXPECT_EQ(child<QLineEdit>("excludeExtensionsEntry")->text(), QStringLiteral(".PLIST"));  // left to correct
    click("excludeFoldersRemove");  // nothing selected
    EXPECT_EQ(dialog->problemText(), QStringLiteral("Select the entries to remove first."));
    // A folder of the Never list offered to the Always list: the question, and Cancel keeps both lists.
    addFolder("alwaysSelect", both);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "This folder already added to Never Select list");
    EXPECT_EQ(fileText(file), before);
    EXPECT_EQ(rows("excludeFolders"), folders);
    EXPECT_EQ(Settings(file).minDuplicatesFileSize(), 2u << 20);

    // A good change clears the line; OK on the question moves the folder.
    answer = true;
    addFolder("alwaysSelect", both);
    EXPECT_EQ(dialog->problemText(), QString());
    EXPECT_TRUE(rows("neverSelect").isEmpty());
    EXPECT_EQ(rows("alwaysSelect").last(), QString::fromStdString(both));
}

TEST_F(PreferencesDialogTest, TheEditMenuOpensItWithControlComma) {
    dialog.reset();
    MainWindow window;
    window.show();
    QAction* action = nullptr;
    for (QAction* a : window.findChildren<QAction*>())
        if (a->text() == QStringLiteral("Preferences…")) action = a;
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    action->trigger();
    EXPECT_TRUE(window.preferences()->isVisible());
    window.preferences()->close();
}
