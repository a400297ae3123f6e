#include "gui/MessageScreen.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

MessageScreen::MessageScreen(const QString& firstAction, const QString& secondAction, QWidget* parent)
    : QWidget(parent) {
    m_pTitle = new QLabel;
    m_pTitle->setAlignment(Qt::AlignCenter);
    QFont big = m_pTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    m_pTitle->setFont(big);
    m_pText = new QLabel;
    m_pText->setAlignment(Qt::AlignCenter);
    m_pText->setWordWrap(true);
    m_pFirst = new QPushButton(firstAction);
    m_pSecond = new QPushButton(secondAction);
    m_pSecond->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_pFirst);
    buttons->addWidget(m_pSecond);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->addStretch(1);
    layout->addWidget(m_pTitle);
    layout->addSpacing(12);
    layout->addWidget(m_pText);
    layout->addSpacing(24);
    layout->addLayout(buttons);
    layout->addStretch(2);
}

void MessageScreen::setTexts(const QString& title, const QString& text) {
    m_pTitle->setText(title);
    m_pText->setText(text);
}
