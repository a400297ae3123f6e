// How many tasks posted to the main queue have neither run nor been dropped; for the end of the
// process only (dispatch::shutdown). Any thread may read it.
#pragma once

namespace main_queue {
long pendingCount();
// Drops the tasks still waiting for the main thread, destroying them (and what they captured) here.
// Main thread only, once its event loop has ended.
void dropPending();
}  // namespace main_queue
