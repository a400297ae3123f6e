// A JSON object kept in one file: read whole, and updated by a locked read-modify-write that replaces
// the file atomically (temporary file, fsync, rename), so that two processes never leave a half-written
// file nor lose each other's keys. Not thread-safe: the owner serialises calls.
#pragma once

#include <QJsonObject>

#include <functional>
#include <optional>
#include <string>

#include "platform/Status.h"

class JsonFileStore {
public:
    explicit JsonFileStore(std::string path);
    JsonFileStore(const JsonFileStore&) = delete;
    JsonFileStore& operator=(const JsonFileStore&) = delete;

    struct Contents {
        QJsonObject document;                // empty when the file is missing or broken
        bool exists = false;
        std::optional<std::string> problem;  // why an existing file could not be used
    };

    const std::string& path() const { return m_sPath; }
    // The name a broken file would be kept under now: PATH.bak, else PATH.bak.2, PATH.bak.3, … (the
    // first that does not exist; an existing backup is never replaced).
    std::string backupPath() const;
    Contents read() const;

    // Under the lock: re-reads the file (a missing file is an empty object; a broken one is copied to
    // backupPath() and replaced by `fallback`), applies `mutate`, writes the result. `written` receives
    // the document as it now stands, also when writing failed. `notice` tells of a broken file kept.
    Status update(const QJsonObject& fallback, const std::function<void(QJsonObject&)>& mutate,
                  QJsonObject& written, std::optional<std::string>& notice);

private:
    const std::string m_sPath;
};
