// What the command line leaves to the end of the process: a scan's results are one node per file and
// one per group member, and handing them back one by one takes longer than the system takes to drop
// the whole address space. Main thread.
#pragma once

#include <memory>

namespace process_end {
// Keeps `object` alive until the process exits. Builds with AddressSanitizer free it as usual, so that
// their leak check still covers what it owns.
void keep(std::shared_ptr<const void> object);
}  // namespace process_end
