#include "platform/MainQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include "platform/SyncCall.h"

void MainQueue::async(std::function<void()> task) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
}

void MainQueue::asyncAfter(std::chrono::milliseconds delay, std::function<void()> task) {
    async([delay, task = std::move(task)] { QTimer::singleShot(delay, QCoreApplication::instance(), task); });
}

void MainQueue::sync(const std::function<void()>& task) { syncCall(*this, task); }

bool MainQueue::isCurrent() const {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}
