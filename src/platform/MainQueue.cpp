#include "platform/MainQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <utility>

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
// The call Qt queues for one task. Qt also holds it from the posting thread, which may release it
// last, after the main thread ran it: the task is therefore moved into a local when it runs and dies
// there, on the main thread, with what it captured. The lock inside Qt's event queue that orders the
// poster's writes before the run is invisible to ThreadSanitizer (Qt is not built with it); in such a
// build the call declares that order itself, at the address Qt keeps it at. Elsewhere that is nothing.
class PostedCall {
public:
    explicit PostedCall(std::function<void()> task) : m_task(std::move(task)) {}
    PostedCall(PostedCall&& other) noexcept : m_task(std::move(other.m_task)) { handOver(); }
    PostedCall(const PostedCall&) = delete;
    PostedCall& operator=(const PostedCall&) = delete;
    PostedCall& operator=(PostedCall&&) = delete;
    ~PostedCall() { takeOver(); }

    void operator()() {
        takeOver();
        {
            std::function<void()> local = std::move(m_task);
            local();
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
};
}  // namespace

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
