#include "platform/FinishingThreads.h"

#include <mutex>
#include <vector>

namespace finishing_threads {
namespace {
struct Adopted {
    std::mutex mutex;
    std::vector<std::thread> threads;  // guarded by mutex
};

Adopted& adopted() {
    static auto* instance = new Adopted();  // never destroyed: threads may be adopted during exit
    return *instance;
}

std::vector<std::thread> takeAll() {
    Adopted& a = adopted();
    std::lock_guard lock(a.mutex);
    return std::move(a.threads);
}
}  // namespace

void adopt(std::thread thread) {
    // Never joined here: the thread may still be running the tasks left on its queue, and one of them
    // may be waiting for the thread that adopts it. A finished thread costs only its record until then.
    Adopted& a = adopted();
    std::lock_guard lock(a.mutex);
    a.threads.push_back(std::move(thread));
}

void joinOrAdopt(std::thread& thread) {
    if (thread.get_id() == std::this_thread::get_id()) adopt(std::move(thread));
    else thread.join();
}

void joinAll() {
    for (auto& t : takeAll()) {
        if (t.get_id() != std::this_thread::get_id()) t.join();
        else t.detach();  // only when called from an adopted thread itself, which the contract rules out
    }
}
}  // namespace finishing_threads
