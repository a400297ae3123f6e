#include "app/SelectionController.h"

#include <QObject>
#include <QTimer>

#include <algorithm>

#include "app/FoldersOverview.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "results/DuplicatesGroup.h"
#include "platform/Dispatch.h"
#include "platform/MainQueue.h"
#include "results/SelectionBatch.h"
#include "selection/AutoSelectPreview.h"
#include "settings/AppNotification.h"
#include "settings/Settings.h"
#include "settings/SizeText.h"

namespace {
constexpr const char* kDoNotShowAgain = "Do not show this message again";

std::string lastPathComponent(const std::string& path) {
    std::string_view p = path;
    while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
    auto slash = p.rfind('/');
    return std::string(slash == std::string_view::npos ? p : p.substr(slash + 1));
}
}  // namespace

// Takes the preview's delivery for the controller that started it; a preview of older results, or one
// that arrives after the controller has gone, finds its receiver expired.
class SelectionController::PreviewReceiver : public AutoSelectPreviewListener {
public:
    explicit PreviewReceiver(SelectionController& owner) : m_owner(owner) {}
    void onCalculatedDuplicatesForAutoselect(std::vector<AutoSelectPreviewRecord> records) override {
        Preview preview;
        preview.ready = true;
        preview.groups = static_cast<std::int64_t>(records.size());
        for (const auto& record : records) {
            preview.copies += static_cast<std::int64_t>(record.duplicateArray.size());
            preview.size += record.size;
        }
        m_owner.takePreview(preview);
    }

private:
    SelectionController& m_owner;
};

SelectionController::SelectionController(SelectionControllerView& view)
    : m_view(view), m_pAlive(std::make_shared<bool>(true)), m_pTimerContext(std::make_unique<QObject>()) {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    m_tokens.push_back(center.addObserver(AppNotification::DuplicateItemSelectionChangedNotificationName(),
                                          [this](const Notification&) { onSelectionNotification(); }));
    // The permission changes what a check box may do and the tips it shows.
    m_tokens.push_back(center.addObserver(AppNotification::OnAllowRemovingAllDuplicateCopiesChangedNotificationName(),
                                          [this](const Notification&) { onSelectionNotification(); }));
    m_tokens.push_back(center.addObserver(AppNotification::DuplicatesContainerDataChangedNotificationName(),
                                          [this](const Notification&) { onContainerDataChanged(); }));
}

SelectionController::~SelectionController() {
    for (auto token : m_tokens) NotificationCenter::defaultCenter().removeObserver(token);
    m_pTimerContext.reset();
}

void SelectionController::setContainer(std::shared_ptr<DuplicatesContainer> container) {
    m_pContainer = std::move(container);
    m_pReceiver.reset();
    m_preview = {};
    m_bPreviewDue = false;
    if (m_pContainer) startPreview();
}

// ---- Notifications

void SelectionController::onSelectionNotification() {
    if (m_pContainer && !m_bChangingResults) m_view.selectionChanged();
}

void SelectionController::onContainerDataChanged() {
    if (!m_pContainer || m_bChangingResults || m_bSkippingOwnDataChanges) return;
    // A removal may announce several changes at once: the lists are built again once, afterwards.
    if (m_bDataChangePending) return;
    m_bDataChangePending = true;
    QTimer::singleShot(0, m_pTimerContext.get(), [this] {
        m_bDataChangePending = false;
        if (m_pContainer) afterResultsChanged();
    });
}

void SelectionController::afterResultsChanged() {
    m_view.resultsChanged();
    startPreview();
}

void SelectionController::afterOwnResultsChange() {
    // The container announces the change on the main queue; this mark is queued behind that notice,
    // so the lists are built again once, here, and not again when the notice comes.
    skipQueuedDataChanges();
    afterResultsChanged();
}

void SelectionController::skipQueuedDataChanges() {
    m_bSkippingOwnDataChanges = true;
    dispatch::main().async([alive = std::weak_ptr<bool>(m_pAlive), this] {
        if (alive.lock()) m_bSkippingOwnDataChanges = false;
    });
}

bool SelectionController::canChangeResults() const {
    return m_pContainer && !m_bHeld && AutoSelectPreview::countInFlight() == 0 && FoldersOverview::heapsInFlight() == 0;
}

void SelectionController::holdPreviews(bool hold) {
    if (hold == m_bHeld) return;
    m_bHeld = hold;
    if (hold || !m_bPreviewDue) return;
    m_bPreviewDue = false;
    // A change announced before the hold ended and not yet answered makes the preview itself.
    if (!m_pContainer || m_bDataChangePending) return;
    // The last change of a removal is announced on the main queue and may still be on its way: the
    // preview made now is of what is left, so that notice is not answered again.
    skipQueuedDataChanges();
    startPreview();
}

// ---- Preview

void SelectionController::startPreview() {
    if (m_bHeld) {
        m_pReceiver.reset();
        m_preview = {};
        m_bPreviewDue = true;
        m_view.previewChanged();
        return;
    }
    m_pReceiver = std::make_shared<PreviewReceiver>(*this);
    m_preview = {};
    m_preview.running = true;
    AutoSelectPreview::calculateDuplicatesForAutoselect(m_pContainer, m_pReceiver);
    m_view.previewChanged();
}

void SelectionController::takePreview(const Preview& preview) {
    m_preview = preview;
    m_view.previewChanged();
}

std::string SelectionController::previewText() const {
    if (m_preview.running) return "Auto Select preview: looking at the names\u2026";
    if (!m_preview.ready) return {};
    if (m_preview.copies == 0) return "Auto Select preview: no copy is marked as a copy by its name or folder";
    return "Auto Select preview: " + std::to_string(m_preview.copies) + (m_preview.copies == 1 ? " copy" : " copies") +
           " \u00b7 " + size_text::format(static_cast<std::int64_t>(m_preview.size)) + " by their names and folders";
}

// ---- Check boxes

bool SelectionController::toggleMember(DuplicateItem& item) {
    ToggleResult result = m_operations.toggleItemByUser(item, SelectionView::Categories);
    switch (result.outcome) {
        case ToggleResult::Outcome::NeedsConfirmation: {
            const SelectionAnswer answer = m_view.askSelection(*result.question);
            // The "do not show" box counts only with OK.
            if (answer.button == 0) m_operations.confirmSelectingLastCopy(item, SelectionView::Categories, answer.suppress);
            break;
        }
        case ToggleResult::Outcome::RefusedLastCopy:
        case ToggleResult::Outcome::SelectedSomeCopies:
            m_view.showRefusalTip(result.tip.empty() ? tipFor(item) : result.tip);
            break;
        default: break;
    }
    return item.isSelected();
}

std::string SelectionController::tipFor(const DuplicateItem& item) const {
    const DuplicatesGroup* group = item.getGroup();
    if (!group || item.isSelected()) return {};
    if (const DuplicateItem* folder = item.getAssociatedDuplicateFolder(); folder && !folder->isSelected())
        return "This copy lies inside the duplicate folder \"" + lastPathComponent(folder->getFileItemPath()) +
               "\" and is selected together with it.";
    if (group->isOneItemLeftToSelect() && !allowRemovingAllCopies())
        return OperationsManager::lastCopyTip(item, false);
    return {};
}

void SelectionController::setAllowRemovingAllCopies(bool allow) {
    if (allow == allowRemovingAllCopies()) return;
    // The setter announces the change; every check box is read again then.
    Settings::standard().setAllowRemovingAllDuplicateCopies(allow);
}

bool SelectionController::allowRemovingAllCopies() const { return Settings::standard().allowRemovingAllDuplicateCopies(); }

// ---- Commands

void SelectionController::selectAllInFolder(const std::string& folder) {
    if (m_pContainer) m_operations.selectForRemoveAllDuplicatesInFolderWithPath(*m_pContainer, folder);
}

void SelectionController::keepInFolder(const std::string& folder) {
    if (m_pContainer) m_operations.keepAllDuplicatesInFolderWithPath(*m_pContainer, folder);
}

void SelectionController::deselectInFolder(const std::string& folder) {
    if (m_pContainer) m_operations.deselectAllDuplicatesInFolderWithPath(*m_pContainer, folder);
}

void SelectionController::keepOnlyThisCopy(DuplicateItem& item) { m_operations.keepOnlyThisCopy(item); }

void SelectionController::selectNewest(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups) {
    m_operations.selectNewestCopies(groups);
}

void SelectionController::selectOldest(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups) {
    m_operations.selectOldestCopies(groups);
}

void SelectionController::deselectAll(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups) {
    m_operations.deselectAll(groups);
}

AutoSelectCommandResult SelectionController::autoSelect(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups,
                                                        bool byButton) {
    if (!m_pContainer) return {};
    AutoSelectCommandResult result = m_operations.performAutoSelectCommand(*m_pContainer, groups, byButton);
    answerAutoSelectMessage(result);
    return result;
}

void SelectionController::answerAutoSelectMessage(const AutoSelectCommandResult& result) {
    if (!result.message) return;
    Settings& settings = Settings::standard();
    SelectionQuestion message = *result.message;
    message.suppressionText = kDoNotShowAgain;
    if (result.selectedSomething) {
        // The summary after the button; the command answers it only while its setting is on. Its size is
        // written as every size of the window is, so that it reads like the totals beside it.
        message.message = autoSelectSummary(result.countInRemoveList, result.removeListSize);
        const SelectionAnswer answer = m_view.askSelection(message);
        if (answer.suppress) settings.setShowAutoSelectMessage(false);
        if (answer.button == 0 && m_reviewAndRemove) m_reviewAndRemove();
        return;
    }
    if (result.neverSelectListWasUsed) {
        if (!settings.showAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList()) return;
        const SelectionAnswer answer = m_view.askSelection(message);
        if (answer.suppress) settings.setShowAutoSelectMessageThatSelectionNotChangedBecauseNeverSelectList(false);
        if (answer.button == 1 && m_showNeverSelectList) m_showNeverSelectList();
        return;
    }
    if (!settings.showAutoSelectMessageThatSelectionNotChanged()) return;
    const SelectionAnswer answer = m_view.askSelection(message);
    if (answer.suppress) settings.setShowAutoSelectMessageThatSelectionNotChanged(false);
}

std::string SelectionController::autoSelectSummary(std::int64_t count, std::uint64_t size) {
    const char* plural = count == 1 ? "" : "s";
    return std::to_string(count) + " duplicate" + plural + " of " + size_text::format(static_cast<std::int64_t>(size)) +
           (count == 1 ? " was" : " were") + " selected for removal.\nReview and confirm the selected file" + plural +
           " before removal.";
}

bool SelectionController::excludeFolder(const std::string& folder) {
    if (!canChangeResults()) return false;
    Settings& settings = Settings::standard();
    std::vector<std::string> skipped = settings.excludeFolders();
    if (std::find(skipped.begin(), skipped.end(), folder) == skipped.end()) {
        skipped.push_back(folder);
        settings.setExcludeFolders(skipped);
    }
    m_bChangingResults = true;
    {
        SelectionBatch batch;
        m_operations.excludeItemsInFolderWithPath(*m_pContainer, folder);
    }
    m_bChangingResults = false;
    afterOwnResultsChange();
    return true;
}

bool SelectionController::removeGroup(DuplicatesGroup& group) {
    if (!canChangeResults()) return false;
    m_bChangingResults = true;
    {
        SelectionBatch batch;
        m_operations.removeGroupFromDuplicatesList(group);
    }
    m_bChangingResults = false;
    afterOwnResultsChange();
    return true;
}
