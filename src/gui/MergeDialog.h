// The "Merge…" dialog of the Folders view: the two folders side by side with their Unique Files and
// Duplicate Files, the direction switch, the options, the description and counts, then progress and
// each item's result. A thin view over MergeSession; the merge itself runs on its own queue, so the
// window never waits. Main thread only.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "app/MergeSession.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTreeWidget;

class MergeDialog : public QDialog, public MergeSessionView {
public:
    // Null when the entry is no pair of folders that can be merged.
    static MergeDialog* create(std::shared_ptr<DuplicatesContainer> container, const FolderEntry& entry,
                               QWidget* parent);

    MergeSession& session() { return *m_pSession; }
    // The question asked after a successful merge; tests answer it without a message box.
    void setQuestionAnswerer(std::function<WindowAnswer(const WindowQuestion&)> answerer) {
        m_answerer = std::move(answerer);
    }

    QPushButton* mergeButton() const { return m_pMerge; }
    QPushButton* directionButton() const { return m_pDirection; }
    QRadioButton* copyChoice() const { return m_pCopy; }
    QCheckBox* differentNamesChoice() const { return m_pDifferentNames; }
    QCheckBox* removeSourceChoice() const { return m_pRemoveSource; }
    QComboBox* labelChoice() const { return m_pLabel; }
    QLabel* description() const { return m_pDescription; }
    QLabel* counts() const { return m_pCounts; }
    QTreeWidget* leftList() const { return m_pLeft; }
    QTreeWidget* rightList() const { return m_pRight; }

    void planChanged() override;
    void progressChanged() override;
    void stateChanged() override;
    WindowAnswer ask(const WindowQuestion& question) override;

protected:
    void reject() override;

private:
    explicit MergeDialog(QWidget* parent);
    void build();
    void fill(QTreeWidget* list, const std::vector<MergeRow>& rows, const std::string& title);

    std::unique_ptr<MergeSession> m_pSession;
    std::function<WindowAnswer(const WindowQuestion&)> m_answerer;
    QTreeWidget* m_pLeft = nullptr;
    QTreeWidget* m_pRight = nullptr;
    QPushButton* m_pDirection = nullptr;
    QRadioButton* m_pMove = nullptr;
    QRadioButton* m_pCopy = nullptr;
    QCheckBox* m_pDifferentNames = nullptr;
    QCheckBox* m_pRemoveSource = nullptr;
    QComboBox* m_pLabel = nullptr;
    QLabel* m_pDescription = nullptr;
    QLabel* m_pCounts = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QPushButton* m_pMerge = nullptr;
    QPushButton* m_pClose = nullptr;
};
