// The progress sheet of a removal run: where the copies go, a bar and "12 of 40 copies done · 3.1 MiB
// freed", read from the flow five times a second, and Stop. Only the flow closes it (Escape does
// nothing). Main thread only.
#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;
class RemovalFlow;

class RemovalProgressSheet : public QDialog {
public:
    RemovalProgressSheet(RemovalFlow& flow, QWidget* parent);

    QString detail() const;
    QPushButton* stopButton() const { return m_pStop; }
    // Reads the flow now (the timer does so every 200 ms).
    void poll();
    // Closes the sheet for good.
    void finish();

protected:
    void reject() override {}
    void closeEvent(QCloseEvent* event) override;

private:
    RemovalFlow& m_flow;
    QLabel* m_pTitle;
    QLabel* m_pDetail;
    QProgressBar* m_pBar;
    QPushButton* m_pStop;
    QTimer m_timer;
    bool m_bFinished = false;
};
