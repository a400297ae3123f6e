// One question of a removal as a window-modal dialog: title, text, the copies concerned, an optional
// "don't show" box and the question's buttons (the first confirms, the last cancels); "Read More"
// opens the documentation's section and leaves the question open. The answer goes to the callback
// once, when the dialog closes (Escape cancels). Main thread only; deletes itself when closed.
#pragma once

#include <QDialog>

#include <functional>

#include "app/RemovalFlowView.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

class RemovalQuestionDialog : public QDialog {
public:
    RemovalQuestionDialog(const RemovalQuestion& question, std::function<void(RemovalAnswer)> answer, QWidget* parent);
    ~RemovalQuestionDialog() override;

    QString title() const;
    QString text() const;
    QListWidget* paths() const { return m_pPaths; }
    QCheckBox* suppression() const { return m_pSuppression; }
    // The button with this caption ("Confirm", "Cancel", "Read More"); null when there is none.
    QPushButton* button(const QString& caption) const;

private:
    void answerWith(bool confirmed);

    QLabel* m_pTitle;
    QLabel* m_pText;
    QListWidget* m_pPaths;
    QCheckBox* m_pSuppression;
    std::function<void(RemovalAnswer)> m_answer;
    bool m_bConfirmed = false;
};
