#include "platform/CpuSpreadExecutor.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <latch>
#include <string>

#include "platform/SerialQueue.h"

namespace {
std::atomic<CpuSpreadExecutor*> g_shared{nullptr};
}  // namespace

CpuSpreadExecutor& CpuSpreadExecutor::shared() {
    static auto* executor = [] {
        auto* created = new CpuSpreadExecutor();
        g_shared.store(created, std::memory_order_release);
        return created;
    }();
    return *executor;
}

void CpuSpreadExecutor::shutdownShared() {
    CpuSpreadExecutor* executor = g_shared.load(std::memory_order_acquire);
    if (!executor) return;
    for (auto& queue : executor->m_arrQueues) queue->shutdown();
}

CpuSpreadExecutor::CpuSpreadExecutor() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    std::vector<int> cpus;
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0)
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
            if (CPU_ISSET(cpu, &allowed)) cpus.push_back(cpu);
    if (cpus.empty()) cpus.push_back(-1);  // affinity unknown: one unbound thread
    // At least four threads, so that four slow reads (a network volume) can still wait at once; thread i
    // is bound to CPU i modulo the CPU count, so consecutive tasks land on different CPUs.
    const std::size_t count = std::max<std::size_t>(4, cpus.size());
    for (std::size_t i = 0; i < count; ++i) {
        auto queue = std::make_unique<SerialQueue>("digest::w" + std::to_string(i));
        int cpu = cpus[i % cpus.size()];
        if (cpu >= 0)
            queue->async([cpu] {
                cpu_set_t one;
                CPU_ZERO(&one);
                CPU_SET(cpu, &one);
                // Binding can fail (a restricted cgroup); the thread then simply runs unbound.
                pthread_setaffinity_np(pthread_self(), sizeof one, &one);
            });
        m_arrQueues.push_back(std::move(queue));
    }
}

void CpuSpreadExecutor::async(std::function<void()> task) {
    unsigned index = m_nNext.fetch_add(1, std::memory_order_relaxed) % m_arrQueues.size();
    m_arrQueues[index]->async(std::move(task));
}

void CpuSpreadExecutor::runShared(std::size_t helpers, const std::function<void()>& work) {
    std::latch done(static_cast<std::ptrdiff_t>(helpers));
    for (std::size_t i = 0; i < helpers; ++i)
        async([&] {
            work();
            done.count_down();
        });
    work();
    done.wait();
}
