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
// Blocks of kOwnPagesFrom bytes or more get pages of their own, returned to the system when freed, and
// the pool gives back the free room at its end once it exceeds kKeptAtTheEnd. Both bounds are fixed:
// by default the allocator raises them to the size of each large block freed, up to 32 MiB, so the
// buffers of one phase (a comparison's jobs, the digest cache) stay resident after it ends, under what
// the next phase allocates. Both are 4 MiB, not 256 and 128 KiB as they were: every page given
// back is a page fault when it is used again, some 10 us each on a virtual machine, and a first scan of
// /usr gave back and took again some 12 000 pages that way (20 500 faults in all, now 8 300; p1's first
// scan 6% faster). The peak of a scan of /usr stays within 0.2 MiB of what the smaller bounds gave.
void limit();
inline constexpr int kOwnPagesFrom = 4 * 1024 * 1024;
inline constexpr int kKeptAtTheEnd = 4 * 1024 * 1024;
}  // namespace memory_arenas
