// The allocator's per-thread pools. limit() is called by main() before any other thread starts.
#pragma once

namespace memory_arenas {
// Caps the malloc arenas at one. By default glibc gives each thread that allocates a pool of its own
// (up to eight per CPU); a scan allocates on a dozen threads, and the memory each pool frees stays
// with it, unused by the others: on /usr that was a sixth of the peak resident memory. Two pools still
// left about 2 MiB of one pool's free space unused by the folder phases and the report, on the other;
// since the walk's workers carve their items out of chunks (ItemArena), one pool costs them no waits
// worth measuring.
//
// Blocks of kOwnPagesFrom bytes or more get pages of their own, returned to the system when freed. By
// default the allocator raises that bound to the size of each such block freed, up to 32 MiB: the
// buffers of one phase (a comparison's jobs, the digest cache) then come from the pools too, and their
// pages stay resident after it ends, under what the next phase allocates. Fixing the bound keeps the
// peak of a scan of /usr about 2 MiB lower, for some 10 000 more page faults (a few ms).
void limit();
inline constexpr int kOwnPagesFrom = 256 * 1024;
}  // namespace memory_arenas
