#include "platform/MainQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <utility>

#include "platform/MainQueuePending.h"
#include "platform/SyncCall.h"

#if defined(__SANITIZE_THREAD__)
#define DORVANE_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define DORVANE_TSAN 1
#endif
#endif

#ifdef DORVANE_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace {
std::atomic<long> g_pending{0};

// The call Qt queues for one task. Qt also holds it from the posting thread, which may release it
// last, after the main thread ran it: the task is therefore moved into a local when it runs and dies
// there, on the main thread, with what it captured. The lock inside Qt's event queue that orders the
// poster's writes before the run is invisible to ThreadSanitizer (Qt is not built with it); in such a
// build the call declares that order itself, at the address Qt keeps it at. Elsewhere that is nothing.
class PostedCall {
public:
    explicit PostedCall(std::function<void()> task) : m_task(std::move(task)), m_bPending(true) { ++g_pending; }
    PostedCall(PostedCall&& other) noexcept : m_task(std::move(other.m_task)), m_bPending(other.m_bPending) {
        other.m_bPending = false;
        handOver();
    }
    PostedCall(const PostedCall&) = delete;
    PostedCall& operator=(const PostedCall&) = delete;
    PostedCall& operator=(PostedCall&&) = delete;
    ~PostedCall() {
        takeOver();
        if (m_bPending) {
            m_task = nullptr;  // dropped before it ran: what it captured dies here
            --g_pending;
        }
    }

    void operator()() {
        takeOver();
        {
            std::function<void()> local = std::move(m_task);
            local();
        }
        if (m_bPending) {
            m_bPending = false;
            --g_pending;
        }
        handOver();
    }

private:
    void handOver() {
#ifdef DORVANE_TSAN
        __tsan_release(this);
#endif
    }
    void takeOver() {
#ifdef DORVANE_TSAN
        __tsan_acquire(this);
#endif
    }

    std::function<void()> m_task;
    bool m_bPending = false;  // this object carries a task that has not run yet
};
}  // namespace

namespace main_queue {
long pendingCount() { return g_pending.load(); }

void dropPending() {
    if (QCoreApplication* app = QCoreApplication::instance()) QCoreApplication::removePostedEvents(app, QEvent::MetaCall);
}
}  // namespace main_queue

void MainQueue::async(std::function<void()> task) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(app, PostedCall(std::move(task)), Qt::QueuedConnection);
}

void MainQueue::asyncAfter(std::chrono::milliseconds delay, std::function<void()> task) {
    async([delay, task = std::move(task)] { QTimer::singleShot(delay, QCoreApplication::instance(), task); });
}

void MainQueue::sync(const std::function<void()>& task) { syncCall(*this, task); }

bool MainQueue::isCurrent() const {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}
