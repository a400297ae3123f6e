#include "platform/MemoryArenas.h"

#include <malloc.h>

namespace memory_arenas {
void limit() { (void)mallopt(M_ARENA_MAX, 2); }
}  // namespace memory_arenas
