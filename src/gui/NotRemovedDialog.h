// The report at the end of a removal run of the copies it did not remove: every copy with its reason,
// Show in Folder for the chosen one, and OK. Window-modal; deletes itself when closed. Main thread only.
#pragma once

#include <QDialog>

#include <functional>

#include "app/RemovalFlowView.h"

class QLabel;
class QPushButton;
class QTreeWidget;

class NotRemovedDialog : public QDialog {
public:
    NotRemovedDialog(const NotRemovedReport& report, std::function<void()> closed, QWidget* parent);

    QString title() const;
    QString summary() const;
    QTreeWidget* copies() const { return m_pCopies; }
    QPushButton* showInFolderButton() const { return m_pShowInFolder; }

private:
    QLabel* m_pTitle;
    QLabel* m_pSummary;
    QTreeWidget* m_pCopies;
    QPushButton* m_pShowInFolder;
};
