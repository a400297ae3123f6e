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
};
