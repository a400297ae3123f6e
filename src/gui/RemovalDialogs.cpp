#include "gui/RemovalDialogs.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>

#include "gui/NotRemovedDialog.h"
#include "gui/RemovalProgressSheet.h"
#include "gui/RemovalQuestionDialog.h"

RemovalDialogs::RemovalDialogs(QMainWindow& window, std::function<void()> refreshResults)
    : m_window(window), m_refresh(std::move(refreshResults)) {}

RemovalDialogs::~RemovalDialogs() {
    if (m_pSheet) m_pSheet->finish();
}

RemovalQuestionDialog* RemovalDialogs::question() const { return m_pQuestion; }
RemovalProgressSheet* RemovalDialogs::progressSheet() const { return m_pSheet; }
NotRemovedDialog* RemovalDialogs::notRemovedReport() const { return m_pReport; }
QMessageBox* RemovalDialogs::alert() const { return m_pAlert; }

QWidget* RemovalDialogs::dialogParent() const {
    if (m_pSheet && m_pSheet->isVisible()) return m_pSheet;
    return &m_window;
}

void RemovalDialogs::askRemoval(const RemovalQuestion& question, std::function<void(RemovalAnswer)> answer) {
    auto* dialog = new RemovalQuestionDialog(question, std::move(answer), dialogParent());
    m_pQuestion = dialog;
    dialog->open();
}

void RemovalDialogs::showRemovalProgress(RemovalFlow& flow) {
    if (m_pSheet) m_pSheet->finish();
    m_pSheet = new RemovalProgressSheet(flow, &m_window);
    m_pSheet->open();
}

void RemovalDialogs::hideRemovalProgress() {
    if (m_pSheet) m_pSheet->finish();
    m_pSheet = nullptr;
}

void RemovalDialogs::showNotRemoved(const NotRemovedReport& report, std::function<void()> closed) {
    auto* dialog = new NotRemovedDialog(report, std::move(closed), dialogParent());
    m_pReport = dialog;
    dialog->open();
}

void RemovalDialogs::showRemovalAlert(const std::string& title, const std::string& text) {
    // Over the window, not the sheet: a message of the run outlives the sheet that closes at its end.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Dorvane"), QString::fromStdString(title),
                                QMessageBox::Ok, &m_window);
    box->setInformativeText(QString::fromStdString(text));
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_pAlert = box;
    box->open();
}

void RemovalDialogs::showRemovalFinished(const std::string& summary) {
    m_window.statusBar()->showMessage(QString::fromStdString(summary), 20000);
}

void RemovalDialogs::removalChangedResults() {
    if (m_refresh) m_refresh();
}
