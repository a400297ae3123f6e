#include "gui/PreferencesDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "settings/SizeText.h"

namespace {
PreferenceChange saved() {
    PreferenceChange change;
    change.ok = true;
    return change;
}
}  // namespace

PreferencesDialog::PreferencesDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Preferences"));
    m_chooseFolder = [this](const QString& title) -> std::optional<std::string> {
        const QString chosen = QFileDialog::getExistingDirectory(this, title, QDir::homePath());
        if (chosen.isEmpty()) return std::nullopt;
        return chosen.toStdString();
    };
    m_ask = [this](const std::string& message, const std::string& informativeText) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Preferences"), QString::fromStdString(message),
                        QMessageBox::Ok | QMessageBox::Cancel, this);
        box.setInformativeText(QString::fromStdString(informativeText));
        return box.exec() == QMessageBox::Ok;
    };

    m_panels.reserve(4);
    m_pTabs = new QTabWidget;
    m_pTabs->addTab(buildScanTab(), QStringLiteral("Scan"));
    m_pTabs->addTab(buildSelectionTab(), QStringLiteral("Selection"));
    m_pTabs->addTab(buildRemovalTab(), QStringLiteral("Removal"));
    m_pTabs->addTab(buildMessagesTab(), QStringLiteral("Messages"));

    m_pProblem = new QLabel;
    m_pProblem->setObjectName(QStringLiteral("problem"));
    m_pProblem->setWordWrap(true);
    m_pProblem->setStyleSheet(QStringLiteral("color: #c0392b;"));
    m_pProblem->hide();
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pTabs, 1);
    layout->addWidget(m_pProblem);
    layout->addWidget(close);
    resize(720, 560);
    reload();
}

QCheckBox* PreferencesDialog::addCheck(QWidget* parent, const QString& text, const QString& objectName,
                                       bool (PreferencesController::*get)() const,
                                       void (PreferencesController::*set)(bool)) {
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(objectName);
    m_checks.emplace_back(check, get);
    connect(check, &QCheckBox::toggled, this, [this, set](bool on) {
        if (m_bReloading) return;
        (m_controller.*set)(on);
        report(saved());
    });
    return check;
}

QWidget* PreferencesDialog::buildScanTab() {
    auto* tab = new QWidget;
    auto* sizeBox = new QGroupBox(QStringLiteral("Smallest file to compare"));
    m_pSizeModes = new QButtonGroup(this);
    auto* automatic = new QRadioButton(QStringLiteral("Choose automatically"));
    automatic->setObjectName(QStringLiteral("sizeAutomatic"));
    auto* zero = new QRadioButton(QStringLiteral("Every size, empty files included"));
    zero->setObjectName(QStringLiteral("sizeZero"));
    auto* value = new QRadioButton(QStringLiteral("At least"));
    value->setObjectName(QStringLiteral("sizeValue"));
    m_pSizeModes->addButton(automatic, static_cast<int>(MinimalSizeMode::Automatic));
    m_pSizeModes->addButton(zero, static_cast<int>(MinimalSizeMode::Zero));
    m_pSizeModes->addButton(value, static_cast<int>(MinimalSizeMode::Value));
    m_pMinimalSize = new QLineEdit;
    m_pMinimalSize->setObjectName(QStringLiteral("minimalSize"));
    m_pMinimalSize->setPlaceholderText(QStringLiteral("1M"));
    m_pMinimalSize->setMaximumWidth(120);
    m_pMinimalSize->setToolTip(QStringLiteral("A number of bytes, or a size like 10K, 1.5M or 2G"));
    m_pMinimalSizeShown = new QLabel;
    auto* valueRow = new QHBoxLayout;
    valueRow->addWidget(value);
    valueRow->addWidget(m_pMinimalSize);
    valueRow->addWidget(m_pMinimalSizeShown);
    valueRow->addStretch(1);
    auto* sizeLayout = new QVBoxLayout(sizeBox);
    sizeLayout->addWidget(automatic);
    sizeLayout->addWidget(zero);
    sizeLayout->addLayout(valueRow);
    connect(m_pSizeModes, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (m_bReloading || !on) return;
        if (id == static_cast<int>(MinimalSizeMode::Value) && !m_pMinimalSize->text().trimmed().isEmpty()) {
            applyMinimalSize();
            return;
        }
        m_controller.setMinimalSizeMode(static_cast<MinimalSizeMode>(id));
        report(saved());
    });
    connect(m_pMinimalSize, &QLineEdit::editingFinished, this, [this] {
        if (!m_bReloading) applyMinimalSize();
    });

    auto* hidden = addCheck(tab, QStringLiteral("Scan hidden files and folders"), QStringLiteral("hiddenFiles"),
                            &PreferencesController::scanHiddenFiles, &PreferencesController::setScanHiddenFiles);
    auto* full = addCheck(tab, QStringLiteral("Full-scale scan: compare whole files (slower)"), QStringLiteral("fullScale"),
                          &PreferencesController::fullScaleScan, &PreferencesController::setFullScaleScan);

    auto* lists = new QHBoxLayout;
    lists->addWidget(buildListPanel(PreferenceList::ExcludeFolders, QStringLiteral("Folders left out of the scan."),
                                    QStringLiteral("excludeFolders")));
    lists->addWidget(buildListPanel(PreferenceList::ExcludeExtensions,
                                    QStringLiteral("Files whose names end so are left out."),
                                    QStringLiteral("excludeExtensions")));
    auto* defaults = new QPushButton(QStringLiteral("Restore Scan Defaults"));
    defaults->setObjectName(QStringLiteral("scanDefaults"));
    connect(defaults, &QPushButton::clicked, this, [this] {
        m_controller.restoreScanDefaults();
        reload();
    });

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(sizeBox);
    layout->addWidget(hidden);
    layout->addWidget(full);
    layout->addLayout(lists, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(defaults);
    layout->addLayout(bottom);
    return tab;
}

QWidget* PreferencesDialog::buildSelectionTab() {
    auto* tab = new QWidget;
    auto* lists = new QHBoxLayout;
    lists->addWidget(buildListPanel(PreferenceList::AlwaysSelect, QStringLiteral("Choose folders for duplicates auto selection."),
                                    QStringLiteral("alwaysSelect")));
    lists->addWidget(buildListPanel(PreferenceList::NeverSelect,
                                    QStringLiteral("Choose folders to prevent duplicates auto selection."),
                                    QStringLiteral("neverSelect")));
    auto* all = addCheck(tab, QStringLiteral("Allow removing every copy of a group"), QStringLiteral("allowAllCopies"),
                         &PreferencesController::allowRemovingAllCopies, &PreferencesController::setAllowRemovingAllCopies);
    auto* note = new QLabel(QStringLiteral("Without it, the last unselected copy of each group cannot be selected, "
                                           "so one copy always stays."));
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(lists, 1);
    layout->addWidget(all);
    layout->addWidget(note);
    return tab;
}

QWidget* PreferencesDialog::buildRemovalTab() {
    auto* tab = new QWidget;
    auto* whereBox = new QGroupBox(QStringLiteral("Remove selected copies"));
    m_pRemovalModes = new QButtonGroup(this);
    auto* trash = new QRadioButton(QStringLiteral("Move them to the Trash"));
    trash->setObjectName(QStringLiteral("toTrash"));
    auto* permanent = new QRadioButton(QStringLiteral("Remove them permanently"));
    permanent->setObjectName(QStringLiteral("permanently"));
    m_pRemovalModes->addButton(trash, 1);
    m_pRemovalModes->addButton(permanent, 0);
    auto* whereLayout = new QVBoxLayout(whereBox);
    whereLayout->addWidget(trash);
    whereLayout->addWidget(permanent);
    connect(m_pRemovalModes, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (m_bReloading || !on) return;
        m_controller.setRemoveToTrash(id == 1);
        report(saved());
    });

    auto* empty = addCheck(tab, QStringLiteral("Remove folders that a removal leaves empty"), QStringLiteral("emptyFolders"),
                           &PreferencesController::removeEmptyFolders, &PreferencesController::setRemoveEmptyFolders);
    auto* history = addCheck(tab, QStringLiteral("Keep a history of removals (needed to restore)"),
                             QStringLiteral("keepHistory"), &PreferencesController::keepHistory,
                             &PreferencesController::setKeepHistory);
    // The check before each removal cannot be switched off; the box says so rather than pretend.
    auto* check = new QCheckBox(QStringLiteral("Check each copy against a kept copy just before removing it"));
    check->setObjectName(QStringLiteral("checkBeforeRemoving"));
    check->setChecked(true);
    check->setEnabled(false);
    auto* checkNote = new QLabel(QStringLiteral(
        "Always done: a copy is removed only while another copy that stays is present and holds the same bytes."));
    checkNote->setWordWrap(true);
    checkNote->setIndent(24);

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(whereBox);
    layout->addWidget(empty);
    layout->addWidget(history);
    layout->addWidget(check);
    layout->addWidget(checkNote);
    layout->addStretch(1);
    return tab;
}

QWidget* PreferencesDialog::buildMessagesTab() {
    auto* tab = new QWidget;
    auto* hint = new QLabel(QStringLiteral("Messages that offer \u201cDo not show this message again\u201d. "
                                           "Ticked messages are shown when their moment comes."));
    hint->setWordWrap(true);
    m_pMessages = new QListWidget;
    m_pMessages->setObjectName(QStringLiteral("messages"));
    for (const auto& message : PreferencesController::messages()) {
        auto* item = new QListWidgetItem(QString::fromUtf8(message.title), m_pMessages);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    }
    connect(m_pMessages, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (m_bReloading) return;
        m_controller.setShowsMessage(static_cast<std::size_t>(m_pMessages->row(item)), item->checkState() == Qt::Checked);
        report(saved());
    });
    auto* all = new QPushButton(QStringLiteral("Show All Messages Again"));
    all->setObjectName(QStringLiteral("showAllMessages"));
    connect(all, &QPushButton::clicked, this, [this] {
        m_controller.showAllMessagesAgain();
        reload();
    });
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(hint);
    layout->addWidget(m_pMessages, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(all);
    layout->addLayout(bottom);
    return tab;
}

QWidget* PreferencesDialog::buildListPanel(PreferenceList list, const QString& hint, const QString& objectName) {
    auto* box = new QGroupBox(QString::fromUtf8(PreferencesController::listTitle(list)));
    ListPanel panel {list};
    panel.view = new QListWidget;
    panel.view->setObjectName(objectName);
    panel.view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    panel.view->setAlternatingRowColors(true);
    auto* hintLabel = new QLabel(hint);
    hintLabel->setWordWrap(true);
    auto* add = new QPushButton(PreferencesController::holdsFolders(list) ? QStringLiteral("Add…") : QStringLiteral("Add"));
    add->setObjectName(objectName + QStringLiteral("Add"));
    auto* remove = new QPushButton(QStringLiteral("Remove"));
    remove->setObjectName(objectName + QStringLiteral("Remove"));
    auto* defaults = new QPushButton(QStringLiteral("Defaults"));
    defaults->setObjectName(objectName + QStringLiteral("Defaults"));
    auto* buttons = new QHBoxLayout;
    if (!PreferencesController::holdsFolders(list)) {
        panel.entry = new QLineEdit;
        panel.entry->setObjectName(objectName + QStringLiteral("Entry"));
        panel.entry->setPlaceholderText(QStringLiteral(".tmp"));
        panel.entry->setMaximumWidth(110);
        buttons->addWidget(panel.entry);
        connect(panel.entry, &QLineEdit::returnPressed, add, &QPushButton::click);
    }
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    buttons->addWidget(defaults);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(hintLabel);
    layout->addWidget(panel.view, 1);
    layout->addLayout(buttons);
    m_panels.push_back(panel);

    connect(add, &QPushButton::clicked, this, [this, list] {
        ListPanel* p = this->panel(list);
        if (p->entry) {
            if (addToList(list, p->entry->text().toStdString())) p->entry->clear();
            return;
        }
        if (const auto folder = m_chooseFolder(QStringLiteral("Add to %1").arg(QString::fromUtf8(PreferencesController::listTitle(list)))))
            addToList(list, *folder);
    });
    connect(remove, &QPushButton::clicked, this, [this, list] {
        std::vector<std::size_t> rows;
        for (const QModelIndex& index : this->panel(list)->view->selectionModel()->selectedRows())
            rows.push_back(static_cast<std::size_t>(index.row()));
        report(m_controller.removeEntries(list, rows));
        reloadList(list);
    });
    connect(defaults, &QPushButton::clicked, this, [this, list] {
        m_controller.restoreDefaults(list);
        report(saved());
        reloadList(list);
    });
    return box;
}

PreferencesDialog::ListPanel* PreferencesDialog::panel(PreferenceList list) {
    for (auto& p : m_panels)
        if (p.list == list) return &p;
    return nullptr;
}

bool PreferencesDialog::addToList(PreferenceList list, const std::string& entry) {
    PreferenceChange change = m_controller.addEntry(list, entry);
    if (change.needsMove) {
        if (!m_ask(change.message, change.informativeText)) return false;
        change = m_controller.moveToList(list, entry);
        for (auto other : {PreferenceList::AlwaysSelect, PreferenceList::NeverSelect}) reloadList(other);
    }
    reloadList(list);
    return report(change);
}

void PreferencesDialog::applyMinimalSize() {
    const bool ok = report(m_controller.setMinimalSizeText(m_pMinimalSize->text().toStdString()));
    if (ok) reload();
}

bool PreferencesDialog::report(const PreferenceChange& change) {
    if (change.ok) {
        m_pProblem->clear();
        m_pProblem->hide();
        return true;
    }
    QString text = QString::fromStdString(change.message);
    if (!change.informativeText.empty()) text += QLatin1Char(' ') + QString::fromStdString(change.informativeText);
    m_pProblem->setText(text);
    m_pProblem->show();
    return false;
}

QString PreferencesDialog::problemText() const { return m_pProblem->isHidden() ? QString() : m_pProblem->text(); }

void PreferencesDialog::reloadList(PreferenceList list) {
    ListPanel* p = panel(list);
    if (!p) return;
    const QSignalBlocker block(p->view);
    p->view->clear();
    for (const auto& entry : m_controller.entries(list)) {
        auto* item = new QListWidgetItem(QString::fromStdString(
                                             PreferencesController::holdsFolders(list) ? PreferencesController::displayFolder(entry) : entry),
                                         p->view);
        item->setToolTip(QString::fromStdString(entry));
    }
}

void PreferencesDialog::reload() {
    m_bReloading = true;
    const MinimalSizeMode mode = m_controller.minimalSizeMode();
    m_pSizeModes->button(static_cast<int>(mode))->setChecked(true);
    m_pMinimalSize->setText(QString::fromStdString(m_controller.minimalSizeText()));
    m_pMinimalSizeShown->setText(
        QStringLiteral("(%1)").arg(QString::fromStdString(size_text::format(static_cast<std::int64_t>(m_controller.minimalSize())))));
    for (const auto& [check, get] : m_checks) check->setChecked((m_controller.*get)());
    m_pRemovalModes->button(m_controller.removeToTrash() ? 1 : 0)->setChecked(true);
    for (int row = 0; row < m_pMessages->count(); ++row)
        m_pMessages->item(row)->setCheckState(m_controller.showsMessage(static_cast<std::size_t>(row)) ? Qt::Checked
                                                                                                        : Qt::Unchecked);
    for (const auto& p : m_panels) reloadList(p.list);
    m_bReloading = false;
}

void PreferencesDialog::showTab(Tab tab) { m_pTabs->setCurrentIndex(static_cast<int>(tab)); }

void PreferencesDialog::showEvent(QShowEvent* event) {
    reload();
    QDialog::showEvent(event);
}
