// Storage for the tree's items. Each thread carves the items it makes out of a 64 KiB chunk of its own,
// with no per-item header or rounding to the allocator's 16 bytes; a chunk goes back to the allocator
// once every item carved out of it is gone and its thread has moved on. Any thread may allocate (from
// its own chunk) and release (any item, once).
//
// An item released does not give its room back to anyone before the rest of its chunk goes too: the
// tree's items are made by a walk and let go together with their tree, so little stays pinned.
// Under AddressSanitizer every item is an allocation of its own, so that a use after release is caught.
#pragma once

#include <cstddef>
#include <cstdint>

namespace item_arena {
// Room for `bytes`, aligned for any item (8 bytes); throws std::bad_alloc when memory runs out.
void* allocate(std::size_t bytes);
void release(void* item) noexcept;

// Chunks taken from the allocator and not yet given back (tests).
std::uint64_t chunksHeld();
// Whether items share chunks (false under AddressSanitizer).
bool carves();
}  // namespace item_arena
