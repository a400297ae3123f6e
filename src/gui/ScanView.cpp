#include "gui/ScanView.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/WindowController.h"
#include "gui/GroupsModel.h"
#include "scan/FoldersScanner.h"

namespace {
QString phaseName(FoldersScannerState state) {
    switch (state) {
        case FoldersScannerStateIdle: return QStringLiteral("Starting");
        case FoldersScannerStateScanningFolders: return QStringLiteral("Scanning folders");
        case FoldersScannerStateFilteringFiles: return QStringLiteral("Comparing files");
        case FoldersScannerStateFilteringFolders: return QStringLiteral("Comparing folders");
        case FoldersScannerStateFilteringHeaps:
        case FoldersScannerStateSeparatingHeapItems: return QStringLiteral("Looking into folders that share files");
        case FoldersScannerStateCompleted: return QStringLiteral("Done");
        case FoldersScannerStateStopped: return QStringLiteral("Stopping");
    }
    return {};
}

QString elapsedText(double seconds) {
    const qint64 s = seconds < 0 ? 0 : static_cast<qint64>(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}
}  // namespace

ScanView::ScanView(WindowController& controller, QWidget* parent) : QWidget(parent), m_controller(controller) {
    m_pPhase = new QLabel;
    QFont big = m_pPhase->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    m_pPhase->setFont(big);
    m_pFolders = new QLabel;
    m_pFolders->setWordWrap(true);
    m_pFolders->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pFiles = new QLabel;
    m_pPossible = new QLabel;
    m_pConfirmed = new QLabel;
    m_pElapsed = new QLabel;
    m_pProgress = new QProgressBar;
    m_pProgress->setRange(0, 1000);
    m_pProgress->setTextVisible(false);
    m_pStop = new QPushButton(QStringLiteral("Stop"));
    m_pShowResults = new QPushButton(QStringLiteral("Stop and Show Results"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Folders:"), m_pFolders);
    form->addRow(QStringLiteral("Files scanned:"), m_pFiles);
    form->addRow(QStringLiteral("Possible duplicates:"), m_pPossible);
    form->addRow(QStringLiteral("Duplicates found:"), m_pConfirmed);
    form->addRow(QStringLiteral("Elapsed:"), m_pElapsed);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_pShowResults);
    buttons->addWidget(m_pStop);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->addWidget(m_pPhase);
    layout->addSpacing(12);
    layout->addLayout(form);
    layout->addSpacing(12);
    layout->addWidget(m_pProgress);
    layout->addStretch(1);
    layout->addLayout(buttons);

    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &ScanView::update);
    connect(m_pStop, &QPushButton::clicked, this, [this] { m_controller.stopFromScanScreen(); });
    connect(m_pShowResults, &QPushButton::clicked, this, [this] {
        m_controller.showResultsFromScanScreen();
        update();
    });
}

void ScanView::setActive(bool active) {
    if (active) {
        update();
        // The scan is created just after this screen is shown: its first figures come at once.
        QTimer::singleShot(0, this, &ScanView::update);
        m_timer.start();
    } else {
        m_timer.stop();
    }
}

void ScanView::update() {
    const FoldersScanner* s = m_controller.scanner();
    if (!s) return;
    QStringList folders;
    for (const auto& f : s->getUserSelectedFolderArray()) folders << QString::fromStdString(f);
    m_pFolders->setText(folders.join(QStringLiteral("\n")));
    const QLocale locale = QLocale::system();
    std::uint64_t possibleSize = 0, actualSize = 0;
    for (int t = 0; t < 7; ++t) {
        possibleSize += s->getPossibleDuplicatesSizeOfType(t);
        actualSize += s->getActualDuplicatesSizeOfType(t);
    }
    const FoldersScannerState state = s->getCurrentState();
    const bool done = state == FoldersScannerStateCompleted || m_controller.screen() != WindowScreen::Scanning;
    m_pPhase->setText(done ? QStringLiteral("Scan complete") : phaseName(state));
    m_pFiles->setText(locale.toString(static_cast<qulonglong>(s->getCountOfScannedFiles())));
    m_pPossible->setText(QStringLiteral("%1 (%2)")
                             .arg(locale.toString(static_cast<qulonglong>(s->getCountOfPossibleDuplicates())),
                                  GroupsModel::formatSize(static_cast<std::int64_t>(possibleSize))));
    m_pConfirmed->setText(QStringLiteral("%1 (%2)")
                              .arg(locale.toString(static_cast<qulonglong>(s->getCountOfActualDuplicates())),
                                   GroupsModel::formatSize(static_cast<std::int64_t>(actualSize))));
    m_pElapsed->setText(elapsedText(s->getTimeFromStart()));
    // The walk has no known end: the bar runs busy until comparing begins.
    if (state <= FoldersScannerStateScanningFolders) {
        m_pProgress->setRange(0, 0);
    } else {
        m_pProgress->setRange(0, 1000);
        m_pProgress->setValue(done ? 1000 : static_cast<int>(1000 * s->getOverallProgress()));
    }
    const bool running = m_controller.scanner() && !done && !m_controller.isWaitingForResult();
    m_pStop->setEnabled(running);
    m_pShowResults->setEnabled(running);
}
