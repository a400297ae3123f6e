#include "gui/AllowAllCopiesPanel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

AllowAllCopiesPanel::AllowAllCopiesPanel(std::function<void(bool)> changed, QWidget* parent)
    : QFrame(parent, Qt::Popup), m_changed(std::move(changed)) {
    setFrameShape(QFrame::StyledPanel);
    setObjectName(QStringLiteral("allowAllCopiesPanel"));
    m_pTip = new QLabel;
    m_pTip->setWordWrap(true);
    m_pTip->setMinimumWidth(320);
    m_pTip->setMaximumWidth(380);
    m_pSwitch = new QCheckBox(QString::fromUtf8(kSwitchText));
    auto* close = new QToolButton;
    close->setText(QStringLiteral("\u2715"));
    close->setAutoRaise(true);
    close->setToolTip(QStringLiteral("Close"));
    auto* top = new QHBoxLayout;
    top->addWidget(m_pTip, 1);
    top->addWidget(close, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 10);
    layout->addLayout(top);
    layout->addWidget(m_pSwitch);
    connect(close, &QToolButton::clicked, this, &QWidget::hide);
    connect(m_pSwitch, &QCheckBox::toggled, this, [this](bool on) {
        if (m_changed) m_changed(on);
    });
}

QString AllowAllCopiesPanel::tip() const { return m_pTip->text(); }

void AllowAllCopiesPanel::showAt(const QPoint& globalPos, const QString& tip, bool allowed) {
    m_pTip->setText(tip);
    {
        const QSignalBlocker quiet(m_pSwitch);
        m_pSwitch->setChecked(allowed);
    }
    adjustSize();
    // Left of the pointer and just below it, kept inside the window (or the screen).
    QRect bounds = parentWidget() ? parentWidget()->window()->frameGeometry() : QRect();
    if (bounds.isEmpty() && screen()) bounds = screen()->availableGeometry();
    QPoint at = globalPos + QPoint(-30, 5);
    if (!bounds.isEmpty()) {
        if (at.x() + width() > bounds.right()) at.setX(bounds.right() - width() - 10);
        if (at.y() + height() > bounds.bottom()) at.setY(globalPos.y() - height() - 25);
        at.setX(std::max(at.x(), bounds.left()));
        at.setY(std::max(at.y(), bounds.top()));
    }
    move(at);
    show();
}
