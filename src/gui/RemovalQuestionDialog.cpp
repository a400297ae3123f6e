#include "gui/RemovalQuestionDialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "gui/DesktopActions.h"

RemovalQuestionDialog::RemovalQuestionDialog(const RemovalQuestion& question, std::function<void(RemovalAnswer)> answer,
                                             QWidget* parent)
    : QDialog(parent), m_answer(std::move(answer)) {
    setWindowTitle(QStringLiteral("Dorvane"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumWidth(520);

    auto* icon = new QLabel;
    icon->setPixmap(style()->standardIcon(question.asksConfirmation ? QStyle::SP_MessageBoxQuestion
                                                                   : QStyle::SP_MessageBoxWarning)
                        .pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    m_pTitle = new QLabel(QString::fromStdString(question.title));
    m_pTitle->setWordWrap(true);
    QFont bold = m_pTitle->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    m_pTitle->setFont(bold);
    m_pText = new QLabel(QString::fromStdString(question.text));
    m_pText->setWordWrap(true);
    m_pText->setVisible(!question.text.empty());

    m_pPaths = new QListWidget;
    m_pPaths->setTextElideMode(Qt::ElideLeft);
    m_pPaths->setUniformItemSizes(true);
    m_pPaths->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const auto& path : question.paths) m_pPaths->addItem(QString::fromStdString(path));
    m_pPaths->setVisible(!question.paths.empty());
    m_pPaths->setMaximumHeight(question.paths.size() > 6 ? 160 : 28 + 22 * static_cast<int>(question.paths.size()));

    m_pSuppression = new QCheckBox(QString::fromStdString(question.suppressionText));
    m_pSuppression->setVisible(!question.suppressionText.empty());

    auto* buttons = new QHBoxLayout;
    if (!question.helpSection.empty()) {
        auto* readMore = new QPushButton(QStringLiteral("Read More"));
        readMore->setAutoDefault(false);
        const QString section = QString::fromStdString(question.helpSection);
        connect(readMore, &QPushButton::clicked, this, [section] { desktop_actions::openDocumentation(section); });
        buttons->addWidget(readMore);
    }
    buttons->addStretch(1);
    // Shown right to left as the desktop does: the confirming button last, and the default.
    const auto& captions = question.buttons.empty() ? std::vector<std::string>{"OK"} : question.buttons;
    for (std::size_t i = captions.size(); i-- > 0;) {
        auto* button = new QPushButton(QString::fromStdString(captions[i]));
        const bool confirms = i == 0 && question.asksConfirmation;
        if (i == 0) {
            button->setDefault(true);
            button->setAutoDefault(true);
        } else {
            button->setAutoDefault(false);
        }
        connect(button, &QPushButton::clicked, this, [this, confirms] { answerWith(confirms); });
        buttons->addWidget(button);
    }

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_pTitle);
    texts->addWidget(m_pText);
    texts->addWidget(m_pPaths);
    texts->addWidget(m_pSuppression);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    connect(this, &QDialog::finished, this, [this] {
        if (!m_answer) return;
        auto answer = std::move(m_answer);
        m_answer = nullptr;
        answer({m_bConfirmed, m_bConfirmed && m_pSuppression->isChecked()});
    });
}

RemovalQuestionDialog::~RemovalQuestionDialog() {
    // Closed without an answer (the window went): the question counts as cancelled.
    if (m_answer) m_answer({false, false});
}

QString RemovalQuestionDialog::title() const { return m_pTitle->text(); }
QString RemovalQuestionDialog::text() const { return m_pText->text(); }

QPushButton* RemovalQuestionDialog::button(const QString& caption) const {
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == caption) return b;
    return nullptr;
}

void RemovalQuestionDialog::answerWith(bool confirmed) {
    m_bConfirmed = confirmed;
    if (confirmed)
        accept();
    else
        reject();
}
