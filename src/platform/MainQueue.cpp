#include "platform/MainQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include "platform/SyncCall.h"

void MainQueue::async(std::function<void()> task) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    // Qt keeps the posted functor alive from the posting thread as well, and that thread may let go of
    // it last, after the main thread ran it. The task is therefore moved out and destroyed here, on the
    // main thread, so that what it captured never dies on the poster.
    QMetaObject::invokeMethod(
        app,
        [task = std::move(task)]() mutable {
            std::function<void()> local = std::move(task);
            local();
        },
        Qt::QueuedConnection);
}

void MainQueue::asyncAfter(std::chrono::milliseconds delay, std::function<void()> task) {
    async([delay, task = std::move(task)] { QTimer::singleShot(delay, QCoreApplication::instance(), task); });
}

void MainQueue::sync(const std::function<void()>& task) { syncCall(*this, task); }

bool MainQueue::isCurrent() const {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}
