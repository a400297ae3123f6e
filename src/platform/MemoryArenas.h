// The allocator's per-thread pools. limit() is called by main() before any other thread starts.
#pragma once

namespace memory_arenas {
// Caps the malloc arenas at two. By default glibc gives each thread that allocates a pool of its own
// (up to eight per CPU); a scan allocates on a dozen threads, and the memory each pool frees stays
// with it, unused by the others: on /usr that was a sixth of the peak resident memory.
void limit();
}  // namespace memory_arenas
