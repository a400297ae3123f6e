#include "cli/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <ctime>

namespace {
// Written by the signal handler, read by main-thread timers: the first SIGINT or SIGTERM and when it came.
std::atomic<int> g_stopSignal{0};
// The pipe the first stop signal writes a byte to, so that the main loop wakes at once (-1: none).
std::atomic<int> g_wakeWrite{-1};
std::atomic<int> g_wakeRead{-1};
std::atomic<std::int64_t> g_firstSignalNanoseconds{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<std::int64_t>::is_always_lock_free);
constexpr std::int64_t kOneSignalWindowNanoseconds = 500'000'000;

std::int64_t monotonicNanoseconds() {
    struct timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// `timeout` and a terminal signal the whole process group, hence the half-second window.
void onInterrupt(int signal) {
    const std::int64_t now = monotonicNanoseconds();
    int none = 0;
    if (g_stopSignal.compare_exchange_strong(none, signal)) {
        g_firstSignalNanoseconds = now;
        const int saved = errno;  // the interrupted code may be about to read it
        if (const int fd = g_wakeWrite.load(); fd >= 0) {
            const char byte = 1;
            (void)!::write(fd, &byte, 1);
        }
        errno = saved;
        return;
    }
    if (now - g_firstSignalNanoseconds.load() < kOneSignalWindowNanoseconds) return;
    _exit(128 + signal);
}

std::atomic<bool> g_terminalResized{false};
void onResize(int) { g_terminalResized = true; }
}  // namespace

namespace stop_signals {

int stopStatus() {
    const int signal = g_stopSignal.load();
    return signal == 0 ? 0 : 128 + signal;
}

bool takeTerminalResized() { return g_terminalResized.exchange(false); }

int wakeDescriptor() { return g_wakeRead.load(); }

struct Handlers::Saved {
    struct sigaction previousInt {}, previousTerm {}, previousWinch {};
    int wake[2] = {-1, -1};
};

Handlers::Handlers() : m_saved(std::make_unique<Saved>()) {
    g_stopSignal = 0;
    if (::pipe2(m_saved->wake, O_CLOEXEC | O_NONBLOCK) == 0) {
        g_wakeRead = m_saved->wake[0];
        g_wakeWrite = m_saved->wake[1];
    }
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &m_saved->previousInt);
    sigaction(SIGTERM, &action, &m_saved->previousTerm);
    struct sigaction resize {};
    resize.sa_handler = onResize;
    sigemptyset(&resize.sa_mask);
    resize.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &resize, &m_saved->previousWinch);
}

Handlers::~Handlers() {
    sigaction(SIGINT, &m_saved->previousInt, nullptr);
    sigaction(SIGTERM, &m_saved->previousTerm, nullptr);
    sigaction(SIGWINCH, &m_saved->previousWinch, nullptr);
    g_wakeWrite = -1;
    g_wakeRead = -1;
    for (int fd : m_saved->wake)
        if (fd >= 0) ::close(fd);
}

}  // namespace stop_signals
