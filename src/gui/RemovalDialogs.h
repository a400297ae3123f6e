// The window's side of the removal flow (RemovalFlowView): its questions, progress sheet and reports
// as window-modal dialogs over the main window (questions asked during a run sit over the progress
// sheet), the line of a finished run in the status bar, and the results read again. Main thread only.
#pragma once

#include <QPointer>

#include <functional>

#include "app/RemovalFlowView.h"

class NotRemovedDialog;
class QMainWindow;
class QMessageBox;
class QWidget;
class RemovalProgressSheet;
class RemovalQuestionDialog;

class RemovalDialogs : public RemovalFlowView {
public:
    RemovalDialogs(QMainWindow& window, std::function<void()> refreshResults);
    ~RemovalDialogs() override;

    // What is open now; null when nothing is.
    RemovalQuestionDialog* question() const;
    RemovalProgressSheet* progressSheet() const;
    NotRemovedDialog* notRemovedReport() const;
    QMessageBox* alert() const;

    void askRemoval(const RemovalQuestion& question, std::function<void(RemovalAnswer)> answer) override;
    void showRemovalProgress(RemovalFlow& flow) override;
    void hideRemovalProgress() override;
    void showNotRemoved(const NotRemovedReport& report, std::function<void()> closed) override;
    void showRemovalAlert(const std::string& title, const std::string& text) override;
    void showRemovalFinished(const std::string& summary) override;
    void removalChangedResults() override;

private:
    QWidget* dialogParent() const;

    QMainWindow& m_window;
    std::function<void()> m_refresh;
    QPointer<RemovalProgressSheet> m_pSheet;
    QPointer<RemovalQuestionDialog> m_pQuestion;
    QPointer<NotRemovedDialog> m_pReport;
    QPointer<QMessageBox> m_pAlert;
};
