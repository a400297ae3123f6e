// The Preferences window: tabs Scan, Selection, Removal and Messages over PreferencesController; every
// change is saved at once, a refused one is named in the window's problem line and changes nothing.
// Widgets carry object names ("hiddenFiles", "excludeFolders" …) for the tests. Main thread only.
#pragma once

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/PreferencesController.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;

class PreferencesDialog : public QDialog {
public:
    enum Tab { ScanTab = 0, SelectionTab, RemovalTab, MessagesTab };

    explicit PreferencesDialog(QWidget* parent = nullptr);

    // Reads every control again from the settings (on show, and after a restore of defaults).
    void reload();
    void showTab(Tab tab);
    QTabWidget* tabs() const { return m_pTabs; }
    QString problemText() const;

    // The folder dialog and the OK/Cancel question; tests put answers of their own in their place.
    using FolderChooser = std::function<std::optional<std::string>(const QString& title)>;
    using Asker = std::function<bool(const std::string& message, const std::string& informativeText)>;
    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }
    void setAsker(Asker asker) { m_ask = std::move(asker); }

    // What the Add button does once a folder or an ending is known (also the way drops and tests go).
    bool addToList(PreferenceList list, const std::string& entry);

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct ListPanel {
        PreferenceList list;
        QListWidget* view = nullptr;
        QLineEdit* entry = nullptr;  // for endings, which are typed
    };

    QWidget* buildScanTab();
    QWidget* buildSelectionTab();
    QWidget* buildRemovalTab();
    QWidget* buildMessagesTab();
    QWidget* buildListPanel(PreferenceList list, const QString& hint, const QString& objectName);
    ListPanel* panel(PreferenceList list);
    void reloadList(PreferenceList list);
    void applyMinimalSize();
    // Shows the outcome of a change: clears the problem line, or names the refusal there.
    bool report(const PreferenceChange& change);
    QCheckBox* addCheck(QWidget* parent, const QString& text, const QString& objectName, bool (PreferencesController::*get)() const,
                        void (PreferencesController::*set)(bool));

    PreferencesController m_controller;
    QTabWidget* m_pTabs;
    QLabel* m_pProblem;
    QButtonGroup* m_pSizeModes = nullptr;
    QLineEdit* m_pMinimalSize = nullptr;
    QLabel* m_pMinimalSizeShown = nullptr;
    QButtonGroup* m_pRemovalModes = nullptr;
    QListWidget* m_pMessages = nullptr;
    std::vector<ListPanel> m_panels;
    std::vector<std::pair<QCheckBox*, bool (PreferencesController::*)() const>> m_checks;
    FolderChooser m_chooseFolder;
    Asker m_ask;
    bool m_bReloading = false;
};
