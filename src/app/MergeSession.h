// The merge dialog's logic, free of widgets: the plan of one folder pair of the results (a heap, or a
// group of identical folders), its two sides as rows grouped into "Unique Files" and "Duplicate Files",
// the direction and options (each change plans anew), the description and counts, then the run with
// its progress and per-item results. Talks to the dialog through MergeSessionView. Main thread only;
// the results must not change while a session is open.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MergeSessionView.h"
#include "operations/MergeOperation.h"

class DuplicatesContainer;
struct FolderEntry;

enum class MergeWindowState { Preview, Perform, ViewResult };

struct MergeRow {
    bool isGroup = false;  // a "Unique Files" / "Duplicate Files" heading
    std::string text;      // the heading, or the item's name
    std::string status;    // "will be moved", "Moving", "moved", "failed: …", or empty
    std::string path;      // the item's path (empty for a heading)
};

class MergeSession : public MergeOperationListener {
public:
    static constexpr const char* kUniqueFiles = "Unique Files";
    static constexpr const char* kDuplicateFiles = "Duplicate Files";
    static constexpr const char* kMergedQuestion = "The folders were merged successfully and now they are duplicates";
    static constexpr const char* kMergedQuestionText = "Would you like to review and select one of them for removal?";

    // Null when the entry is not a pair of scanned folders (a heap, or a group of at least two folders).
    static std::unique_ptr<MergeSession> forEntry(std::shared_ptr<DuplicatesContainer> container,
                                                  const FolderEntry& entry, MergeSessionView& view);
    MergeSession(std::shared_ptr<DuplicatesContainer> container, std::shared_ptr<MergeOperationData> data,
                 MergeSessionView& view);
    ~MergeSession() override;

    MergeWindowState state() const { return m_state; }
    const MergeOperationData& data() const { return *m_pData; }
    std::string leftTitle() const;
    std::string rightTitle() const;
    std::vector<MergeRow> leftRows() const { return rowsOf(m_pData->leftFolder()); }
    std::vector<MergeRow> rightRows() const { return rowsOf(m_pData->rightFolder()); }

    MergeDirection direction() const { return m_pData->direction(); }
    void setDirection(MergeDirection direction);
    void flipDirection();
    const MergeOperationOptions& options() const { return m_pData->options(); }
    void setAction(MergeAction action);
    void setMergeDuplicatesWithDifferentNames(bool on);
    void setRemoveSourceFolder(bool on);
    void setColorTag(int label);

    std::string descriptionText() const { return m_pData->descriptionText(); }
    // "3 files, 12.0 MiB" before the run; "2 of 3 files, …" while it runs; the results after.
    std::string countsText() const;
    bool canMerge() const { return m_state == MergeWindowState::Preview && m_pData->countOfAffectedItems() > 0; }
    void merge();
    void stop();
    // 0 to 1 while it runs.
    double progress() const;
    const std::optional<MergeOutcome>& outcome() const { return m_outcome; }

    // Called with the two folders when the user wants to review them after a successful merge.
    void setReviewHandler(std::function<void(const std::vector<std::string>&)> handler) { m_review = std::move(handler); }

    void mergeOperationProgress(const MergeOperationProgressInfo& info) override;
    void mergeOperationFinished(const MergeOutcome& outcome) override;

private:
    std::vector<MergeRow> rowsOf(const MergeFolder& folder) const;
    void setOptions(const MergeOperationOptions& options);

    std::shared_ptr<DuplicatesContainer> m_pContainer;  // keeps the scanned items alive
    std::shared_ptr<MergeOperationData> m_pData;
    MergeSessionView& m_view;
    MergeWindowState m_state = MergeWindowState::Preview;
    std::unique_ptr<MergeOperation> m_pOperation;
    MergeOperationProgressInfo m_progress;
    std::optional<MergeOutcome> m_outcome;
    std::function<void(const std::vector<std::string>&)> m_review;
};
