#include "gui/SelectionBar.h"

#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include "gui/AllowAllCopiesPanel.h"
#include "gui/GroupsModel.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "selection/OperationsManager.h"

namespace {
QString nameOfFolder(const std::string& path) {
    std::string_view p = path;
    while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
    const auto slash = p.rfind('/');
    return QString::fromStdString(std::string(slash == std::string_view::npos ? p : p.substr(slash + 1)));
}

QString text(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

SelectionBar::SelectionBar(std::function<void()> selectionChanged, std::function<void()> resultsChanged, QWidget* parent)
    : QWidget(parent),
      m_selectionChanged(std::move(selectionChanged)),
      m_resultsChanged(std::move(resultsChanged)),
      m_pController(std::make_unique<SelectionController>(*this)) {
    m_pAutoSelect = new QPushButton(QString::fromUtf8(SelectionController::kAutoSelectTitle));
    m_pAutoSelect->setToolTip(QStringLiteral("Choose the copies to remove in every listed group; one copy of each "
                                             "group stays"));
    m_pPreview = new QLabel;
    m_pPreview->setToolTip(QStringLiteral("What Auto Select picks from the names of the copies and of their folders, "
                                          "and from the Always Select folders. Where names do not decide, Auto "
                                          "Select also goes by date, depth and order."));
    m_pTotals = new QLabel;
    QFont bold = m_pTotals->font();
    bold.setBold(true);
    m_pTotals->setFont(bold);
    m_pTotals->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pAutoSelect);
    layout->addWidget(m_pPreview, 1);
    layout->addWidget(m_pTotals);
    m_pPanel = new AllowAllCopiesPanel([this](bool allow) { m_pController->setAllowRemovingAllCopies(allow); }, this);
    m_pPanel->hide();
    updateTotals();
}

SelectionBar::~SelectionBar() = default;

void SelectionBar::setContainer(std::shared_ptr<DuplicatesContainer> container) {
    m_pController->setContainer(std::move(container));
    m_pAutoSelect->setEnabled(m_pController->container() != nullptr);
    updateTotals();
}

void SelectionBar::autoSelectListed(const QString& filter) {
    const auto& container = m_pController->container();
    if (!container) return;
    std::vector<std::shared_ptr<DuplicatesGroup>> groups;
    for (const auto& group : container->getAllFilesGroups())
        if (GroupsModel::groupMatches(*group, filter)) groups.push_back(group);
    m_pController->autoSelect(groups, true);
}

// ---- Context menus

void SelectionBar::addMemberCommands(QMenu& menu, const std::shared_ptr<DuplicateItem>& member, bool resultsMayChange) {
    if (!member || !member->getGroup()) return;
    SelectionController& c = *m_pController;
    connect(menu.addAction(QString::fromUtf8(SelectionController::kKeepOnlyThisCopyTitle)), &QAction::triggered, this,
            [&c, member] { c.keepOnlyThisCopy(*member); });
    menu.addSeparator();
    addFolderCommands(menu, member->getParentFolderItemPath(), resultsMayChange);
    menu.addSeparator();
    if (auto group = member->getGroup()->weak_from_this().lock()) addGroupCommands(menu, group, resultsMayChange);
}

void SelectionBar::addGroupCommands(QMenu& menu, const std::shared_ptr<DuplicatesGroup>& group, bool resultsMayChange) {
    if (!group) return;
    SelectionController& c = *m_pController;
    const std::vector<std::shared_ptr<DuplicatesGroup>> one{group};
    connect(menu.addAction(QString::fromUtf8(SelectionController::kSelectNewestTitle)), &QAction::triggered, this,
            [&c, one] { c.selectNewest(one); });
    connect(menu.addAction(QString::fromUtf8(SelectionController::kSelectOldestTitle)), &QAction::triggered, this,
            [&c, one] { c.selectOldest(one); });
    connect(menu.addAction(QString::fromUtf8(SelectionController::kAutoSelectTitle)), &QAction::triggered, this,
            [&c, one] { c.autoSelect(one, false); });
    connect(menu.addAction(QString::fromUtf8(SelectionController::kDeselectAllTitle)), &QAction::triggered, this,
            [&c, one] { c.deselectAll(one); });
    menu.addSeparator();
    QAction* remove = menu.addAction(QString::fromUtf8(SelectionController::kRemoveGroupTitle));
    remove->setEnabled(resultsMayChange);
    connect(remove, &QAction::triggered, this, [&c, group] { c.removeGroup(*group); });
}

void SelectionBar::addFolderCommands(QMenu& menu, const std::string& folder, bool resultsMayChange) {
    if (folder.empty()) return;
    SelectionController& c = *m_pController;
    const std::string name = nameOfFolder(folder).toStdString();
    connect(menu.addAction(text(OperationsManager::selectAllCopiesInTitle(name))), &QAction::triggered, this,
            [&c, folder] { c.selectAllInFolder(folder); });
    connect(menu.addAction(text(OperationsManager::keepAllCopiesInTitle(name))), &QAction::triggered, this,
            [&c, folder] { c.keepInFolder(folder); });
    connect(menu.addAction(text(OperationsManager::deselectAllCopiesInTitle(name))), &QAction::triggered, this,
            [&c, folder] { c.deselectInFolder(folder); });
    QAction* skip = menu.addAction(text(OperationsManager::addToSkipListTitle(name)));
    skip->setEnabled(resultsMayChange);
    skip->setToolTip(QStringLiteral("Leave this folder out of these results and of later scans"));
    connect(skip, &QAction::triggered, this, [&c, folder] { c.excludeFolder(folder); });
}

// ---- SelectionControllerView

SelectionAnswer SelectionBar::askSelection(const SelectionQuestion& question) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Dorvane"), text(question.message), QMessageBox::NoButton,
                    window());
    if (!question.informativeText.empty()) box.setInformativeText(text(question.informativeText));
    std::vector<QAbstractButton*> buttons;
    for (std::size_t i = 0; i < question.buttons.size(); ++i) {
        const QString caption = text(question.buttons[i]);
        const auto role = caption == QLatin1String("Cancel") ? QMessageBox::RejectRole : QMessageBox::AcceptRole;
        // "&" in a caption is shown, not taken as a shortcut mark.
        QPushButton* button = box.addButton(QString(caption).replace(QLatin1Char('&'), QLatin1String("&&")), role);
        if (i == 0) box.setDefaultButton(button);
        buttons.push_back(button);
    }
    QCheckBox* check = nullptr;
    if (!question.suppressionText.empty()) {
        check = new QCheckBox(text(question.suppressionText));
        box.setCheckBox(check);
    }
    box.exec();
    SelectionAnswer answer;
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i]) answer.button = static_cast<int>(i);
    answer.suppress = check && check->isChecked();
    return answer;
}

void SelectionBar::showRefusalTip(const std::string& tip) {
    m_pPanel->showAt(m_tipAnchor ? m_tipAnchor() : QCursor::pos(), text(tip), m_pController->allowRemovingAllCopies());
}

void SelectionBar::selectionChanged() {
    if (m_selectionChanged) m_selectionChanged();
    updateTotals();
}

void SelectionBar::resultsChanged() {
    if (m_resultsChanged) m_resultsChanged();
    updateTotals();
}

void SelectionBar::previewChanged() { m_pPreview->setText(text(m_pController->previewText())); }

void SelectionBar::updateTotals() {
    m_pTotals->setText(m_pController->container() ? text(m_pController->totals().text()) : QString());
}
