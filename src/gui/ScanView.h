// The scan screen: phase, files scanned, possible and confirmed duplicates, elapsed time and a progress
// bar, read from the scan driver's counters by a one-second timer; Stop and Show Results. Main thread only.
#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class WindowController;

class ScanView : public QWidget {
public:
    ScanView(WindowController& controller, QWidget* parent = nullptr);

    // Starts or stops polling; the first reading is taken at once.
    void setActive(bool active);
    void update();

private:
    WindowController& m_controller;
    QTimer m_timer;
    QLabel* m_pPhase;
    QLabel* m_pFolders;
    QLabel* m_pFiles;
    QLabel* m_pPossible;
    QLabel* m_pConfirmed;
    QLabel* m_pElapsed;
    QProgressBar* m_pProgress;
    QPushButton* m_pStop;
    QPushButton* m_pShowResults;
};
