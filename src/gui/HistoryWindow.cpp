#include "gui/HistoryWindow.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "gui/HistoryModel.h"

HistoryWindow::HistoryWindow(QWidget* parent, std::optional<std::string> folder)
    : QWidget(parent, Qt::Window), m_pBrowser(std::make_unique<HistoryBrowser>(std::move(folder))) {
    setWindowTitle(QStringLiteral("History"));
    m_chooseFolder = [this]() -> std::optional<std::string> {
        const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("Restore To"), QDir::homePath());
        if (chosen.isEmpty()) return std::nullopt;
        return chosen.toStdString();
    };
    m_chooseFile = [this]() -> std::optional<std::string> {
        QFileDialog dialog(this, QString::fromUtf8(HistoryBrowser::kChooseOriginalTitle), QDir::homePath());
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Confirm"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return dialog.selectedFiles().first().toStdString();
    };
    m_message = [this](const HistoryMessage& message, const QString& secondButton) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("History"),
                        QString::fromStdString(message.message.empty() ? message.informativeText : message.message),
                        QMessageBox::NoButton, this);
        if (!message.message.empty()) box.setInformativeText(QString::fromStdString(message.informativeText));
        if (secondButton.isEmpty()) {
            box.addButton(QMessageBox::Ok);
            box.exec();
            return false;
        }
        box.addButton(secondButton == QStringLiteral("Yes") ? QStringLiteral("No") : QStringLiteral("Cancel"),
                      QMessageBox::RejectRole);
        QPushButton* second = box.addButton(secondButton, QMessageBox::AcceptRole);
        box.setDefaultButton(second);
        box.exec();
        return box.clickedButton() == second;
    };

    m_pModel = new HistoryModel(*m_pBrowser, this);
    m_pDays = new QListWidget;
    m_pDays->setObjectName(QStringLiteral("days"));
    m_pTree = new QTreeView;
    m_pTree->setObjectName(QStringLiteral("files"));
    m_pTree->setModel(m_pModel);
    m_pTree->setUniformRowHeights(true);
    m_pTree->setTextElideMode(Qt::ElideMiddle);
    m_pTree->setAlternatingRowColors(true);
    m_pTree->header()->setStretchLastSection(true);
    m_pTree->setColumnWidth(HistoryModel::PathColumn, 480);
    m_pTree->setColumnWidth(HistoryModel::SizeColumn, 90);
    m_pTree->setColumnWidth(HistoryModel::StateColumn, 240);
    m_pCounts = new QLabel;
    m_pCounts->setObjectName(QStringLiteral("counts"));
    m_pSummary = new QLabel;
    m_pSummary->setObjectName(QStringLiteral("summary"));
    m_pSummary->setWordWrap(true);

    m_pRestore = new QPushButton(QStringLiteral("Restore"));
    m_pRestore->setDefault(true);
    m_pRestoreTo = new QPushButton(QStringLiteral("Restore To…"));
    m_pFindOriginal = new QPushButton(QStringLiteral("Find Original…"));
    m_pFindOriginal->setObjectName(QStringLiteral("findOriginal"));
    m_pFindOriginal->setToolTip(QStringLiteral("Point out a file with the removed file's size and date to restore it from"));
    m_pClearDay = new QPushButton(QStringLiteral("Clear Day…"));
    m_pClearAll = new QPushButton(QStringLiteral("Clear History…"));

    auto* dayPane = new QWidget;
    auto* dayLayout = new QVBoxLayout(dayPane);
    dayLayout->setContentsMargins(0, 0, 0, 0);
    dayLayout->addWidget(new QLabel(QStringLiteral("Days")));
    dayLayout->addWidget(m_pDays, 1);
    auto* clearRow = new QHBoxLayout;
    clearRow->addWidget(m_pClearDay);
    clearRow->addWidget(m_pClearAll);
    dayLayout->addLayout(clearRow);

    auto* filePane = new QWidget;
    auto* fileLayout = new QVBoxLayout(filePane);
    fileLayout->setContentsMargins(0, 0, 0, 0);
    fileLayout->addWidget(m_pCounts);
    fileLayout->addWidget(m_pTree, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pFindOriginal);
    buttons->addStretch(1);
    buttons->addWidget(m_pRestoreTo);
    buttons->addWidget(m_pRestore);
    fileLayout->addLayout(buttons);
    fileLayout->addWidget(m_pSummary);

    auto* split = new QSplitter;
    split->addWidget(dayPane);
    split->addWidget(filePane);
    split->setStretchFactor(1, 1);
    split->setSizes({230, 900});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split);
    resize(1150, 620);

    m_pPoll = new QTimer(this);
    m_pPoll->setInterval(100);
    connect(m_pPoll, &QTimer::timeout, this, &HistoryWindow::poll);
    connect(m_pDays, &QListWidget::currentRowChanged, this, &HistoryWindow::chooseDay);
    connect(m_pRestore, &QPushButton::clicked, this, [this] { restore(std::nullopt); });
    connect(m_pRestoreTo, &QPushButton::clicked, this, [this] {
        if (const auto folder = m_chooseFolder()) restore(folder);
    });
    connect(m_pFindOriginal, &QPushButton::clicked, this, &HistoryWindow::findOriginal);
    connect(m_pTree, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        if (HistoryModel::fileOf(index) >= 0) findOriginal();
    });
    connect(m_pClearDay, &QPushButton::clicked, this, [this] { clear(false); });
    connect(m_pClearAll, &QPushButton::clicked, this, [this] { clear(true); });
    connect(m_pModel, &QAbstractItemModel::dataChanged, this, &HistoryWindow::updateState);
    connect(m_pTree->selectionModel(), &QItemSelectionModel::currentChanged, this, &HistoryWindow::updateState);
    updateState();
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::showEvent(QShowEvent* event) {
    if (!m_pBrowser->isBusy()) reload();
    QWidget::showEvent(event);
}

void HistoryWindow::reload() {
    if (m_pBrowser->isBusy()) return;
    m_pBrowser->reload();
    m_pModel->reload();
    m_pSummary->clear();
    {
        const QSignalBlocker block(m_pDays);
        m_pDays->clear();
        for (std::size_t i = 0; i < m_pBrowser->dayCount(); ++i)
            m_pDays->addItem(QString::fromStdString(m_pBrowser->dayTitle(i)));
    }
    if (m_pDays->count() > 0) {
        m_pDays->setCurrentRow(0);
        chooseDay(0);
    }
    updateState();
}

void HistoryWindow::chooseDay(int row) {
    if (row < 0 || m_pBrowser->isBusy()) return;
    m_pBrowser->chooseDay(static_cast<std::size_t>(row));
    m_pModel->reload();
    m_pSummary->clear();
    m_pPoll->start();
    updateState();
}

void HistoryWindow::restore(const std::optional<std::string>& destination) {
    const HistoryMessage message = m_pBrowser->restoreTicked(destination);
    if (!message.empty()) {
        m_message(message, {});
        return;
    }
    m_pModel->reload();
    m_pTree->expandAll();
    m_pSummary->setText(QStringLiteral("Restoring…"));
    m_pPoll->start();
    updateState();
}

void HistoryWindow::findOriginal() {
    const QModelIndex current = m_pTree->currentIndex();
    const int run = HistoryModel::runOf(current), file = HistoryModel::fileOf(current);
    if (file < 0 || m_pBrowser->isBusy()) return;
    const HistoryMessage question = m_pBrowser->messageForUnrestorable(static_cast<std::size_t>(run), static_cast<std::size_t>(file));
    if (question.empty() || !m_message(question, QStringLiteral("Find File"))) return;
    while (const auto path = m_chooseFile()) {
        const HistoryMessage refusal = m_pBrowser->useAsOriginal(static_cast<std::size_t>(run), static_cast<std::size_t>(file), *path);
        if (refusal.empty()) {
            m_pPoll->start();
            updateState();
            return;
        }
        if (!m_message(refusal, QStringLiteral("Yes"))) return;
    }
}

void HistoryWindow::clear(bool wholeHistory) {
    if (m_pBrowser->isBusy()) return;
    HistoryMessage question;
    if (wholeHistory) {
        question = {"Clear the whole removal history?", "The logs of every day are deleted. Removed files stay where they are, "
                                                        "but they can no longer be restored from this window."};
    } else {
        const int row = m_pDays->currentRow();
        if (row < 0) return;
        question = {"Clear the history of " + m_pBrowser->dayTitle(static_cast<std::size_t>(row)) + "?",
                    "The logs of that day are deleted. Removed files stay where they are, but they can no longer be "
                    "restored from this window."};
    }
    if (!m_message(question, QStringLiteral("Clear"))) return;
    const auto failures = wholeHistory ? m_pBrowser->clearHistory() : m_pBrowser->clearChosenDay();
    reload();
    if (!failures.empty()) {
        std::string text;
        for (const auto& f : failures) text += f + "\n";
        m_message({"Some logs could not be deleted", text}, {});
    }
}

void HistoryWindow::poll() {
    if (!m_pBrowser->poll()) return;
    m_pPoll->stop();
    m_pModel->reload();
    m_pTree->expandAll();
    m_pSummary->setText(QString::fromStdString(m_pBrowser->lastRestoreSummary()));
    updateState();
    const HistoryMessage message = m_pBrowser->takeMessage();
    if (!message.empty()) m_message(message, {});
}

QString HistoryWindow::countsText() const { return m_pCounts->text(); }
QString HistoryWindow::summaryText() const { return m_pSummary->text(); }

void HistoryWindow::updateState() {
    const bool busy = m_pBrowser->isBusy();
    if (busy && m_pBrowser->runs().empty()) {
        m_pCounts->setText(QStringLiteral("Reading the removal logs…"));
    } else if (m_pBrowser->dayCount() == 0) {
        m_pCounts->setText(QStringLiteral("No removals recorded yet."));
    } else {
        m_pCounts->setText(QStringLiteral("%1 removed files, %2 can be restored, %3 ticked")
                               .arg(m_pBrowser->removedCount())
                               .arg(m_pBrowser->restorableCount())
                               .arg(m_pBrowser->tickedCount()));
    }
    const bool ticked = !busy && m_pBrowser->tickedCount() > 0;
    m_pRestore->setEnabled(ticked);
    m_pRestoreTo->setEnabled(ticked);
    const QModelIndex current = m_pTree->currentIndex();
    const int run = HistoryModel::runOf(current), file = HistoryModel::fileOf(current);
    m_pFindOriginal->setEnabled(!busy && file >= 0 &&
                                !m_pBrowser->messageForUnrestorable(static_cast<std::size_t>(run), static_cast<std::size_t>(file)).empty());
    m_pClearDay->setEnabled(!busy && m_pDays->currentRow() >= 0);
    m_pClearAll->setEnabled(!busy && m_pBrowser->dayCount() > 0);
    m_pDays->setEnabled(!busy);
}
