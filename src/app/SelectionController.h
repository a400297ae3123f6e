// The choosing of copies in the results window, without widgets: a copy's check box through its group
// (the last-copy rule answered with its tip or its confirmation, never silently), the folder and group
// commands of the context menus, Auto Select with its messages, the totals, and the background Auto
// Select preview. Each command is one selection batch, so the view hears once per command. Talks to
// the window through SelectionControllerView. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/SelectionControllerView.h"
#include "app/SelectionTotals.h"
#include "platform/NotificationCenter.h"
#include "selection/OperationsManager.h"

class DuplicateItem;
class DuplicatesContainer;
class DuplicatesGroup;
class QObject;

class SelectionController {
public:
    // What the preview found: the copies Auto Select would choose by their names and folders.
    struct Preview {
        bool running = false;
        bool ready = false;
        std::int64_t groups = 0;
        std::int64_t copies = 0;
        std::uint64_t size = 0;  // their file sizes
    };

    explicit SelectionController(SelectionControllerView& view);
    ~SelectionController();
    SelectionController(const SelectionController&) = delete;
    SelectionController& operator=(const SelectionController&) = delete;

    // The results to choose from (null: none); starts their preview.
    void setContainer(std::shared_ptr<DuplicatesContainer> container);
    const std::shared_ptr<DuplicatesContainer>& container() const { return m_pContainer; }

    // "Review & Remove" of the Auto Select message runs this one entry point: the removal's "Remove
    // Selected" belongs here. Unset, the message just closes and leaves the selection to review.
    void setReviewAndRemove(std::function<void()> action) { m_reviewAndRemove = std::move(action); }
    // "Show Never Select List" of the message that Auto Select chose nothing (Preferences).
    void setShowNeverSelectList(std::function<void()> action) { m_showNeverSelectList = std::move(action); }

    // A copy's check box; answers whether the copy is selected afterwards.
    bool toggleMember(DuplicateItem& item);
    // The tip of a check box that cannot be ticked now (the last unselected copy without permission, a
    // copy that goes only with its duplicate folder); empty when it can.
    std::string tipFor(const DuplicateItem& item) const;
    // The switch offered beside a refused check box; every check box is read again.
    void setAllowRemovingAllCopies(bool allow);
    bool allowRemovingAllCopies() const;

    // Context menu commands, each one selection batch.
    void selectAllInFolder(const std::string& folder);
    void keepInFolder(const std::string& folder);
    void deselectInFolder(const std::string& folder);
    void keepOnlyThisCopy(DuplicateItem& item);
    void selectNewest(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups);
    void selectOldest(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups);
    void deselectAll(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups);
    // Auto Select over the groups; `byButton`: the button over every listed group, which alone shows
    // the summary message. The messages are asked here.
    AutoSelectCommandResult autoSelect(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups, bool byButton);

    // These take copies out of the results, so they wait until no background work reads the results:
    // false (nothing done) while any preview or heap computation has yet to deliver, or while held.
    bool canChangeResults() const;
    // "Add … to Skip List": the folder joins the stored skip list and its copies leave the results.
    bool excludeFolder(const std::string& folder);
    // The group leaves the results; no file is touched.
    bool removeGroup(DuplicatesGroup& group);

    SelectionTotals totals() const { return SelectionTotals::of(m_pContainer.get()); }
    const Preview& preview() const { return m_preview; }
    // While held (a removal waits for the readers or runs) no preview starts: a change of the results
    // meanwhile leaves one preview due, started when the hold ends.
    void holdPreviews(bool hold);
    bool previewsHeld() const { return m_bHeld; }
    // "Auto Select preview: 12 copies · 4.1 MiB by their names", or what the preview is doing.
    std::string previewText() const;

    // "12 duplicates of 4.1 MiB were selected for removal.\nReview and confirm the selected files before removal."
    static std::string autoSelectSummary(std::int64_t count, std::uint64_t size);

    // Menu titles of the commands without a folder name.
    static constexpr const char* kKeepOnlyThisCopyTitle = "Keep Only this Copy";
    static constexpr const char* kSelectNewestTitle = "Select Newest Copies";
    static constexpr const char* kSelectOldestTitle = "Select Oldest Copies";
    static constexpr const char* kDeselectAllTitle = "Deselect All";
    static constexpr const char* kAutoSelectTitle = "Auto Select";
    static constexpr const char* kRemoveGroupTitle = "Remove Group from Results";

private:
    class PreviewReceiver;
    void startPreview();
    void takePreview(const Preview& preview);
    void onSelectionNotification();
    void onContainerDataChanged();
    void afterResultsChanged();
    void afterOwnResultsChange();
    void skipQueuedDataChanges();
    void answerAutoSelectMessage(const AutoSelectCommandResult& result);

    SelectionControllerView& m_view;
    std::shared_ptr<DuplicatesContainer> m_pContainer;
    OperationsManager m_operations;
    Preview m_preview;
    std::shared_ptr<PreviewReceiver> m_pReceiver;  // the preview holds it weakly
    std::function<void()> m_reviewAndRemove;
    std::function<void()> m_showNeverSelectList;
    std::vector<NotificationCenter::Token> m_tokens;
    bool m_bChangingResults = false;     // a command of ours takes copies out: one update afterwards
    bool m_bDataChangePending = false;   // a change announced by the results, answered once on the next turn
    bool m_bSkippingOwnDataChanges = false;  // until the notices of our own change have come
    bool m_bHeld = false;
    bool m_bPreviewDue = false;  // asked for while held
    std::shared_ptr<bool> m_pAlive;           // main-queue work of this controller checks it
    std::unique_ptr<QObject> m_pTimerContext;  // pending timers die with it
};
