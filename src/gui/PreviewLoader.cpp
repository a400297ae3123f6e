#include "gui/PreviewLoader.h"

#include <QImageReader>
#include <QMetaObject>
#include <QThreadPool>

#include <atomic>

PreviewLoader::PreviewLoader()
    : m_pCurrent(std::make_shared<std::atomic<quint64>>(0)), m_pReceiver(std::make_unique<QObject>()) {}

PreviewLoader::~PreviewLoader() { cancel(); }

void PreviewLoader::cancel() { m_pCurrent->fetch_add(1); }

void PreviewLoader::request(const QString& path, QSize bounds, Done done) {
    const quint64 ticket = m_pCurrent->fetch_add(1) + 1;
    auto current = m_pCurrent;
    QObject* receiver = m_pReceiver.get();
    QThreadPool::globalInstance()->start([=] {
        if (current->load() != ticket) return;
        QImageReader reader(path);
        reader.setAutoTransform(true);
        QImage image;
        if (reader.canRead()) {
            QSize size = reader.size();
            if (size.isValid() && (size.width() > bounds.width() || size.height() > bounds.height()))
                reader.setScaledSize(size.scaled(bounds, Qt::KeepAspectRatio));
            image = reader.read();
        }
        if (current->load() != ticket) return;
        QMetaObject::invokeMethod(receiver, [=] {
            if (current->load() == ticket) done(image);
        }, Qt::QueuedConnection);
    });
}
