// What a category tells about the groups it creates and removes: the container listens for every
// group of a kind category, and each group hears about itself. Called on the queue that changes the
// model (a detection queue during a scan, the main thread afterwards).
#pragma once

#include <memory>

class DuplicatesCategory;
class DuplicatesContainer;
class DuplicatesGroup;

class DuplicatesCategoryListener {
public:
    virtual ~DuplicatesCategoryListener() = default;

    virtual DuplicatesContainer* getContainer() = 0;
    virtual void onGroupAdded(const std::shared_ptr<DuplicatesGroup>& group, DuplicatesCategory& category) = 0;
    virtual void onGroupWillRemoved(const std::shared_ptr<DuplicatesGroup>& group, DuplicatesCategory& category) = 0;
    virtual void onGroupDidRemoved(const std::shared_ptr<DuplicatesGroup>& group, DuplicatesCategory& category) = 0;
};
