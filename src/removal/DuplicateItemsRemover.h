// One removal run: removes the selected copies of a results container with the file system, sorts
// the failures into groups, asks the user about each group (a helper remover may retry it), reports
// what nobody removed, records every removed copy in the removal history and takes it out of the
// results. Created, started, stopped and heard from on the main thread; used once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "removal/DuplicatesStandartRemoverListener.h"

class DefaultRemoverErrorGroup;
class DefaultRemoverErrorsContainer;
class DuplicateItem;
class DuplicateItemsRemoverDelegate;
class DuplicatesContainer;
class DuplicatesDefaultRemover;
class DuplicatesStandartRemover;
class RemovalSafetyCheck;
class RemoveAlertsController;
class RemoveErrorInfo;

class DuplicateItemsRemover : public DuplicatesStandartRemoverListener,
                              public std::enable_shared_from_this<DuplicateItemsRemover> {
public:
    // Builds the helper remover for a confirmed group: through the Trash (`finder`, for a group of the
    // Default helper type while removing to the Trash) or permanently; `check` is the run's own check
    // before removal, which the helper repeats for each copy. Null when no helper can run.
    using HelperRemoverFactory = std::function<std::shared_ptr<DuplicatesStandartRemover>(
        const std::shared_ptr<DefaultRemoverErrorGroup>& group, bool finder,
        const std::weak_ptr<DuplicatesStandartRemoverListener>& listener,
        const std::shared_ptr<RemovalSafetyCheck>& check)>;

    // Reads the trash mode (unless `removeToTrash` overrides it), the empty-folder and the
    // verify-before-remove settings once. Without a container the current one is used at the start.
    static std::shared_ptr<DuplicateItemsRemover> create(std::weak_ptr<DuplicateItemsRemoverDelegate> delegate,
                                                         std::shared_ptr<RemoveAlertsController> alertsController,
                                                         std::shared_ptr<DuplicatesContainer> container = nullptr,
                                                         std::optional<bool> removeToTrash = std::nullopt);
    DuplicateItemsRemover(std::weak_ptr<DuplicateItemsRemoverDelegate> delegate,
                          std::shared_ptr<RemoveAlertsController> alertsController,
                          std::shared_ptr<DuplicatesContainer> container, std::optional<bool> removeToTrash);
    ~DuplicateItemsRemover() override;
    DuplicateItemsRemover(const DuplicateItemsRemover&) = delete;
    DuplicateItemsRemover& operator=(const DuplicateItemsRemover&) = delete;

    void setHelperRemoverFactory(HelperRemoverFactory factory) { m_helperRemoverFactory = std::move(factory); }

    // Starts the run once, when the delegate is there and consents (isRemoverCanStart).
    void removeItemsInRemoveList();
    // The session in progress ends after the copies in flight; no further group is offered.
    void stop();

    bool removeToTrash() const { return m_bRemoveToTrash; }
    bool removeEmptyFolders() const { return m_bRemoveEmptyFolders; }
    bool verifyBeforeRemove() const { return m_bVerifyBeforeRemove; }
    // Copies removed at once; 1 removes them one after another in list order. Before the start.
    void setCountOfRemoveQueues(int count) { m_nCountOfRemoveQueues = count; }
    bool isUsed() const { return m_bIsUsed; }
    bool isStopped() const { return m_bIsStopped; }
    bool isFinished() const { return m_bIsFinished; }
    float progress() const;
    // Every failure no later session resolved (complete once the run has finished).
    const std::vector<std::shared_ptr<RemoveErrorInfo>>& removeErrors() const { return m_arrAllRemoveErrors; }
    // Removed copies that left their place during a helper's move to the Trash without reaching the
    // Trash (recorded as removed without it); to be told to the user.
    const std::vector<std::string>& goneWithoutTrash() const { return m_arrGoneWithoutTrash; }
    std::int64_t removedSizeLastSession() const { return m_nRemovedSizeLastSession; }
    std::int64_t countOfProcessedItemsLastSession() const { return m_nCountOfProcessedItemsLastSession; }
    // Over every session of the run.
    std::int64_t countOfItemsInRemoveList() const { return m_nCountOfItemsInRemoveList; }
    std::int64_t totalRemovedCount() const { return m_nTotalRemovedCount; }
    std::int64_t totalRemovedSize() const { return m_nTotalRemovedSize; }
    const std::shared_ptr<DuplicatesDefaultRemover>& defaultRemover() const { return m_pDefaultRemover; }
    const std::shared_ptr<DefaultRemoverErrorGroup>& activeGroup() const { return m_pActiveGroup; }
    const std::shared_ptr<DefaultRemoverErrorGroup>& notRemovedGroup() const { return m_pNotRemovedGroup; }

    // DuplicatesStandartRemoverListener, for the removers of this run.
    void onRemover(DuplicatesStandartRemover& remover, const std::vector<std::shared_ptr<DuplicateItem>>& removed) override;
    void onRemoverFinished(DuplicatesStandartRemover& remover) override;
    void onUserWasNotAllowedExecuteRemover(DuplicatesStandartRemover& remover) override;

private:
    void beginSession(const std::shared_ptr<DuplicatesStandartRemover>& remover,
                      const std::shared_ptr<DefaultRemoverErrorGroup>& group);
    void runNextErrorGroup();
    void onGroupAnswered(const std::shared_ptr<DefaultRemoverErrorGroup>& group, bool confirmed);
    void finishRun();
    void moveUnofferedErrorsToAllRemoveErrors();
    void log(const std::string& line) const;

    std::weak_ptr<DuplicateItemsRemoverDelegate> m_pDelegate;
    std::shared_ptr<RemoveAlertsController> m_pAlertsController;
    std::shared_ptr<DuplicatesContainer> m_pContainer;
    HelperRemoverFactory m_helperRemoverFactory;
    std::shared_ptr<RemovalSafetyCheck> m_pSafetyCheck;
    std::unique_ptr<DefaultRemoverErrorsContainer> m_pDefaultRemoverErrorsContainer;
    std::shared_ptr<DuplicatesDefaultRemover> m_pDefaultRemover;
    std::shared_ptr<DuplicatesStandartRemover> m_pHelperRemover;
    std::shared_ptr<DuplicatesStandartRemover> m_pActiveRemover;
    std::shared_ptr<DuplicatesStandartRemover> m_pLastRemover;  // for the progress once a session ended
    std::shared_ptr<DefaultRemoverErrorGroup> m_pActiveGroup;
    std::shared_ptr<DefaultRemoverErrorGroup> m_pNotRemovedGroup;
    std::vector<std::shared_ptr<RemoveErrorInfo>> m_arrAllRemoveErrors;
    std::vector<std::string> m_arrGoneWithoutTrash;
    std::int64_t m_nRemovedSizeLastSession = 0;
    std::int64_t m_nCountOfProcessedItemsLastSession = 0;
    std::int64_t m_nCountOfItemsInRemoveList = 0;
    std::int64_t m_nTotalRemovedCount = 0;
    std::int64_t m_nTotalRemovedSize = 0;
    bool m_bRemoveToTrash;
    bool m_bRemoveEmptyFolders;
    bool m_bVerifyBeforeRemove;  // the stored setting, logged; the check itself always runs
    int m_nCountOfRemoveQueues = 0;  // 0: the remover's own number
    bool m_bIsUsed = false;
    bool m_bIsStopped = false;
    bool m_bIsFinished = false;
    bool m_bCanShowNotRemovedMessage = true;
    bool m_bHelperIsFinder = false;
};
