// One name contest over the copies of one group: copies in Always Select folders are chosen, the others
// compete by the rank of their names (and, when names tie, of their parent folders' names); the losers
// are chosen unless they lie in a Never Select folder; names of one file (hard links) are chosen all
// together or not at all. The copies are taken in path order, so the result does not depend on the
// order they are given in. Lives for one contest, on one thread; reads only the copies' paths, tree
// nodes and duplicate-folder links, so it may run off the main thread while the main thread reads or
// selects (but does not remove) the same copies.
#pragma once

#include <memory>
#include <vector>

class AutoSelectItem;
class AutoSelectManager;
class DuplicateItem;

class AutoSelectGroupSeparator {
public:
    explicit AutoSelectGroupSeparator(std::vector<std::shared_ptr<DuplicateItem>> items);
    ~AutoSelectGroupSeparator();
    AutoSelectGroupSeparator(const AutoSelectGroupSeparator&) = delete;
    AutoSelectGroupSeparator& operator=(const AutoSelectGroupSeparator&) = delete;

    // `manager` is prepared; null runs the contest without folder lists.
    void separateItemsUsingManager(const AutoSelectManager* manager);
    // The copies to select, without those inside a duplicate folder (their folder goes instead) and
    // without names of a file that keeps another name among the copies.
    const std::vector<std::shared_ptr<DuplicateItem>>& getItemsForSelect() const { return m_arrItemsForAutoSelect; }

private:
    void selectUsingPathItems(const std::vector<AutoSelectItem*>& candidates, int deep);
    void prepareResult();

    std::vector<std::shared_ptr<DuplicateItem>> m_arrItemsForSeparate;
    std::vector<std::unique_ptr<AutoSelectItem>> m_arrWrappedItems;  // every AutoSelectItem of the contest
    std::vector<AutoSelectItem*> m_arrItemsForSelect;                // chosen so far; cleared by prepareResult
    std::vector<std::shared_ptr<DuplicateItem>> m_arrItemsForAutoSelect;
};
