#include "gui/NotRemovedDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/DesktopActions.h"

namespace {
// Paths lose their beginning when cut; reasons their end.
class ReasonDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideRight;
    }
};
}  // namespace

NotRemovedDialog::NotRemovedDialog(const NotRemovedReport& report, std::function<void()> closed, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Dorvane — Not Removed"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(720, 380);

    auto* icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    m_pTitle = new QLabel(QString::fromStdString(report.title));
    m_pTitle->setWordWrap(true);
    QFont bold = m_pTitle->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    m_pTitle->setFont(bold);
    m_pSummary = new QLabel(QString::fromStdString(report.summary) +
                            QStringLiteral(" These copies stay where they are:"));
    m_pSummary->setWordWrap(true);

    m_pCopies = new QTreeWidget;
    m_pCopies->setColumnCount(2);
    m_pCopies->setHeaderLabels({QStringLiteral("Copy"), QStringLiteral("Reason")});
    m_pCopies->setRootIsDecorated(false);
    m_pCopies->setUniformRowHeights(true);
    m_pCopies->setAlternatingRowColors(true);
    m_pCopies->setTextElideMode(Qt::ElideLeft);
    m_pCopies->header()->setStretchLastSection(true);
    m_pCopies->setColumnWidth(0, 400);
    m_pCopies->setItemDelegateForColumn(1, new ReasonDelegate(m_pCopies));
    for (const auto& entry : report.entries) {
        auto* row = new QTreeWidgetItem({QString::fromStdString(entry.path), QString::fromStdString(entry.reason)});
        row->setToolTip(0, row->text(0));
        row->setToolTip(1, row->text(1));
        m_pCopies->addTopLevelItem(row);
    }
    if (m_pCopies->topLevelItemCount() > 0) m_pCopies->setCurrentItem(m_pCopies->topLevelItem(0));

    m_pShowInFolder = new QPushButton(QStringLiteral("Show in Folder"));
    m_pShowInFolder->setAutoDefault(false);
    m_pShowInFolder->setEnabled(m_pCopies->currentItem() != nullptr);
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(m_pShowInFolder, &QPushButton::clicked, this, [this] {
        if (QTreeWidgetItem* row = m_pCopies->currentItem()) desktop_actions::showInFolder(row->text(0));
    });
    connect(m_pCopies, &QTreeWidget::itemActivated, this,
            [](QTreeWidgetItem* row) { desktop_actions::showInFolder(row->text(0)); });
    connect(m_pCopies, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { m_pShowInFolder->setEnabled(current != nullptr); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(this, &QDialog::finished, this, [closed = std::move(closed)] {
        if (closed) closed();
    });

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_pTitle);
    texts->addWidget(m_pSummary);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pShowInFolder);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_pCopies, 1);
    layout->addLayout(buttons);
}

QString NotRemovedDialog::title() const { return m_pTitle->text(); }
QString NotRemovedDialog::summary() const { return m_pSummary->text(); }
