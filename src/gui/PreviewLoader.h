// Decodes image previews off the main thread: QImageReader scaled to the asked size (EXIF rotation
// applied) on the background pool; the image comes back on the main thread to the last request only,
// never after the loader is gone.
// Request from the main thread.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class PreviewLoader {
public:
    using Done = std::function<void(const QImage&)>;
    PreviewLoader();
    ~PreviewLoader();

    // Drops any earlier request; `done` gets a null image when the file is no image.
    void request(const QString& path, QSize bounds, Done done);
    void cancel();

private:
    std::shared_ptr<std::atomic<quint64>> m_pCurrent;  // the ticket of the request still wanted
};
