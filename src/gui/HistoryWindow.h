// The History window: the days of the removal history in a list, the chosen day's runs and removed
// files in a tree with ticks, the counts, Restore and Restore To…, finding an original for a file that
// cannot be restored, clearing history, and each file's result after a restore. Reading and restoring
// run in the browser's jobs, polled by a timer. Main thread only.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/HistoryBrowser.h"

class HistoryModel;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;
class QTreeView;

class HistoryWindow : public QWidget {
public:
    // The application's log folder, or another one.
    explicit HistoryWindow(QWidget* parent = nullptr, std::optional<std::string> folder = std::nullopt);
    ~HistoryWindow() override;

    HistoryBrowser& browser() { return *m_pBrowser; }
    HistoryModel* model() const { return m_pModel; }
    QTreeView* tree() const { return m_pTree; }
    QListWidget* days() const { return m_pDays; }
    QPushButton* restoreButton() const { return m_pRestore; }
    QPushButton* restoreToButton() const { return m_pRestoreTo; }
    QString countsText() const;
    QString summaryText() const;

    // Lists the days again and opens the newest.
    void reload();

    // The dialogs, replaceable by tests: a folder for Restore To…, a file for an original, and a
    // message (true: its second button, "Find File", "Yes" or "Clear", was chosen).
    using PathChooser = std::function<std::optional<std::string>()>;
    using Messenger = std::function<bool(const HistoryMessage& message, const QString& secondButton)>;
    void setFolderChooser(PathChooser chooser) { m_chooseFolder = std::move(chooser); }
    void setFileChooser(PathChooser chooser) { m_chooseFile = std::move(chooser); }
    void setMessenger(Messenger messenger) { m_message = std::move(messenger); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void chooseDay(int row);
    void restore(const std::optional<std::string>& destination);
    void findOriginal();
    void clear(bool wholeHistory);
    void poll();
    void updateState();

    std::unique_ptr<HistoryBrowser> m_pBrowser;
    HistoryModel* m_pModel;
    QListWidget* m_pDays;
    QTreeView* m_pTree;
    QLabel* m_pCounts;
    QLabel* m_pSummary;
    QPushButton* m_pRestore;
    QPushButton* m_pRestoreTo;
    QPushButton* m_pFindOriginal;
    QPushButton* m_pClearDay;
    QPushButton* m_pClearAll;
    QTimer* m_pPoll;
    PathChooser m_chooseFolder;
    PathChooser m_chooseFile;
    Messenger m_message;
};
