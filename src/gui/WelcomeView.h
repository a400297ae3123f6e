// The welcome screen: the folders to scan (Add..., Delete, drops from the file manager), the recent
// folders menu and the Scan button, whose caption names the full-scale scan while Alt is held.
// Main thread only.
#pragma once

#include <QWidget>

class QListWidget;
class QMenu;
class QPushButton;
class WindowController;

class WelcomeView : public QWidget {
public:
    WelcomeView(WindowController& controller, QWidget* parent = nullptr);

    void refresh();
    void setAlternateHeld(bool held);
    QListWidget* folderList() const { return m_pList; }
    QPushButton* scanButton() const { return m_pScan; }
    void chooseFolderToAdd();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void removeSelected();
    void rebuildRecentMenu();

    WindowController& m_controller;
    QListWidget* m_pList;
    QPushButton* m_pScan;
    QPushButton* m_pRemove;
    QMenu* m_pRecentMenu;
    bool m_bAlternateHeld = false;
};
