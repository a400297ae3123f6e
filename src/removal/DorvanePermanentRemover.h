// The helper that removes the copies of a confirmed group permanently: `chattr -i`/`chattr -a` where
// those flags are set, then `rm -f` (`rm -rf` for a folder copy). A copy counts as removed when nothing is
// left at its path, or a folder copy no longer holds what the scan saw. Main thread, as its base.
#pragma once

#include "removal/DorvaneRemover.h"

class DorvanePermanentRemover : public DorvaneRemover {
public:
    using DorvaneRemover::DorvaneRemover;

protected:
    HelperScript makeScript(bool administrator, const std::string& resultsFile) const override;
    Outcome confirmRemoved(const Entry& entry, const std::string& results) const override;
};
