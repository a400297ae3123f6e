#include "gui/MergeDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/FolderEntry.h"
#include "platform/FileLabels.h"

MergeDialog* MergeDialog::create(std::shared_ptr<DuplicatesContainer> container, const FolderEntry& entry,
                                 QWidget* parent) {
    auto* dialog = new MergeDialog(parent);
    dialog->m_pSession = MergeSession::forEntry(std::move(container), entry, *dialog);
    if (!dialog->m_pSession) {
        delete dialog;
        return nullptr;
    }
    dialog->build();
    return dialog;
}

MergeDialog::MergeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Merge Folders"));
    setAttribute(Qt::WA_DeleteOnClose);
}

void MergeDialog::build() {
    auto makeList = [] {
        auto* list = new QTreeWidget;
        list->setColumnCount(2);
        list->setRootIsDecorated(false);
        list->setUniformRowHeights(true);
        list->header()->setStretchLastSection(false);
        list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
        list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
        return list;
    };
    m_pLeft = makeList();
    m_pRight = makeList();
    m_pDirection = new QPushButton;
    m_pDirection->setToolTip(QStringLiteral("Change the direction of the merge"));
    auto* sides = new QHBoxLayout;
    sides->addWidget(m_pLeft, 1);
    sides->addWidget(m_pDirection, 0, Qt::AlignVCenter);
    sides->addWidget(m_pRight, 1);

    m_pMove = new QRadioButton(QStringLiteral("Move"));
    m_pCopy = new QRadioButton(QStringLiteral("Copy"));
    m_pMove->setChecked(true);
    m_pDifferentNames = new QCheckBox(QStringLiteral("Merge duplicates with different names"));
    m_pRemoveSource = new QCheckBox(QStringLiteral("Move the source folder to the Trash after merging"));
    m_pLabel = new QComboBox;
    m_pLabel->addItem(QStringLiteral("No Label"));
    for (int n = 1; n <= FileLabels::kHighestLabel; ++n)
        m_pLabel->addItem(QString::fromStdString(FileLabels::colourName(n)));
    auto* options = new QGroupBox(QStringLiteral("Options"));
    auto* optionsLayout = new QHBoxLayout(options);
    optionsLayout->addWidget(m_pMove);
    optionsLayout->addWidget(m_pCopy);
    optionsLayout->addSpacing(12);
    optionsLayout->addWidget(m_pDifferentNames);
    optionsLayout->addWidget(m_pRemoveSource);
    optionsLayout->addStretch(1);
    optionsLayout->addWidget(new QLabel(QStringLiteral("Label:")));
    optionsLayout->addWidget(m_pLabel);

    m_pDescription = new QLabel;
    m_pDescription->setWordWrap(true);
    m_pCounts = new QLabel;
    m_pProgress = new QProgressBar;
    m_pProgress->setRange(0, 1000);
    m_pProgress->setVisible(false);
    m_pMerge = new QPushButton(QStringLiteral("Merge"));
    m_pMerge->setDefault(true);
    m_pClose = new QPushButton(QStringLiteral("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pCounts, 1);
    buttons->addWidget(m_pClose);
    buttons->addWidget(m_pMerge);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sides, 1);
    layout->addWidget(options);
    layout->addWidget(m_pDescription);
    layout->addWidget(m_pProgress);
    layout->addLayout(buttons);

    connect(m_pDirection, &QPushButton::clicked, this, [this] { m_pSession->flipDirection(); });
    connect(m_pMove, &QRadioButton::toggled, this, [this](bool on) {
        if (on) m_pSession->setAction(MergeAction::Move);
    });
    connect(m_pCopy, &QRadioButton::toggled, this, [this](bool on) {
        if (on) m_pSession->setAction(MergeAction::Copy);
    });
    connect(m_pDifferentNames, &QCheckBox::toggled, this,
            [this](bool on) { m_pSession->setMergeDuplicatesWithDifferentNames(on); });
    connect(m_pRemoveSource, &QCheckBox::toggled, this, [this](bool on) { m_pSession->setRemoveSourceFolder(on); });
    connect(m_pLabel, &QComboBox::currentIndexChanged, this, [this](int index) { m_pSession->setColorTag(index); });
    connect(m_pMerge, &QPushButton::clicked, this, [this] { m_pSession->merge(); });
    connect(m_pClose, &QPushButton::clicked, this, &MergeDialog::reject);
    resize(900, 520);
    planChanged();
}

void MergeDialog::fill(QTreeWidget* list, const std::vector<MergeRow>& rows, const std::string& title) {
    list->setHeaderLabels({QString::fromStdString(title), QString()});
    list->clear();
    QList<QTreeWidgetItem*> items;
    for (const MergeRow& row : rows) {
        auto* item = new QTreeWidgetItem({QString::fromStdString(row.text), QString::fromStdString(row.status)});
        if (row.isGroup) {
            QFont bold = item->font(0);
            bold.setBold(true);
            item->setFont(0, bold);
            item->setFlags(Qt::ItemIsEnabled);
        } else {
            item->setText(0, QStringLiteral("    ") + item->text(0));
            item->setToolTip(0, QString::fromStdString(row.path));
        }
        items.push_back(item);
    }
    list->addTopLevelItems(items);
}

void MergeDialog::planChanged() {
    if (!m_pLeft) return;
    const MergeSession& s = *m_pSession;
    fill(m_pLeft, s.leftRows(), s.leftTitle());
    fill(m_pRight, s.rightRows(), s.rightTitle());
    m_pDirection->setText(s.direction() == MergeDirection::LeftToRight ? QStringLiteral("→") : QStringLiteral("←"));
    m_pDescription->setText(QString::fromStdString(s.descriptionText()));
    m_pCounts->setText(QString::fromStdString(s.countsText()));
    m_pMerge->setEnabled(s.canMerge());
}

void MergeDialog::progressChanged() {
    m_pProgress->setValue(static_cast<int>(1000 * m_pSession->progress()));
    m_pCounts->setText(QString::fromStdString(m_pSession->countsText()));
}

void MergeDialog::stateChanged() {
    const MergeWindowState state = m_pSession->state();
    const bool preview = state == MergeWindowState::Preview;
    for (QWidget* w : std::initializer_list<QWidget*>{m_pDirection, m_pMove, m_pCopy, m_pDifferentNames,
                                                      m_pRemoveSource, m_pLabel})
        w->setEnabled(preview);
    m_pProgress->setVisible(!preview);
    m_pMerge->setVisible(preview);
    m_pClose->setText(state == MergeWindowState::Perform ? QStringLiteral("Stop") : state == MergeWindowState::ViewResult
                                                                                         ? QStringLiteral("Close")
                                                                                         : QStringLiteral("Cancel"));
    progressChanged();
}

WindowAnswer MergeDialog::ask(const WindowQuestion& question) {
    if (m_answerer) return m_answerer(question);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Dorvane"), QString::fromStdString(question.message),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setInformativeText(QString::fromStdString(question.informativeText));
    return {box.exec() == QMessageBox::Yes, false};
}

void MergeDialog::reject() {
    // Stop first: the dialog closes once the files in flight are done.
    if (m_pSession->state() == MergeWindowState::Perform) {
        m_pSession->stop();
        return;
    }
    QDialog::reject();
}
