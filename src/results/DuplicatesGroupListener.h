// Hears a group's changes, once per outermost change: counted out before, counted in after.
// Called on the queue that changes the group.
#pragma once

class DuplicatesGroup;

class DuplicatesGroupListener {
public:
    virtual ~DuplicatesGroupListener() = default;

    virtual void onGroupWillChange(DuplicatesGroup& group) = 0;
    virtual void onGroupDidChanged(DuplicatesGroup& group) = 0;
};
