#include "app/MergeSession.h"

#include "app/FolderEntry.h"
#include "operations/MergeManager.h"
#include "platform/FileLabels.h"
#include "settings/SizeText.h"

std::unique_ptr<MergeSession> MergeSession::forEntry(std::shared_ptr<DuplicatesContainer> container,
                                                     const FolderEntry& entry, MergeSessionView& view) {
    if (!container) return nullptr;
    std::shared_ptr<MergeOperationData> data;
    if (entry.heap) {
        data = MergeManager::dataForHeap(entry.heap);
    } else {
        const auto paths = entry.folderPaths();
        if (paths.size() >= 2) data = MergeManager::dataForFolders(*container, paths[0], paths[1]);
    }
    if (!data) return nullptr;
    return std::make_unique<MergeSession>(std::move(container), std::move(data), view);
}

MergeSession::MergeSession(std::shared_ptr<DuplicatesContainer> container, std::shared_ptr<MergeOperationData> data,
                           MergeSessionView& view)
    : m_pContainer(std::move(container)), m_pData(std::move(data)), m_view(view) {
    MergeOperationOptions options;
    options.action = MergeAction::Move;
    m_pData->setOptions(options);
}

MergeSession::~MergeSession() = default;

std::string MergeSession::leftTitle() const {
    const bool source = direction() == MergeDirection::LeftToRight;
    return m_pData->leftFolder().name() + (source ? " (source)" : " (destination)");
}

std::string MergeSession::rightTitle() const {
    const bool source = direction() == MergeDirection::RightToLeft;
    return m_pData->rightFolder().name() + (source ? " (source)" : " (destination)");
}

std::vector<MergeRow> MergeSession::rowsOf(const MergeFolder& folder) const {
    std::vector<MergeRow> rows;
    auto add = [&](const char* heading, const std::vector<MergeItem*>& items) {
        if (items.empty()) return;
        rows.push_back({true, heading, "", ""});
        for (const MergeItem* item : items) {
            MergeRow row{false, item->name(), "", item->path()};
            if (item->action()) {
                row.status = MergeOperationData::detailsLabel(*item->action(), item->phase());
                if (item->result() == FileOperationResult::Failed && item->error())
                    row.status = "failed: " + item->error()->message();
                else if (item->result() == FileOperationResult::Unknown && item->phase() == MergeItemPhase::Done)
                    row.status = "not done";
                if (item->destinationName() != item->name() && item->result() != FileOperationResult::Failed)
                    row.status += " as \"" + item->destinationName() + "\"";
            }
            rows.push_back(std::move(row));
        }
    };
    add(kUniqueFiles, folder.uniqueItems());
    add(kDuplicateFiles, folder.duplicates());
    return rows;
}

void MergeSession::setDirection(MergeDirection direction) {
    if (m_state != MergeWindowState::Preview) return;
    m_pData->setDirection(direction);
    m_view.planChanged();
}

void MergeSession::flipDirection() {
    setDirection(direction() == MergeDirection::LeftToRight ? MergeDirection::RightToLeft : MergeDirection::LeftToRight);
}

void MergeSession::setOptions(const MergeOperationOptions& options) {
    if (m_state != MergeWindowState::Preview) return;
    m_pData->setOptions(options);
    m_view.planChanged();
}

void MergeSession::setAction(MergeAction action) {
    MergeOperationOptions o = options();
    o.action = action;
    setOptions(o);
}

void MergeSession::setMergeDuplicatesWithDifferentNames(bool on) {
    MergeOperationOptions o = options();
    o.mergeDuplicatesWithDifferentNames = on;
    setOptions(o);
}

void MergeSession::setRemoveSourceFolder(bool on) {
    MergeOperationOptions o = options();
    o.removeSourceFolder = on;
    setOptions(o);
}

void MergeSession::setColorTag(int label) {
    MergeOperationOptions o = options();
    o.colorTag = label >= 0 && label <= FileLabels::kHighestLabel ? label : 0;
    setOptions(o);
}

std::string MergeSession::countsText() const {
    const auto files = [](std::int64_t n) { return n == 1 ? std::string("1 file") : std::to_string(n) + " files"; };
    const std::int64_t count = m_pData->countOfAffectedItems();
    switch (m_state) {
        case MergeWindowState::Preview:
            return files(count) + ", " + size_text::format(static_cast<std::int64_t>(m_pData->sizeOfAffectedItems()));
        case MergeWindowState::Perform: {
            const auto& s = m_progress.operationsStatistics;
            const std::int64_t done = s.countOfSuccessfullyPerformed + s.countOfFailed + s.countOfNotPerformed;
            return std::to_string(done) + " of " + files(count) + ", " +
                   size_text::format(static_cast<std::int64_t>(m_progress.sizeOfMergedItems)) + " of " +
                   size_text::format(static_cast<std::int64_t>(m_pData->sizeOfAffectedItems()));
        }
        case MergeWindowState::ViewResult: {
            if (!m_outcome) return "";
            const auto& s = m_outcome->statistics;
            const MergeAction action = options().action.value_or(MergeAction::Move);
            std::string text = files(s.countOfSuccessfullyPerformed) + " " +
                               MergeOperationData::detailsLabel(action, MergeItemPhase::Done);
            if (s.countOfFailed) text += ", " + std::to_string(s.countOfFailed) + " failed";
            if (s.countOfNotPerformed) text += ", " + std::to_string(s.countOfNotPerformed) + " not done";
            if (m_outcome->sourceFolderTrashed) text += "; \"" + m_pData->sourceFolder().name() + "\" moved to the Trash";
            else if (m_outcome->sourceFolderRemovalAsked)
                text += "; \"" + m_pData->sourceFolder().name() + "\" kept: " + m_outcome->sourceFolderKeptBecause;
            return text;
        }
    }
    return "";
}

void MergeSession::merge() {
    if (!canMerge()) return;
    m_state = MergeWindowState::Perform;
    m_progress = {};
    m_progress.sizeOfAllItems = m_pData->sizeOfAffectedItems();
    m_pOperation = std::make_unique<MergeOperation>(m_pData);
    m_view.stateChanged();
    m_pOperation->start(this);
    m_view.planChanged();  // the items now say "Moving" or "Copying"
}

void MergeSession::stop() {
    if (m_pOperation && m_state == MergeWindowState::Perform) m_pOperation->cancel();
}

double MergeSession::progress() const {
    if (m_state == MergeWindowState::ViewResult) return 1.0;
    if (m_progress.sizeOfAllItems == 0) {
        const auto& s = m_progress.operationsStatistics;
        const std::int64_t count = m_pData->countOfAffectedItems();
        const std::int64_t done = s.countOfSuccessfullyPerformed + s.countOfFailed + s.countOfNotPerformed;
        return count ? static_cast<double>(done) / static_cast<double>(count) : 0.0;
    }
    return static_cast<double>(m_progress.sizeOfMergedItems) / static_cast<double>(m_progress.sizeOfAllItems);
}

void MergeSession::mergeOperationProgress(const MergeOperationProgressInfo& info) {
    m_progress.sizeOfMergedItems = info.sizeOfMergedItems;
    m_progress.operationsStatistics = info.operationsStatistics;
    m_view.progressChanged();
    m_view.planChanged();
}

void MergeSession::mergeOperationFinished(const MergeOutcome& outcome) {
    m_outcome = outcome;
    m_state = MergeWindowState::ViewResult;
    m_view.stateChanged();
    m_view.planChanged();
    // Both folders are still there and now hold the same files: offer to review them.
    if (outcome.succeeded() && !outcome.sourceFolderRemovalAsked &&
        outcome.statistics.countOfSuccessfullyPerformed > 0) {
        const WindowAnswer answer = m_view.ask({kMergedQuestion, kMergedQuestionText, ""});
        if (answer.ok && m_review) m_review({m_pData->leftFolder().path(), m_pData->rightFolder().path()});
    }
}
