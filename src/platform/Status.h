// The outcome of a platform call: a code, the errno it came from and the path it concerned.
// Failures travel as values; errno is mapped to a code in one place (Status::fromErrno).
#pragma once

#include <string>

enum class StatusCode {
    Ok,
    NotFound,
    PermissionDenied,
    NotADirectory,
    IsADirectory,
    ReadOnlyFileSystem,
    NoSpace,
    Busy,
    AlreadyExists,
    CrossDevice,
    NotEmpty,
    NameTooLong,
    TooManyLinks,
    InvalidArgument,
    IoError,
    NotARegularFile,  // a link, folder, FIFO or device where a regular file was asked for
    TooLarge,         // bigger than the caller's limit
    NotSupported,     // the file system cannot do it (extended attributes, …)
    CopyMismatch,     // a copy read back differs from its original
    Other,
};

class Status {
public:
    Status() = default;
    Status(StatusCode code, int sysErrno, std::string path)
        : m_eCode(code), m_nErrno(sysErrno), m_sPath(std::move(path)) {}

    static Status ok() { return {}; }
    static Status fromErrno(int sysErrno, std::string path);
    static StatusCode codeForErrno(int sysErrno);

    bool isOk() const { return m_eCode == StatusCode::Ok; }
    explicit operator bool() const { return isOk(); }
    StatusCode code() const { return m_eCode; }
    int sysErrno() const { return m_nErrno; }
    const std::string& path() const { return m_sPath; }
    // "PATH: reason", the reason in the system's words.
    std::string message() const;

private:
    StatusCode m_eCode = StatusCode::Ok;
    int m_nErrno = 0;
    std::string m_sPath;
};
