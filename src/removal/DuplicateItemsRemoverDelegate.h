// The owner of a removal run (held weakly): consent to start, the sessions, the removed copies and the
// end of the run. Called on the main thread.
#pragma once

#include <memory>
#include <vector>

class DuplicateItem;
class DuplicateItemsRemover;

class DuplicateItemsRemoverDelegate {
public:
    virtual ~DuplicateItemsRemoverDelegate() = default;
    // True only for the run the owner currently holds.
    virtual bool isRemoverCanStart(DuplicateItemsRemover& run) = 0;
    virtual void onRemoverBeginRemoveSession(DuplicateItemsRemover&) {}
    virtual void onRemover(DuplicateItemsRemover&, const std::vector<std::shared_ptr<DuplicateItem>>&) {}
    virtual void onRemoverEndRemoveSession(DuplicateItemsRemover&) {}
    // A helper was not allowed to run (RemoveAlertTexts::helperNotAllowed says so); its copies stay.
    virtual void onRemoverHelperNotAllowed(DuplicateItemsRemover&) {}
    virtual void onRemoverFinishWork(DuplicateItemsRemover& run) = 0;
};
