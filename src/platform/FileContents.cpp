#include "platform/FileContents.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cerrno>

namespace {
QString qPath(const std::string& path) { return QString::fromStdString(path); }

// QFile reports no errno of its own; the failed system call leaves it behind.
Status failure(const std::string& path) { return Status::fromErrno(errno ? errno : EIO, path); }

class QtAppendingFile : public file_contents::AppendingFile {
public:
    explicit QtAppendingFile(const std::string& path) : m_file(qPath(path)), m_sPath(path) {}
    bool open() { return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered); }
    Status append(const std::string& bytes) override {
        errno = 0;
        if (m_file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
            return failure(m_sPath);
        return Status::ok();
    }

private:
    QFile m_file;
    const std::string m_sPath;
};
}  // namespace

namespace file_contents {
Status writeAtomically(const std::string& path, const std::string& bytes) {
    QSaveFile file(qPath(path));
    errno = 0;
    bool saved = file.open(QIODevice::WriteOnly);
    if (saved) saved = file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
    if (saved) saved = file.commit();
    return saved ? Status::ok() : failure(path);
}

Status createFolders(const std::string& path) {
    errno = 0;
    if (QDir().mkpath(qPath(path))) return Status::ok();
    return failure(path);
}

Status read(const std::string& path, std::string& bytes) {
    QFile file(qPath(path));
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) return failure(path);
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) return failure(path);
    bytes.assign(data.constData(), static_cast<std::size_t>(data.size()));
    return Status::ok();
}

Status createForAppending(const std::string& path, std::unique_ptr<AppendingFile>& out) {
    auto file = std::make_unique<QtAppendingFile>(path);
    errno = 0;
    if (!file->open()) return failure(path);
    out = std::move(file);
    return Status::ok();
}
}  // namespace file_contents
