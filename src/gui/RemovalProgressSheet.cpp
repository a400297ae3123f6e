#include "gui/RemovalProgressSheet.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/RemovalFlow.h"

RemovalProgressSheet::RemovalProgressSheet(RemovalFlow& flow, QWidget* parent) : QDialog(parent), m_flow(flow) {
    setWindowTitle(QStringLiteral("Dorvane — Removing"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(460);
    m_pTitle = new QLabel;
    QFont bold = m_pTitle->font();
    bold.setBold(true);
    m_pTitle->setFont(bold);
    m_pBar = new QProgressBar;
    m_pBar->setTextVisible(false);
    m_pDetail = new QLabel;
    m_pStop = new QPushButton(QStringLiteral("Stop"));
    m_pStop->setAutoDefault(false);
    connect(m_pStop, &QPushButton::clicked, this, [this] {
        m_flow.stop();
        poll();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_pStop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pTitle);
    layout->addWidget(m_pBar);
    layout->addWidget(m_pDetail);
    layout->addLayout(buttons);

    m_timer.setInterval(200);
    connect(&m_timer, &QTimer::timeout, this, &RemovalProgressSheet::poll);
    m_timer.start();
    poll();
}

QString RemovalProgressSheet::detail() const { return m_pDetail->text(); }

void RemovalProgressSheet::poll() {
    if (m_bFinished) return;
    const RemovalProgress p = m_flow.progress();
    QString title = p.toTrash ? QStringLiteral("Moving copies to the Trash…") : QStringLiteral("Deleting copies permanently…");
    if (p.helperRunning) title = QStringLiteral("A helper is removing the confirmed copies…");
    if (p.stopping) title = QStringLiteral("Stopping after the copies in flight…");
    m_pTitle->setText(title);
    const int total = static_cast<int>(std::min<std::uint64_t>(p.copiesTotal, 1u << 30));
    m_pBar->setRange(0, std::max(total, 1));
    m_pBar->setValue(static_cast<int>(std::min<std::uint64_t>(p.copiesDone, static_cast<std::uint64_t>(std::max(total, 1)))));
    m_pDetail->setText(QString::fromStdString(p.text()));
    m_pStop->setEnabled(!p.stopping && !p.helperRunning);
}

void RemovalProgressSheet::finish() {
    m_bFinished = true;
    m_timer.stop();
    done(QDialog::Accepted);
    deleteLater();
}

void RemovalProgressSheet::closeEvent(QCloseEvent* event) {
    if (!m_bFinished) event->ignore();
}
