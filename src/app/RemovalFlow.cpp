#include "app/RemovalFlow.h"

#include <QObject>
#include <QTimer>

#include <algorithm>

#include "history/VXLog.h"
#include "platform/RunLock.h"
#include "removal/DefaultRemoverErrorGroup.h"
#include "removal/DefaultRemoverErrorsContainer.h"
#include "removal/DuplicateItemsRemover.h"
#include "removal/DuplicateItemsRemoverDelegate.h"
#include "removal/DuplicatesDefaultRemover.h"
#include "removal/HelperRemovers.h"
#include "removal/RemovalRunLock.h"
#include "removal/RemoveAlertTexts.h"
#include "removal/RemoveAlertsController.h"
#include "removal/RemoveErrorInfo.h"
#include "results/DuplicateItem.h"
#include "results/DuplicatesContainer.h"
#include "settings/Settings.h"
#include "settings/SizeText.h"

namespace {
// Questions list at most this many copies; the rest are counted in one line.
constexpr std::size_t kListedPaths = 500;

std::string counted(std::uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string sizeText(std::int64_t bytes) { return size_text::format(std::max<std::int64_t>(0, bytes)); }

template <typename Range, typename PathOf>
std::vector<std::string> listedPaths(const Range& range, PathOf pathOf) {
    std::vector<std::string> paths;
    for (const auto& element : range) {
        if (paths.size() == kListedPaths) {
            paths.push_back("… and " + counted(range.size() - kListedPaths, "more", "more"));
            break;
        }
        paths.push_back(pathOf(element));
    }
    return paths;
}
}  // namespace

std::string RemovalProgress::text() const {
    std::string line = std::to_string(copiesDone) + " of " + counted(copiesTotal, "copy", "copies") + " done · " +
                       sizeText(static_cast<std::int64_t>(bytesFreed)) + " freed";
    if (stopping) line += " · stopping";
    return line;
}

// The run's delegate and alerts controller. The run holds it (weakly as delegate, strongly as alerts
// controller); once the flow has gone it answers no and reports nothing.
class RemovalFlow::Link : public DuplicateItemsRemoverDelegate,
                          public RemoveAlertsController,
                          public std::enable_shared_from_this<RemovalFlow::Link> {
public:
    explicit Link(RemovalFlow* flow) : flow(flow) {}

    bool isRemoverCanStart(DuplicateItemsRemover& run) override { return flow && &run == flow->m_pRun.get(); }
    // The run hears of removed copies before it takes them out of the results; the view reads them
    // again once the main loop comes round, once for any number of reports.
    void onRemover(DuplicateItemsRemover&, const std::vector<std::shared_ptr<DuplicateItem>>& items) override {
        if (!items.empty()) scheduleRefresh();
    }
    void onRemoverEndRemoveSession(DuplicateItemsRemover&) override { scheduleRefresh(); }
    void onRemoverHelperNotAllowed(DuplicateItemsRemover&) override {
        if (!flow) return;
        const RemoveAlert alert = RemoveAlertTexts::helperNotAllowed();
        flow->m_view.showRemovalAlert(alert.title, alert.text);
    }
    void onRemoverFinishWork(DuplicateItemsRemover&) override {
        if (flow) flow->onFinished();
        orphanedLock.reset();
        orphanedRun.reset();  // the last link between the two
    }

    void askAboutGroup(const DefaultRemoverErrorGroup& group, std::function<void(bool)> answer) override {
        if (!flow) return answer(false);
        const RemoveAlert alert = RemoveAlertTexts::alertForGroup(group);
        RemovalQuestion question;
        question.title = alert.title;
        question.text = alert.text;
        for (const auto& button : alert.buttons)
            if (button != "Read More") question.buttons.push_back(button);
        question.helpSection = helpSectionFor(alert.helpTopic);
        question.asksConfirmation = alert.asksConfirmation;
        question.paths = listedPaths(group.errors(), [](const auto& error) { return error->path(); });
        const bool asks = alert.asksConfirmation;
        flow->m_view.askRemoval(question, [answer = std::move(answer), asks](RemovalAnswer a) { answer(asks && a.confirmed); });
    }
    // The flow reports every copy left at the end of the run (onFinished), as the command line does.
    void showNotRemovedGroup(const DefaultRemoverErrorGroup&, std::function<void()> done) override { done(); }

    void scheduleRefresh() {
        if (refreshPending || !flow) return;
        refreshPending = true;
        QTimer::singleShot(0, &context, [self = shared_from_this()] {
            self->refreshPending = false;
            if (self->flow) self->flow->m_view.removalChangedResults();
        });
    }

    RemovalFlow* flow;
    // A run that outlives its flow goes on to its end (its history written) and holds the lock till then.
    std::shared_ptr<DuplicateItemsRemover> orphanedRun;
    std::unique_ptr<RunLock> orphanedLock;
    bool refreshPending = false;
    QObject context;  // a pending refresh dies with the link
};

RemovalFlow::RemovalFlow(RemovalFlowView& view, std::string commandLineProgram)
    : m_view(view), m_commandLineProgram(std::move(commandLineProgram)), m_pLink(std::make_shared<Link>(this)) {}

RemovalFlow::~RemovalFlow() {
    m_pLink->flow = nullptr;
    if (!m_pRun) return;
    m_pLink->orphanedLock = std::move(m_pLock);
    m_pLink->orphanedRun = m_pRun;
    m_pRun->stop();
}

std::string RemovalFlow::helpSectionFor(const std::string& topic) {
    static const std::pair<const char*, const char*> kSections[] = {
        {"removeErrorHelpURLAboutRemoveWithConfirmation", "no-permission"},
        {"removeErrorHelpURLAboutRemoveWithConfirmationUnlock", "locked-files"},
        {"removeErrorHelpURLAboutRemoveFromNetworkDisk", "network-file-systems"},
        {"removeErrorHelpURLAboutRemoveHardLinkFolder", "folders-with-hard-links"},
        {"removeErrorHelpURLAboutUnknownErrorForRemoveToTrash", "not-moved-to-the-trash"},
        {"removeErrorHelpURLAboutUnknownErrorForRemovePermanently", "not-removed"},
        {"removeErrorHelpURLAboutRemoveFromNTFSDisk", "ntfs-volumes"},
        {"removeErrorHelpURLAboutRemoveFromReadOnlyDisk", "read-only-volumes"},
    };
    for (const auto& [key, anchor] : kSections)
        if (topic == key) return std::string("removal-questions.md#") + anchor;
    return {};
}

void RemovalFlow::removeSelected(std::shared_ptr<DuplicatesContainer> container) {
    if (m_state != State::Idle || !container) return;
    const auto items = container->buildRemoveListAsArray();
    if (items.empty()) {
        m_view.showRemovalAlert("Nothing is selected for removal.", "Select the copies to remove first.");
        return;
    }
    std::int64_t size = 0;
    for (const auto& item : items) size += std::max<std::int64_t>(0, item->getDiskSize());
    m_bToTrash = Settings::standard().moveCleanedDuplicatesToTheTrashCan();
    const std::string copies = counted(items.size(), "copy", "copies");

    RemovalQuestion question;
    if (m_bToTrash) {
        question.title = "Move " + copies + " to the Trash?";
        question.text = copies + " (" + sizeText(size) +
                        ") will be moved to the Trash. One copy of each group stays.\n"
                        "You can put them back from the Trash or with \"dorvane restore\".";
        question.buttons = {"Move to Trash", "Cancel"};
    } else {
        question.title = "Delete " + copies + " permanently?";
        question.text = copies + " (" + sizeText(size) +
                        ") will be deleted permanently, without going to the Trash. One copy of each group stays.";
        question.buttons = {"Delete Permanently", "Cancel"};
    }
    question.paths = listedPaths(items, [](const auto& item) { return item->getFileItemPath(); });
    m_state = State::Confirming;
    std::weak_ptr<Link> link = m_pLink;
    const std::size_t count = items.size();
    m_view.askRemoval(question, [link, container, count](RemovalAnswer answer) {
        auto alive = link.lock();
        if (!alive || !alive->flow) return;
        RemovalFlow& flow = *alive->flow;
        if (!answer.confirmed) {
            flow.m_state = State::Idle;
            return;
        }
        if (!flow.m_bToTrash && Settings::standard().showRemovePermanentlyMessage())
            flow.confirmPermanently(container, count);
        else
            flow.start(container);
    });
}

void RemovalFlow::confirmPermanently(std::shared_ptr<DuplicatesContainer> container, std::size_t count) {
    const RemoveAlert alert = RemoveAlertTexts::permanentRemovalConfirmation(count);
    RemovalQuestion question;
    question.title = alert.title;
    question.text = alert.text;
    question.buttons = alert.buttons;
    question.suppressionText = RemoveAlertTexts::permanentRemovalSuppressionText();
    std::weak_ptr<Link> link = m_pLink;
    m_view.askRemoval(question, [link, container](RemovalAnswer answer) {
        auto alive = link.lock();
        if (!alive || !alive->flow) return;
        RemovalFlow& flow = *alive->flow;
        if (!answer.confirmed) {
            flow.m_state = State::Idle;
            return;
        }
        if (answer.suppress) Settings::standard().setShowRemovePermanentlyMessage(false);
        flow.start(container);
    });
}

void RemovalFlow::start(std::shared_ptr<DuplicatesContainer> container) {
    m_state = State::Idle;
    // No copy goes without a record: the history folder must take this run's log first.
    if (const Status history = VXLog::shared().prepareForRun(); !history) {
        m_view.showRemovalAlert("The removal history cannot be written, so nothing was removed.", history.message());
        return;
    }
    RemovalRunLock attempt = RemovalRunLock::tryAcquire();
    switch (attempt.failure) {
        case RemovalRunLock::Failure::None: break;
        case RemovalRunLock::Failure::Busy:
            m_view.showRemovalAlert(
                "Another removal is running" +
                    (attempt.holderPid > 0 ? " (pid " + std::to_string(attempt.holderPid) + ")" : std::string()) + ".",
                "Nothing was removed. Remove the copies again when it has finished.");
            return;
        case RemovalRunLock::Failure::NoHistoryFolder:
            m_view.showRemovalAlert("There is no folder for the removal history, so nothing was removed.", "");
            return;
        case RemovalRunLock::Failure::HistoryFolderUnusable:
        case RemovalRunLock::Failure::CannotLock:
            m_view.showRemovalAlert("Removals cannot be locked, so nothing was removed.", attempt.status.message());
            return;
    }
    m_pLock = std::move(attempt.lock);
    m_pRun = DuplicateItemsRemover::create(m_pLink, m_pLink, std::move(container), m_bToTrash);
    m_pRun->setHelperRemoverFactory(helper_removers::factory(m_commandLineProgram));
    if (m_nRemoveQueues > 0) m_pRun->setCountOfRemoveQueues(m_nRemoveQueues);
    m_state = State::Running;
    m_view.showRemovalProgress(*this);
    auto run = m_pRun;  // the run may end before this call returns
    run->removeItemsInRemoveList();
}

void RemovalFlow::stop() {
    if (m_state == State::Running && m_pRun) m_pRun->stop();
}

RemovalProgress RemovalFlow::progress() const {
    RemovalProgress p;
    p.toTrash = m_bToTrash;
    if (!m_pRun) return p;
    p.copiesTotal = static_cast<std::uint64_t>(std::max<std::int64_t>(0, m_pRun->countOfItemsInRemoveList()));
    if (const auto& remover = m_pRun->defaultRemover()) p.copiesDone = remover->getCountOfProcessedItems();
    p.bytesFreed = static_cast<std::uint64_t>(std::max<std::int64_t>(0, m_pRun->totalRemovedSize()));
    p.stopping = m_pRun->isStopped();
    p.helperRunning = m_pRun->activeGroup() != nullptr;
    return p;
}

void RemovalFlow::onFinished() {
    const std::shared_ptr<DuplicateItemsRemover> run = std::move(m_pRun);
    m_state = State::Idle;
    const std::int64_t removed = run->totalRemovedCount();
    const std::int64_t freed = std::max<std::int64_t>(0, run->totalRemovedSize());
    m_nCleanedSize += static_cast<std::uint64_t>(freed);
    const LogWriteOutcome history = VXLog::shared().lastRunOutcome();
    m_pLock.reset();  // the run's history is written by now
    m_view.hideRemovalProgress();
    m_view.removalChangedResults();

    const auto& errors = run->removeErrors();
    const std::int64_t total = run->countOfItemsInRemoveList();
    const std::int64_t notProcessed =
        std::max<std::int64_t>(0, total - removed - static_cast<std::int64_t>(errors.size()));
    std::string summary = "Removed " + std::to_string(removed) + " of " +
                          counted(static_cast<std::uint64_t>(total), "copy", "copies") + " (" + sizeText(freed) + ") " +
                          (m_bToTrash ? "to the Trash." : "permanently.");
    if (run->isStopped() && notProcessed > 0)
        summary += " Stopped: " + counted(static_cast<std::uint64_t>(notProcessed), "copy was", "copies were") +
                   " not processed.";

    // Every run that removed something leaves its complete history, or says loudly that it could not.
    if (removed > 0 && !history.isWritten() && VXLog::shared().isLoggingTurnOn())
        m_view.showRemovalAlert("The removal history could not be written.",
                                history.isFailed() ? history.status.message() : "The run recorded no removed copy.");

    if (errors.empty()) {
        m_view.showRemovalFinished(summary);
        return;
    }
    NotRemovedReport report;
    report.title = RemoveAlertTexts::alertForGroup(*DefaultRemoverErrorsContainer::createNotRemovedGroup(errors)).title;
    report.summary = summary;
    for (const auto& error : errors) {
        // The report lists the path beside its reason; a reason that starts with it says it once.
        std::string reason = error->reasonText();
        if (reason.rfind(error->path() + ": ", 0) == 0) reason.erase(0, error->path().size() + 2);
        report.entries.push_back({error->path(), reason});
    }
    m_view.showNotRemoved(report, [] {});
}
