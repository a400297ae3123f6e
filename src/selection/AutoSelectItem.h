// One copy in an Auto Select contest with its folder decision, which only moves from undecided to
// select or never-select and never leaves never-select. Lives for one contest, on the contest's thread.
#pragma once

#include <memory>

#include "selection/AutoSelectChoice.h"

class AutoSelectManager;
class DuplicateItem;
class FileSystemItem;

class AutoSelectItem {
public:
    // With a manager the copy's path is decided against its prepared folder lists; without one the copy
    // stays undecided.
    AutoSelectItem(std::shared_ptr<DuplicateItem> item, const AutoSelectManager* manager);
    AutoSelectItem(const AutoSelectItem&) = delete;
    AutoSelectItem& operator=(const AutoSelectItem&) = delete;

    const std::shared_ptr<DuplicateItem>& getDuplicateItem() const { return m_pItem; }
    AutoSelectChoice getChoice() const { return m_eChoice; }
    // Ignored once the choice is never-select.
    void setChoice(AutoSelectChoice choice);
    // 1 is the copy's own node, 2 its parent folder, 3 the grandparent...; null past the root.
    FileSystemItem* getComponentWithIndex(int index) const;

private:
    std::shared_ptr<DuplicateItem> m_pItem;
    AutoSelectChoice m_eChoice = AutoSelectChoiceUndecided;
};
