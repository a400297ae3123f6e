#include "operations/MergeOperation.h"

#include <utility>

#include "operations/ComplexOperationPerformer.h"
#include "operations/CopyOperationWithTagging.h"
#include "operations/MoveOperationWithTagging.h"
#include "platform/Dispatch.h"
#include "platform/SerialQueue.h"
#include "platform/Trash.h"

namespace {
bool isAtOrBelow(const std::string& path, const std::string& folder) {
    if (folder == "/") return true;
    return path.compare(0, folder.size(), folder) == 0 && (path.size() == folder.size() || path[folder.size()] == '/');
}
}  // namespace

// Shared by the operation, its queue's task and the main-queue deliveries; `listener` and `data` are
// touched on the main thread only.
struct MergeOperation::State : ComplexOperationPerformerDelegate {
    MergeOperationListener* listener = nullptr;
    std::shared_ptr<MergeOperationData> data;
    std::vector<MergeItem*> items;  // the plan, in operation order
    MergeAction action = MergeAction::Move;
    std::uint64_t sizeOfAllItems = 0;
    std::atomic<bool> canceled {false};
    std::weak_ptr<State> self;

    MergeOperationResult resultOf(const FileOperationProgressInfo& info) const {
        MergeOperationResult r;
        r.action = info.action == FileOperationAction::Copy ? MergeAction::Copy : MergeAction::Move;
        r.originalItem = items[info.index];
        r.originalURL = info.source;
        r.destinationURL = info.destination;
        r.result = info.result;
        r.status = info.status;
        r.label = info.label;
        r.labelStatus = info.labelStatus;
        return r;
    }

    void complexOperationProgress(ComplexOperationPerformer&, const std::vector<FileOperationProgressInfo>& done,
                                  const SubOperationsStatistics& statistics, std::uint64_t bytesDone) override {
        MergeOperationProgressInfo info;
        info.sizeOfAllItems = sizeOfAllItems;
        info.sizeOfMergedItems = bytesDone;
        info.operationsStatistics = statistics;
        for (const auto& one : done) info.resultFromLastUpdate.push_back(resultOf(one));
        dispatch::main().async([state = self.lock(), info = std::move(info)] {
            for (const auto& r : info.resultFromLastUpdate) {
                r.originalItem->setResult(r.result, r.status, r.labelStatus);
                if (r.result == FileOperationResult::Successful) r.originalItem->setCreatedByAction(r.action);
            }
            state->data->setOperationsStatistics(info.operationsStatistics);
            if (state->listener) state->listener->mergeOperationProgress(info);
        });
    }
};

MergeOperation::MergeOperation(std::shared_ptr<MergeOperationData> data)
    : m_pData(std::move(data)), m_pState(std::make_shared<State>()) {
    m_pState->self = m_pState;
}

MergeOperation::~MergeOperation() {
    m_pState->listener = nullptr;
    cancel();
}

void MergeOperation::cancel() { m_pState->canceled = true; }

void MergeOperation::start(MergeOperationListener* listener) {
    if (m_bIsStarted) return;
    m_bIsStarted = true;
    State& state = *m_pState;
    state.listener = listener;
    state.data = m_pData;
    state.items = m_pData->affectedItems();
    const MergeOperationOptions options = m_pData->options();
    state.action = options.action.value_or(MergeAction::Move);
    state.sizeOfAllItems = m_pData->sizeOfAffectedItems();

    // The label only from 1 up: 0 prepares nothing.
    const int label = options.colorTag >= 1 ? options.colorTag : 0;
    ComplexOperation complex;
    complex.action = ComplexOperation::Action::MergeItems;
    for (MergeItem* item : state.items) {
        const std::string destination = m_pData->destinationPathOf(*item);
        if (*item->action() == MergeAction::Move)
            complex.operations.push_back(std::make_shared<MoveOperationWithTagging>(item->path(), destination, label));
        else
            complex.operations.push_back(std::make_shared<CopyOperationWithTagging>(item->path(), destination, label));
        item->setPhase(MergeItemPhase::Running);
    }
    const std::string sourcePath = m_pData->sourceFolder().path();
    const std::string destinationPath = m_pData->destinationFolder().path();
    const bool removeSource = options.removeSourceFolder;

    m_pWorkQueue = SerialQueue::create("merge operation queue");
    m_pWorkQueue->async([state = m_pState, complex = std::move(complex), sourcePath, destinationPath, removeSource] {
        ComplexOperationPerformer performer(complex, state.get());
        performer.setCancelFlag(&state->canceled);
        performer.perform();

        MergeOutcome outcome;
        outcome.statistics = performer.statistics();
        for (std::size_t i = 0; i < complex.operations.size(); ++i) {
            const FileOperationProgressInfo info = FileOperationProgressInfo::of(*complex.operations[i], i);
            outcome.results.push_back(state->resultOf(info));
        }
        outcome.sourceFolderRemovalAsked = removeSource;
        if (removeSource) {
            if (!outcome.statistics.allSucceeded())
                outcome.sourceFolderKeptBecause = outcome.statistics.totalCount == 0
                                                      ? "nothing was merged"
                                                      : "not every file was merged";
            else if (sourcePath == destinationPath || isAtOrBelow(destinationPath, sourcePath))
                outcome.sourceFolderKeptBecause = "the destination folder is inside it";
            else {
                const TrashResult trashed = Trash::standard().moveToTrash(sourcePath);
                outcome.sourceFolderTrashed = trashed.isOk();
                outcome.sourceFolderInTrash = trashed.pathInTrash;
                if (!trashed.isOk())
                    outcome.sourceFolderKeptBecause =
                        trashed.isTrashUnavailable() ? "no Trash can take it: " + trashed.status.message()
                                                     : "it could not be moved to the Trash: " + trashed.status.message();
            }
        }
        dispatch::main().async([state, outcome = std::move(outcome)] {
            state->data->setOperationsStatistics(outcome.statistics);
            if (MergeOperationListener* listener = std::exchange(state->listener, nullptr))
                listener->mergeOperationFinished(outcome);
        });
    });
}
