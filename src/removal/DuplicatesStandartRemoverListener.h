// The listener of a remover (held weakly): batches of removed copies, then the end. Main thread.
#pragma once

#include <memory>
#include <vector>

class DuplicateItem;
class DuplicatesStandartRemover;

class DuplicatesStandartRemoverListener {
public:
    virtual ~DuplicatesStandartRemoverListener() = default;
    // The copies removed since the last report (possibly none).
    virtual void onRemover(DuplicatesStandartRemover& remover, const std::vector<std::shared_ptr<DuplicateItem>>& removed) = 0;
    virtual void onRemoverFinished(DuplicatesStandartRemover& remover) = 0;
    // A helper remover's script could not be written or run, or the user refused it administrator
    // rights: it ran nothing. Told before its report and its end.
    virtual void onUserWasNotAllowedExecuteRemover(DuplicatesStandartRemover&) {}
};
