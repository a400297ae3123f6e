// Runs submitted tasks on worker threads bound to the usable CPUs in turn (at least four threads), handing
// tasks out round-robin. Two tasks submitted one after the other therefore run on two CPUs at once instead
// of both being woken onto the CPU of the thread that submitted them. Any thread may submit.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class SerialQueue;

class CpuSpreadExecutor {
public:
    // The process-wide executor for CPU-bound work such as content digests; never destroyed, its threads
    // are ended by shutdownShared() (through dispatch::shutdown).
    static CpuSpreadExecutor& shared();
    // Lets the queued tasks of the shared executor finish and joins its threads; tasks submitted
    // afterwards run at once on the submitting thread. Does nothing when it was never used.
    static void shutdownShared();

    CpuSpreadExecutor(const CpuSpreadExecutor&) = delete;
    CpuSpreadExecutor& operator=(const CpuSpreadExecutor&) = delete;

    void async(std::function<void()> task);
    // Runs `work` on the calling thread and on `helpers` threads of this executor at once, and returns
    // when every run has returned; `work` shares the job out itself (an atomic counter of slices, say).
    // Not from this executor's own threads, whose waiting could hold up the helpers.
    void runShared(std::size_t helpers, const std::function<void()>& work);
    int threadCount() const { return static_cast<int>(m_arrQueues.size()); }

private:
    CpuSpreadExecutor();

    std::vector<std::unique_ptr<SerialQueue>> m_arrQueues;
    std::atomic<unsigned> m_nNext{0};  // round-robin position; submitters run on any thread
};
