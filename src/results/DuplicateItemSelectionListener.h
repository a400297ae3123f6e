// Observes one member's selection flag (views). Always called later on the main thread, after the
// flag changed; the member is kept alive for the call.
#pragma once

#include <memory>

class DuplicateItem;

class DuplicateItemSelectionListener {
public:
    virtual ~DuplicateItemSelectionListener() = default;

    virtual void onItemSelectionChanged(const std::shared_ptr<DuplicateItem>& item) = 0;
};
