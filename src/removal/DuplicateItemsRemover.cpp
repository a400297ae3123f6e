#include "removal/DuplicateItemsRemover.h"

#include <unordered_set>

#include "history/VXLog.h"
#include "removal/DefaultRemoverErrorGroup.h"
#include "removal/DefaultRemoverErrorsContainer.h"
#include "removal/DorvaneRemover.h"
#include "removal/DuplicateItemsRemoverBehaviorLog.h"
#include "removal/DuplicateItemsRemoverDelegate.h"
#include "removal/DuplicatesDefaultRemover.h"
#include "removal/RemovalSafetyCheck.h"
#include "removal/RemoveAlertsController.h"
#include "removal/RemoveErrorInfo.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "settings/Settings.h"

namespace {
std::string describe(const std::shared_ptr<DefaultRemoverErrorGroup>& group) {
    if (!group) return "nil";
    return std::string(groupTypeName(group->type())) + " (" + std::to_string(group->errors().size()) + " items)";
}
const char* boolText(bool value) { return value ? "true" : "false"; }
}  // namespace

std::shared_ptr<DuplicateItemsRemover> DuplicateItemsRemover::create(
    std::weak_ptr<DuplicateItemsRemoverDelegate> delegate, std::shared_ptr<RemoveAlertsController> alertsController,
    std::shared_ptr<DuplicatesContainer> container, std::optional<bool> removeToTrash) {
    return std::make_shared<DuplicateItemsRemover>(std::move(delegate), std::move(alertsController),
                                                   std::move(container), removeToTrash);
}

DuplicateItemsRemover::DuplicateItemsRemover(std::weak_ptr<DuplicateItemsRemoverDelegate> delegate,
                                             std::shared_ptr<RemoveAlertsController> alertsController,
                                             std::shared_ptr<DuplicatesContainer> container,
                                             std::optional<bool> removeToTrash)
    : m_pDelegate(std::move(delegate)),
      m_pAlertsController(std::move(alertsController)),
      m_pContainer(std::move(container)),
      m_bRemoveToTrash(removeToTrash.value_or(Settings::standard().moveCleanedDuplicatesToTheTrashCan())),
      m_bRemoveEmptyFolders(Settings::standard().removeEmptyFolders()),
      m_bVerifyBeforeRemove(Settings::standard().verifyBeforeRemove()) {
    m_pDefaultRemoverErrorsContainer = std::make_unique<DefaultRemoverErrorsContainer>(m_bRemoveToTrash);
}

DuplicateItemsRemover::~DuplicateItemsRemover() = default;

void DuplicateItemsRemover::log(const std::string& line) const {
    DuplicateItemsRemoverBehaviorLog::shared()->appendLine(line);
}

void DuplicateItemsRemover::removeItemsInRemoveList() {
    auto delegate = m_pDelegate.lock();
    if (!delegate || m_bIsUsed) return;
    if (!delegate->isRemoverCanStart(*this)) return;
    m_bIsUsed = true;

    if (!m_pContainer) m_pContainer = DuplicatesContainer::currentContainer();
    if (!m_pContainer) {
        m_bIsFinished = true;
        delegate->onRemoverFinishWork(*this);
        return;
    }
    const auto items = m_pContainer->buildRemoveListAsArray();
    m_nCountOfItemsInRemoveList = static_cast<std::int64_t>(items.size());
    std::vector<std::shared_ptr<DuplicatesGroup>> groups;
    std::unordered_set<const DuplicatesGroup*> seen;
    for (const auto& item : items)
        if (DuplicatesGroup* group = item->getGroup(); group && seen.insert(group).second)
            groups.push_back(group->shared_from_this());
    // The check records each copy's modification time before anything is removed. It always runs,
    // whatever the stored setting says: no copy is removed without a member that stays vouching for it.
    auto check = std::make_shared<RemovalSafetyCheck>(items);
    VXLog::shared().beginLogOfGroups(groups);

    m_pDefaultRemover = DuplicatesDefaultRemover::create();
    log(" --- Remove Log Start -- ");
    log(std::string("Remove to Trash: ") + boolText(m_bRemoveToTrash));
    log(std::string("Remove empty folders: ") + boolText(m_bRemoveEmptyFolders));
    log(std::string("Verify before remove: ") + boolText(m_bVerifyBeforeRemove));
    log("Count of remove items: " + std::to_string(items.size()));
    m_pDefaultRemover->setDuplicateItemsForRemove(items, weak_from_this(), m_bRemoveToTrash, m_bRemoveEmptyFolders);
    m_pSafetyCheck = check;
    m_pDefaultRemover->setSafetyCheck(std::move(check));
    if (m_nCountOfRemoveQueues > 0) m_pDefaultRemover->setCountOfRemoveQueues(m_nCountOfRemoveQueues);
    beginSession(m_pDefaultRemover, nullptr);
}

void DuplicateItemsRemover::stop() {
    m_bIsStopped = true;
    if (m_pDefaultRemover) m_pDefaultRemover->stopRemove();
    if (m_pHelperRemover) m_pHelperRemover->stopRemove();
}

float DuplicateItemsRemover::progress() const {
    if (m_pActiveRemover) return m_pActiveRemover->progress();
    if (m_pLastRemover) return m_pLastRemover->progress();
    return 0.0f;
}

void DuplicateItemsRemover::beginSession(const std::shared_ptr<DuplicatesStandartRemover>& remover,
                                         const std::shared_ptr<DefaultRemoverErrorGroup>& group) {
    log("Start remove " + describe(group));
    m_nRemovedSizeLastSession = 0;
    m_nCountOfProcessedItemsLastSession = 0;
    if (auto delegate = m_pDelegate.lock()) delegate->onRemoverBeginRemoveSession(*this);
    m_pActiveGroup = group;
    m_pActiveRemover = remover;
    m_pLastRemover = remover;
    if (!remover->startRemove()) onRemoverFinished(*remover);
}

void DuplicateItemsRemover::onRemover(DuplicatesStandartRemover&, const std::vector<std::shared_ptr<DuplicateItem>>& removed) {
    if (auto delegate = m_pDelegate.lock()) delegate->onRemover(*this, removed);
    std::int64_t size = 0;
    for (const auto& item : removed) size += item->getDiskSize();
    m_nRemovedSizeLastSession += size;
    m_nTotalRemovedSize += size;
    m_nTotalRemovedCount += static_cast<std::int64_t>(removed.size());
    if (!removed.empty() && m_pContainer) m_pContainer->removeDuplicateItemsFromLogicalStructure(removed);
}

void DuplicateItemsRemover::onRemoverFinished(DuplicatesStandartRemover& remover) {
    if (m_pActiveRemover.get() != &remover) return;
    log("Finish remove " + describe(m_pActiveGroup));
    auto keepAlive = m_pActiveRemover;
    m_pActiveRemover.reset();
    if (m_pContainer) m_pContainer->validateEmptyDataAfterRemoveWithListener(nullptr);
    m_nCountOfProcessedItemsLastSession = remover.countOfProcessedItems();
    const bool isDefault = &remover == static_cast<DuplicatesStandartRemover*>(m_pDefaultRemover.get());
    if (const auto* helper = dynamic_cast<const DorvaneRemover*>(&remover))
        for (const auto& path : helper->goneElsewherePaths()) {
            log("Gone without reaching the Trash: " + path);
            m_arrGoneWithoutTrash.push_back(path);
        }
    for (const auto& error : remover.removeErrors()) {
        // A copy kept by the check is never offered to a helper: it is to stay.
        if (!error->notVerifiedReason().empty()) {
            m_arrAllRemoveErrors.push_back(error);
        } else if (isDefault) {
            m_pDefaultRemoverErrorsContainer->addError(error);
        } else if (m_bHelperIsFinder && m_pActiveGroup && m_pActiveGroup->removerType() == DefaultRemoverType::Default) {
            // What the Trash helper left, refused or not, is offered again: for permanent removal, with
            // a question of its own.
            m_pDefaultRemoverErrorsContainer->addErrorToUnknownGroup(error);
        } else {
            m_arrAllRemoveErrors.push_back(error);
        }
    }
    if (auto delegate = m_pDelegate.lock()) delegate->onRemoverEndRemoveSession(*this);
    log(m_pDefaultRemoverErrorsContainer->summary());
    m_pActiveGroup.reset();
    if (m_bIsStopped) {
        moveUnofferedErrorsToAllRemoveErrors();
        finishRun();
        return;
    }
    runNextErrorGroup();
}

void DuplicateItemsRemover::onUserWasNotAllowedExecuteRemover(DuplicatesStandartRemover& remover) {
    if (m_pActiveRemover.get() != &remover) return;
    log("User was not allowed to execute remover for " + describe(m_pActiveGroup));
    // The refusal is said once; the final not-removed report does not repeat it.
    m_bCanShowNotRemovedMessage = false;
    if (auto delegate = m_pDelegate.lock()) delegate->onRemoverHelperNotAllowed(*this);
}

void DuplicateItemsRemover::runNextErrorGroup() {
    if (m_bIsStopped) {
        moveUnofferedErrorsToAllRemoveErrors();
        finishRun();
        return;
    }
    auto group = m_pDefaultRemoverErrorsContainer->nextGroupToOffer();
    if (!group) {
        if (m_bCanShowNotRemovedMessage) {
            m_bCanShowNotRemovedMessage = false;
            m_pNotRemovedGroup = DefaultRemoverErrorsContainer::createNotRemovedGroup(m_arrAllRemoveErrors);
            if (!m_pNotRemovedGroup->isEmpty() && m_pAlertsController) {
                auto self = shared_from_this();
                m_pAlertsController->showNotRemovedGroup(*m_pNotRemovedGroup, [self] { self->finishRun(); });
                return;
            }
        }
        finishRun();
        return;
    }
    log("Run remove " + describe(group));
    if (!m_pAlertsController) return onGroupAnswered(group, false);
    auto self = shared_from_this();
    m_pAlertsController->askAboutGroup(*group, [self, group](bool confirmed) { self->onGroupAnswered(group, confirmed); });
}

void DuplicateItemsRemover::onGroupAnswered(const std::shared_ptr<DefaultRemoverErrorGroup>& group, bool confirmed) {
    const auto helperType = group->removerType();
    if (!confirmed || !helperType || m_bIsStopped) {
        m_arrAllRemoveErrors.insert(m_arrAllRemoveErrors.end(), group->errors().begin(), group->errors().end());
        if (helperType) m_bCanShowNotRemovedMessage = false;
        log("Cancel remove " + describe(group));
        return runNextErrorGroup();
    }
    const bool finder = *helperType == DefaultRemoverType::Default && m_bRemoveToTrash;
    std::shared_ptr<DuplicatesStandartRemover> helper;
    if (m_helperRemoverFactory) helper = m_helperRemoverFactory(group, finder, weak_from_this(), m_pSafetyCheck);
    if (!helper) {
        // No helper can run: the group's copies stay and are reported as not removed.
        m_arrAllRemoveErrors.insert(m_arrAllRemoveErrors.end(), group->errors().begin(), group->errors().end());
        log("No helper remover for " + describe(group));
        return runNextErrorGroup();
    }
    m_pHelperRemover = helper;
    m_bHelperIsFinder = finder;
    beginSession(helper, group);
}

void DuplicateItemsRemover::moveUnofferedErrorsToAllRemoveErrors() {
    while (auto group = m_pDefaultRemoverErrorsContainer->nextGroupToOffer())
        m_arrAllRemoveErrors.insert(m_arrAllRemoveErrors.end(), group->errors().begin(), group->errors().end());
}

void DuplicateItemsRemover::finishRun() {
    if (m_bIsFinished) return;
    m_bIsFinished = true;
    log(" --- Remove Log End -- ");
    log("Not removed items info:");
    for (const auto& error : m_arrAllRemoveErrors) log("  " + error->path() + ": " + error->reasonText());
    log("Count of items: " + std::to_string(m_nCountOfItemsInRemoveList));
    log("Count of not processed errors: " + std::to_string(m_arrAllRemoveErrors.size()));
    VXLog::shared().endLog();
    if (auto delegate = m_pDelegate.lock()) delegate->onRemoverFinishWork(*this);
}
