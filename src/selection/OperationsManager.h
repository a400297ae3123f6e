// The selection commands of the results: the Auto Select cascade (name contest, then the oldest, level
// and first rules, over the copies in path order; names of one file never split) and the folder-wide
// and list commands of the results views. Every selection goes
// through the group, which never selects the last unselected copy unless forced; each command runs in
// one selection batch and so posts one selection-changed notification. Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "selection/AutoSelectChoice.h"
#include "selection/SelectionQuestion.h"

class AutoSelectManager;
class DuplicateItem;
class DuplicatesContainer;
class DuplicatesGroup;
class FolderSystemItem;

// Which confirmation setting applies: the category views' or the heaps views'.
enum class SelectionView { Categories, Heaps };

// What the Auto Select command did and the message to show afterwards, if any.
struct AutoSelectCommandResult {
    bool selectedSomething = false;
    bool neverSelectListWasUsed = false;
    std::int64_t countInRemoveList = 0;  // after the run
    std::uint64_t removeListSize = 0;    // bytes on disk that the remove list frees, after the run
    std::int64_t newlySelectedCount = 0;
    std::optional<SelectionQuestion> message;
};

// What a user's click on a copy's or a folder's check box did.
struct ToggleResult {
    enum class Outcome {
        Deselected,
        Selected,
        RefusedLastCopy,     // nothing selected: the permission is off; `tip` says why
        NeedsConfirmation,   // nothing changed yet: ask `question`, then call the matching confirm…
        SelectedSomeCopies,  // a folder: only the copies that are not last copies were selected
    };
    Outcome outcome = Outcome::Deselected;
    std::string tip;
    std::optional<SelectionQuestion> question;
};

class OperationsManager {
public:
    // Shares the manager whose folder lists the cascade loads; a new one when none is given.
    explicit OperationsManager(std::shared_ptr<AutoSelectManager> manager = nullptr);
    ~OperationsManager();
    OperationsManager(const OperationsManager&) = delete;
    OperationsManager& operator=(const OperationsManager&) = delete;

    AutoSelectManager& getAutoSelectManager() const { return *m_pAutoSelectManager; }

    // ---- Auto Select ----

    // The cascade on every group's copies, all in one selection batch (the Auto Select command).
    void performForceSelectForGroups(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups);
    // The cascade on these copies of one group; nothing for an empty list.
    void performForceSelectForItems(const std::vector<std::shared_ptr<DuplicateItem>>& items);
    // A keeper (a copy in a duplicate folder or a Never Select folder) is already there: every other
    // given copy is selected. Answers whether it handled the group.
    bool trySelectAllPossibleDuplicatesFromItems(const std::vector<std::shared_ptr<DuplicateItem>>& items,
                                                 const AutoSelectManager& manager);
    // Names of one file (hard links) stay together: a selected name whose file keeps an unselected
    // name is deselected, since removing it would free nothing.
    static void keepNamesOfStayingFiles(DuplicatesGroup& group);
    // Fallbacks over the unselected given copies, never selecting one in a Never Select folder.
    void selectOldestDuplicatesFromItems(const std::vector<std::shared_ptr<DuplicateItem>>& items,
                                         const AutoSelectManager& manager);
    void selectAllWithNotMinimalLevelInArray(const std::vector<std::shared_ptr<DuplicateItem>>& items,
                                             const AutoSelectManager& manager);
    void selectAllButNotFirstInArray(const std::vector<std::shared_ptr<DuplicateItem>>& items,
                                     const AutoSelectManager& manager);

    // The whole command: keeps the remove list, clears the statistics, runs the cascade over `groups`,
    // compares the new remove list and answers the message to show. `byButtonForAllListedGroups` is
    // the results view's button (the summary message is shown only then).
    AutoSelectCommandResult performAutoSelectCommand(DuplicatesContainer& container,
                                                     const std::vector<std::shared_ptr<DuplicatesGroup>>& groups,
                                                     bool byButtonForAllListedGroups);
    // The command line's entry: Auto Select over every file group of the container, with folders added
    // to the stored Always Select and Never Select lists for this run only.
    static AutoSelectCommandResult autoSelectAllGroupsOfContainer(DuplicatesContainer& container,
                                                                  const std::vector<std::string>& alwaysSelectFolders,
                                                                  const std::vector<std::string>& neverSelectFolders);

    // The command line's keep rules over every file group of the container. Newest and Oldest keep the
    // copies with the latest (earliest) modification time of each group and select the others; InFolders
    // keeps the copies at or below one of `keepInFolders` and selects the others of those groups only.
    // None selects a copy in a Never Select folder (the stored list and `neverSelectFolders`).
    enum class KeepRule { Newest, Oldest, InFolders };
    static void keepByRuleInAllGroupsOfContainer(DuplicatesContainer& container, KeepRule rule,
                                                 const std::vector<std::string>& keepInFolders,
                                                 const std::vector<std::string>& neverSelectFolders);
    void keepCopiesInFolders(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups,
                             const std::vector<std::string>& folders);

    // ---- Manual commands ----

    // The check box of a copy. The last unselected copy is selected only with
    // allowRemovingAllDuplicateCopies, after the view's confirmation when that setting is on.
    ToggleResult toggleItemByUser(DuplicateItem& item, SelectionView view);
    // The user answered "OK" to the question of toggleItemByUser; `doNotShowAgain` turns it off.
    bool confirmSelectingLastCopy(DuplicateItem& item, SelectionView view, bool doNotShowAgain);
    // The tip of a check box that cannot select the last unselected copy; in the duplicate list the
    // text names the kind ("folder" or "file").
    static std::string lastCopyTip(const DuplicateItem& item, bool inDuplicateList);

    // The check box of a folder in the heaps and folder views: every copy below the folder.
    ToggleResult tickFolderByUser(FolderSystemItem& folder, SelectionView view);
    void confirmTickingFolder(FolderSystemItem& folder, SelectionView view, bool doNotShowAgain);

    // "Select All Copies in …": every copy directly in the folder, keeping one where the folder holds
    // every unselected copy of a group (chosen by the cascade).
    void selectForRemoveAllDuplicatesInFolderWithPath(DuplicatesContainer& container, const std::string& path);
    void selectForRemoveAllDuplicatesInFolder(FolderSystemItem& folder);
    // "Keep All Copies in …": the folder's copies are kept, their twins elsewhere selected.
    void keepAllDuplicatesInFolderWithPath(DuplicatesContainer& container, const std::string& path);
    void keepAllDuplicatesInFolder(FolderSystemItem& folder);
    // "Deselect All Copies in …": over all file groups, the selected copies directly in the folder.
    void deselectAllDuplicatesInFolderWithPath(DuplicatesContainer& container, const std::string& path);
    // "Keep Only this Copy".
    void keepOnlyThisCopy(DuplicateItem& item);
    // "Add … to Skip List": the copies at or below the path leave the results; empty groups go.
    void excludeItemsInFolderWithPath(DuplicatesContainer& container, const std::string& path);
    // The group leaves the list; no file is touched.
    void removeGroupFromDuplicatesList(DuplicatesGroup& group);
    // "Select Newest Copies" keeps the oldest copies of each group; "Select Oldest Copies" the newest.
    void selectNewestCopies(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups);
    void selectOldestCopies(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups);
    // "Deselect All".
    void deselectAll(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups);

    // Menu titles of the folder commands ("Select All Copies in "%@"" and the like).
    static std::string selectAllCopiesInTitle(const std::string& folderName);
    static std::string keepAllCopiesInTitle(const std::string& folderName);
    static std::string deselectAllCopiesInTitle(const std::string& folderName);
    static std::string addToSkipListTitle(const std::string& folderName);

private:
    void forceSelectItemsWithPreparedManager(const std::vector<std::shared_ptr<DuplicateItem>>& items);
    void selectByDate(const std::vector<std::shared_ptr<DuplicatesGroup>>& groups, bool keepOldest);
    FolderSystemItem* findFolderWithPath(DuplicatesContainer& container, const std::string& path) const;

    std::shared_ptr<AutoSelectManager> m_pAutoSelectManager;
};
