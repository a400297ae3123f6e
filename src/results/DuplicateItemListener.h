// What a group tells a member about itself: its selection flag may have changed, or it is about to
// leave the group. Called on the queue that changes the group.
#pragma once

class DuplicateItem;
class DuplicatesGroup;

class DuplicateItemListener {
public:
    virtual ~DuplicateItemListener() = default;

    virtual void onItemSelectionChanged(DuplicateItem& item) = 0;
    virtual void onItemWillRemovedFromGroup(DuplicateItem& item, DuplicatesGroup& group) = 0;
};
