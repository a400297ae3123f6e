// The Always Select and Never Select folder lists of one Auto Select run and the folder decision for a
// copy: the deeper matching folder wins. Reloaded from the settings at the start of every run. One
// manager is used by one thread at a time; a preview on a background queue uses a manager of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "selection/AutoSelectChoice.h"
#include "selection/SelectionQuestion.h"

class DuplicateItem;
class DuplicatesGroup;

class AutoSelectManager {
public:
    // `countsNeverSelectUse`: a never-select decision is counted in DuplicateItemActionsStatistics
    // (the Auto Select command); a preview passes false.
    explicit AutoSelectManager(bool countsNeverSelectUse = true);
    AutoSelectManager(const AutoSelectManager&) = delete;
    AutoSelectManager& operator=(const AutoSelectManager&) = delete;

    // Folders added to the lists of this manager on every later run, never stored in the settings
    // (the command line's --always-select and --never-select).
    void setAdditionalFolders(std::vector<std::string> alwaysSelect, std::vector<std::string> neverSelect);

    // Reads both lists from the settings, adds the additional folders and prepares them.
    void prepareForStartByLoadingLatestUserSettings();

    // Loads the settings and runs one contest per group (over getItems); the copies to select.
    std::vector<std::shared_ptr<DuplicateItem>> getDuplicateItemsForAutoSelectFromGroups(
        const std::vector<std::shared_ptr<DuplicatesGroup>>& groups);
    // The same over these copies of one group.
    std::vector<std::shared_ptr<DuplicateItem>> getDuplicateItemsForAutoSelectFromItems(
        const std::vector<std::shared_ptr<DuplicateItem>>& items);

    // Against the lists prepared last.
    AutoSelectChoice getChoiceUsingUserAutoSelectPathsForPath(std::string_view path) const;
    // True when the path lies inside a prepared Never Select folder.
    bool isPathInNeverSelectFolder(std::string_view path) const;

    // The length of the longest prepared prefix the path begins with that is longer than `lenBiggerThan`,
    // or -1. `prefixes` is sorted by decreasing length (preparePathsArrayToUse).
    static std::int64_t getMaxPrefixLenOfPath(std::string_view path, const std::vector<std::string>& prefixes,
                                              std::int64_t lenBiggerThan);
    // Drops entries shorter than 2 characters, ends every other with "/", sorts by decreasing length
    // (stable).
    static std::vector<std::string> preparePathsArrayToUse(std::vector<std::string> paths);

    const std::vector<std::string>& alwaysSelectPaths() const { return m_arrAlwaysSelectPaths; }
    const std::vector<std::string>& neverSelectPaths() const { return m_arrNeverSelectPaths; }

    // The folder lists as Preferences edits them (main thread). `isAlwaysList` picks "Always Select".
    // Adds the folder to the stored list unless it is there already; answers whether it was added.
    static bool addFolderToAlwaysSelectList(bool isAlwaysList, const std::string& path);
    // Before saving `list`: the question to ask when one of its folders stands in the other list too.
    static std::optional<SelectionQuestion> questionBeforeSavingFolderList(const std::vector<std::string>& list,
                                                                           bool isAlwaysList);
    // Saves `list` without empty entries; with `moveFromOtherList` ("OK" to the question) its folders
    // leave the other list first.
    static void saveFolderList(const std::vector<std::string>& list, bool isAlwaysList, bool moveFromOtherList);
    // The list type selector's rows: "Always Select" (0) and "Never Select" (1) with their hints.
    static std::string listName(bool isAlwaysList);
    static std::string listHint(bool isAlwaysList);

private:
    std::vector<std::string> m_arrAlwaysSelectPaths;  // prepared; replaced by every prepare only
    std::vector<std::string> m_arrNeverSelectPaths;   // prepared; replaced by every prepare only
    std::vector<std::string> m_arrAdditionalAlwaysSelect;
    std::vector<std::string> m_arrAdditionalNeverSelect;
    bool m_bCountsNeverSelectUse;
};
