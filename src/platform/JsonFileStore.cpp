#include "platform/JsonFileStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLockFile>
#include <QSaveFile>

#include <cerrno>

namespace {
QString qPath(const std::string& path) { return QString::fromStdString(path); }

constexpr int kLockTimeoutMilliseconds = 5000;
constexpr int kStaleLockMilliseconds = 10000;
}  // namespace

JsonFileStore::JsonFileStore(std::string path) : m_sPath(std::move(path)) {}

std::string JsonFileStore::backupPath() const {
    std::string candidate = m_sPath + ".bak";
    for (int n = 2; QFileInfo::exists(qPath(candidate)) || QFileInfo(qPath(candidate)).isSymLink(); ++n)
        candidate = m_sPath + ".bak." + std::to_string(n);
    return candidate;
}

JsonFileStore::Contents JsonFileStore::read() const {
    Contents contents;
    QFile file(qPath(m_sPath));
    if (!file.exists()) return contents;
    contents.exists = true;
    if (!file.open(QIODevice::ReadOnly)) {
        contents.problem = "cannot be read (" + file.errorString().toStdString() + ")";
        return contents;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        contents.problem = "cannot be read (" + file.errorString().toStdString() + ")";
        return contents;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        contents.problem = "is not valid JSON (" + error.errorString().toStdString() + " at offset " +
                           std::to_string(error.offset) + ")";
        return contents;
    }
    if (!document.isObject()) {
        contents.problem = "does not hold a JSON object";
        return contents;
    }
    contents.document = document.object();
    return contents;
}

Status JsonFileStore::update(const QJsonObject& fallback, const std::function<void(QJsonObject&)>& mutate,
                             QJsonObject& written, std::optional<std::string>& notice) {
    const QFileInfo info(qPath(m_sPath));
    errno = 0;
    if (!QDir().mkpath(info.absolutePath())) {
        written = fallback;
        mutate(written);
        return Status::fromErrno(errno ? errno : EACCES, info.absolutePath().toStdString());
    }

    // Another process holding the lock longer than the timeout is treated as gone: the write still
    // happens (atomically), so at worst one of two simultaneous sets is lost, never the whole file.
    QLockFile lock(qPath(m_sPath + ".lock"));
    lock.setStaleLockTime(kStaleLockMilliseconds);
    const bool locked = lock.tryLock(kLockTimeoutMilliseconds);

    Contents current = read();
    QJsonObject document;
    if (current.problem) {
        // Keep the broken file before anything is written over it, under a name no earlier backup holds.
        // QFile::copy and QFile::rename refuse an existing destination; a name taken meanwhile moves on.
        std::string backup;
        for (int attempt = 0; attempt < 100 && backup.empty(); ++attempt) {
            const std::string candidate = backupPath();
            if (QFile::copy(qPath(m_sPath), qPath(candidate)) || QFile::rename(qPath(m_sPath), qPath(candidate)))
                backup = candidate;
        }
        if (backup.empty()) {
            // Never write over a broken file that could not be kept.
            const int error = errno ? errno : EIO;
            written = fallback;
            mutate(written);
            if (locked) lock.unlock();
            return Status::fromErrno(error, backupPath());
        }
        notice = m_sPath + " " + *current.problem + "; it was kept as " + backup;
        document = fallback;
    } else {
        document = current.document;
    }
    mutate(document);
    written = document;

    // QSaveFile reports no errno of its own; the failed system call leaves it behind.
    QSaveFile file(qPath(m_sPath));
    Status status;
    errno = 0;
    bool saved = file.open(QIODevice::WriteOnly);
    if (saved) {
        const QByteArray bytes = QJsonDocument(document).toJson(QJsonDocument::Indented);
        saved = file.write(bytes) == bytes.size() && file.commit();
    }
    if (!saved) status = Status::fromErrno(errno ? errno : EIO, m_sPath);
    if (locked) lock.unlock();
    return status;
}
