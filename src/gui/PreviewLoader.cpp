#include "gui/PreviewLoader.h"

#include <QImageReader>

#include <atomic>

#include "platform/Dispatch.h"
#include "platform/ThreadPool.h"

PreviewLoader::PreviewLoader()
    : m_pCurrent(std::make_shared<std::atomic<quint64>>(0)) {}

PreviewLoader::~PreviewLoader() { cancel(); }

void PreviewLoader::cancel() { m_pCurrent->fetch_add(1); }

void PreviewLoader::request(const QString& path, QSize bounds, Done done) {
    const quint64 ticket = m_pCurrent->fetch_add(1) + 1;
    auto current = m_pCurrent;
    // The project's own pool and main queue, not Qt's: their hand-offs are the ones the thread
    // sanitizer sees, and the process waits for them before it exits.
    dispatch::background().async([=] {
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
        dispatch::main().async([=] {
            if (current->load() == ticket) done(image);
        });
    });
}
