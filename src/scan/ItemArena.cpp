#include "scan/ItemArena.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCarves = false;
#else
constexpr bool kCarves = true;
#endif

constexpr std::size_t kChunkBytes = 64 * 1024;  // also the chunks' alignment: an item finds its chunk by it
constexpr std::size_t kHeaderBytes = 16;        // keeps the items 8-aligned (and 16 where the chunk is)
constexpr std::size_t kLargestCarved = kChunkBytes / 4;

// At the start of each chunk: the items carved out of it and still alive, plus one while a thread
// carves from it. The count of the last drop gives the chunk back.
struct Header {
    std::atomic<std::uint32_t> holds;
};
static_assert(sizeof(Header) <= kHeaderBytes);

std::atomic<std::uint64_t> g_chunks{0};

char* newChunk(std::size_t bytes, std::uint32_t holds) {
    void* memory = std::aligned_alloc(kChunkBytes, bytes);
    if (!memory) throw std::bad_alloc();
    new (memory) Header{holds};
    g_chunks.fetch_add(1, std::memory_order_relaxed);
    return static_cast<char*>(memory);
}

void drop(char* chunk) noexcept {
    auto* header = reinterpret_cast<Header*>(chunk);
    if (header->holds.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    header->~Header();
    std::free(chunk);
    g_chunks.fetch_sub(1, std::memory_order_relaxed);
}

// The chunk this thread carves from; its hold goes when the thread ends.
struct Carver {
    char* chunk = nullptr;
    std::size_t used = 0;
    ~Carver() {
        if (chunk) drop(chunk);
    }
};
thread_local Carver t_carver;
}  // namespace

namespace item_arena {
void* allocate(std::size_t bytes) {
    if constexpr (!kCarves) return ::operator new(bytes);
    bytes = (bytes + 7) & ~std::size_t{7};
    if (bytes > kLargestCarved) {  // a root whose name is a long path: a chunk of its own
        const std::size_t total = (kHeaderBytes + bytes + kChunkBytes - 1) / kChunkBytes * kChunkBytes;
        return newChunk(total, 1) + kHeaderBytes;
    }
    Carver& carver = t_carver;
    if (!carver.chunk || carver.used + bytes > kChunkBytes) {
        char* fresh = newChunk(kChunkBytes, 1);
        if (carver.chunk) drop(carver.chunk);
        carver.chunk = fresh;
        carver.used = kHeaderBytes;
    }
    char* item = carver.chunk + carver.used;
    carver.used += bytes;
    reinterpret_cast<Header*>(carver.chunk)->holds.fetch_add(1, std::memory_order_relaxed);
    return item;
}

void release(void* item) noexcept {
    if (!item) return;
    if constexpr (!kCarves) return ::operator delete(item);
    // An item lies in the first kChunkBytes of its chunk, even in a chunk of its own.
    drop(reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(item) & ~(std::uintptr_t{kChunkBytes} - 1)));
}

std::uint64_t chunksHeld() { return g_chunks.load(std::memory_order_relaxed); }

bool carves() { return kCarves; }
}  // namespace item_arena
